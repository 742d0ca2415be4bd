// The harness of the helper run tests: temporary folders, the real helper binary started with
// piped standard input or a command line, a stand-in checksum tool, and byte-exact comparisons.
#pragma once
#include "checksum.h"
#include "rom_builder.h"
#include "test_io.h"
#include "velloran_version.h"
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

typedef std::vector<uint8_t> Bytes;

static const char PAUSE[] = "Press Enter to continue . . . \n";
static const char MENU[] = " 1 - Inject\n 2 - Extract\nMode: ROM: ";
static const char QUESTION[] = "Text data files exist... overwrite? ( 1 = Y; 2 = N): ";

// ---- Files ------------------------------------------------------------------------------------
inline Bytes ReadAll(const std::string& path)
{
    Bytes b;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return b;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

inline void WriteAll(const std::string& path, const Bytes& b)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!b.empty())
    {
        ASSERT_EQ(fwrite(b.data(), 1, b.size(), f), b.size());
    }
    fclose(f);
}

inline void WriteAt(const std::string& path, uint64_t pos, const Bytes& b)
{
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(pwrite(fd, b.data(), b.size(), (off_t)pos), (ssize_t)b.size());
    close(fd);
}

inline bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

inline std::vector<std::string> Entries(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (struct dirent* e = readdir(d))
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

inline Bytes Pattern(size_t n, uint8_t mul, uint8_t add)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++) b[i] = (uint8_t)(i * mul + add + (i >> 8));
    return b;
}

inline Bytes Word(uint32_t v)
{
    return Bytes{ (uint8_t)(v >> 24), (uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v };
}

inline uint32_t WordIn(const Bytes& rom, uint64_t pos)
{
    return ((uint32_t)rom[pos] << 24) | ((uint32_t)rom[pos + 1] << 16) | ((uint32_t)rom[pos + 2] << 8) | rom[pos + 3];
}

inline Bytes Slice(const Bytes& b, uint64_t pos, uint64_t n)
{
    return Bytes(b.begin() + pos, b.begin() + pos + n);
}

inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*)
{
    return remove(path);
}

struct TempDir
{
    std::string Path;
    TempDir()
    {
        const char* base = getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/helper-test-XXXXXX";
        const char* p = mkdtemp(&tmpl[0]);
        Path = p ? p : "";
    }
    ~TempDir()
    {
        if (!Path.empty()) nftw(Path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    std::string operator/(const std::string& name) const { return Path + "/" + name; }
};

// ---- Running the program ----------------------------------------------------------------------
struct RunResult
{
    int         Status; // exit status, or -1 when it did not exit normally
    std::string Out;
    std::string Err;
};

struct Session
{
    pid_t Pid;
    int   In, Out, Err;
};

static const int IGNORE_SIGPIPE = (signal(SIGPIPE, SIG_IGN), 0); // the program may exit unread

// fileSizeLimit > 0 makes every write beyond that offset fail, as on a full disk. args are the
// command-line arguments after the program name (none: the dialogue).
inline Session Start(const std::string& dir, const std::string& searchPath, long fileSizeLimit = 0,
                     const std::vector<std::string>& args = {})
{
    int in[2], out[2], err[2];
    Session s = { -1, -1, -1, -1 };
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return s;
    s.Pid = fork();
    if (s.Pid == 0)
    {
        dup2(in[0], 0); dup2(out[1], 1); dup2(err[1], 2);
        close(in[0]); close(in[1]); close(out[0]); close(out[1]); close(err[0]); close(err[1]);
        if (chdir(dir.c_str()) != 0) _exit(99);
        setenv("PATH", searchPath.c_str(), 1);
        if (fileSizeLimit > 0)
        {
            signal(SIGXFSZ, SIG_IGN); // stays ignored across exec: writes fail with EFBIG
            struct rlimit lim = { (rlim_t)fileSizeLimit, (rlim_t)fileSizeLimit };
            setrlimit(RLIMIT_FSIZE, &lim);
        }
        std::vector<char*> argv{ (char*)"helper" };
        for (const std::string& a : args) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execv(HELPER_PATH, argv.data());
        _exit(98);
    }
    close(in[0]); close(out[1]); close(err[1]);
    s.In = in[1]; s.Out = out[0]; s.Err = err[0];
    return s;
}

inline void Send(Session& s, const std::string& text)
{
    size_t done = 0;
    while (done < text.size())
    {
        ssize_t n = write(s.In, text.data() + done, text.size() - done);
        if (n <= 0) break; // the program ended without reading everything
        done += (size_t)n;
    }
}

inline bool ExitedWithin(Session& s, int ms, int* status)
{
    for (int waited = 0; waited <= ms; waited += 10)
    {
        if (waitpid(s.Pid, status, WNOHANG) == s.Pid) return true;
        usleep(10000);
    }
    return false;
}

inline RunResult Finish(Session& s, int alreadyStatus = -1)
{
    if (s.In >= 0) close(s.In);
    s.In = -1;
    RunResult r;
    r.Out = DrainDescriptor(s.Out);
    r.Err = DrainDescriptor(s.Err);
    int status = alreadyStatus;
    if (alreadyStatus == -1) waitpid(s.Pid, &status, 0);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

static const char PLAIN_PATH[] = "/usr/bin:/bin";

inline RunResult RunHelper(const std::string& dir, const std::string& input,
                           const std::string& searchPath = PLAIN_PATH, long fileSizeLimit = 0)
{
    Session s = Start(dir, searchPath, fileSizeLimit);
    EXPECT_GT(s.Pid, 0);
    Send(s, input);
    return Finish(s);
}

// ---- The stand-in checksum tool ---------------------------------------------------------------
// Records its arguments one per line between brackets, and a copy of the ROM as it sees it.
struct ChecksumStandIn
{
    TempDir Bin;
    std::string SearchPath;
    explicit ChecksumStandIn(int exitCode = 0)
    {
        std::string script =
            "#!/bin/sh\n"
            "here=\"$(dirname \"$0\")\"\n"
            "printf '%s\\n' \"$#\" > \"$here/args\"\n"
            "for a in \"$@\"; do printf '[%s]\\n' \"$a\" >> \"$here/args\"; done\n"
            "cat -- \"$1\" > \"$here/seen.rom\"\n"
            "exit " + std::to_string(exitCode) + "\n";
        std::string tool = Bin / "rn64crc.exe";
        FILE* f = fopen(tool.c_str(), "w");
        if (f) { fputs(script.c_str(), f); fclose(f); }
        chmod(tool.c_str(), 0755);
        SearchPath = Bin.Path + ":" + PLAIN_PATH;
    }
    bool Started() const { return Exists(Bin / "args"); }
    std::string Args() const
    {
        Bytes b = ReadAll(Bin / "args");
        return std::string(b.begin(), b.end());
    }
};

// ---- Fixture ----------------------------------------------------------------------------------
struct HelperRun : ::testing::Test
{
    TempDir Dir;
    ChecksumStandIn Tool;
    std::string Rom;

    void SetUp() override
    {
        ASSERT_FALSE(Dir.Path.empty());
        Rom = Dir / "rom.z64";
    }
    RunResult Run(const std::string& input) { return RunHelper(Dir.Path, input, Tool.SearchPath); }
    // The command line: no input is given, so a question or a pause would show in the output.
    RunResult Command(const std::vector<std::string>& args, const std::string& path = "")
    {
        Session s = Start(Dir.Path, path.empty() ? Tool.SearchPath : path, 0, args);
        return Finish(s);
    }
    void PutFiles(const Bytes& table, const Bytes& data)
    {
        WriteAll(Dir / "table", table);
        WriteAll(Dir / "nes_message_data_static", data);
    }
    Bytes Table() { return ReadAll(Dir / "table"); }
    Bytes Data() { return ReadAll(Dir / "nes_message_data_static"); }
};

inline std::string Expected(const std::string& afterMenu)
{
    return std::string(MENU) + afterMenu + PAUSE;
}

// The ROM after an injection: end word, table, data and six patch bytes, nothing else.
inline ::testing::AssertionResult SameRom(const Bytes& want, const Bytes& got)
{
    if (want.size() != got.size())
        return ::testing::AssertionFailure() << "sizes " << want.size() << " and " << got.size();
    for (size_t i = 0; i < want.size(); i++)
        if (want[i] != got[i])
            return ::testing::AssertionFailure() << "first difference at 0x" << std::hex << i
                                                 << ": want 0x" << (int)want[i] << ", got 0x" << (int)got[i];
    return ::testing::AssertionSuccess();
}

