// The real velloran program under SDL's dummy video driver, ended the way a session manager
// ends it (SIGTERM, which SDL turns into a quit event): a save that works ends with status 0,
// a failed save ends with status 1, says why on stderr and leaves both originals untouched.
#include "fault_support.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

struct ProgramRun
{
    int Status = -1; // exit status, -1 when it did not exit normally
    std::string Err;
};

// True once the process has a handler for SIGTERM (SDL installs it at start-up).
static bool CatchesTerm(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof(path), "/proc/%d/status", (int)pid);
    FILE* f = fopen(path, "r");
    if (!f) return false;
    char line[256];
    bool catches = false;
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, "SigCgt:", 7) == 0)
            catches = (strtoull(line + 7, nullptr, 16) >> (SIGTERM - 1)) & 1;
    fclose(f);
    return catches;
}

// Starts velloran in dir; fileSizeLimit > 0 makes every write past that size fail (EFBIG), as
// on a full disk, also for root. Ends it with SIGTERM once it is running.
static ProgramRun RunVelloran(const std::string& dir, long fileSizeLimit)
{
    ProgramRun run;
    int err[2];
    if (pipe(err) != 0) return run;
    pid_t pid = fork();
    if (pid == 0)
    {
        dup2(err[1], 2);
        close(err[0]);
        close(err[1]);
        if (chdir(dir.c_str()) != 0) _exit(99);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (fileSizeLimit > 0)
        {
            signal(SIGXFSZ, SIG_IGN); // stays ignored across exec: writes fail with EFBIG
            struct rlimit limit = { (rlim_t)fileSizeLimit, (rlim_t)fileSizeLimit };
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execl(VELLORAN_PATH, "velloran", (char*)NULL);
        _exit(98);
    }
    close(err[1]);
    // Wait (at most 20 s) until SDL has taken over SIGTERM; before that it would kill.
    int status = 0;
    bool exited = false;
    for (int waited = 0; waited < 2000 && !CatchesTerm(pid); waited++)
    {
        if (waitpid(pid, &status, WNOHANG) == pid) { exited = true; break; }
        usleep(10000);
    }
    if (!exited)
    {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
    }
    char buf[4096];
    ssize_t n;
    while ((n = read(err[0], buf, sizeof(buf))) > 0) run.Err.append(buf, (size_t)n);
    close(err[0]);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct ProgramFaults : ::testing::Test
{
    std::string Dir;
    Bytes8 Table, Data;
    void SetUp() override
    {
        Dir = MakeTempDir();
        ASSERT_FALSE(Dir.empty());
        GenerateMessagePair(21, Table, Data);
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
    }
    void TearDown() override { RemoveTempDir(Dir); }
    void ExpectOriginals()
    {
        Bytes8 t, d;
        ASSERT_TRUE(ReadTestFile(Dir, "table", t));
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == Table);
        EXPECT_TRUE(d == Data);
        EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{ "nes_message_data_static", "table" }));
    }
};

TEST_F(ProgramFaults, QuitSavesAndEndsWithStatusZero)
{
    ProgramRun run = RunVelloran(Dir, 0);
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    ExpectOriginals(); // nothing was edited: written back byte for byte
}

TEST_F(ProgramFaults, FailedSaveEndsWithStatusOneAndKeepsBothOriginals)
{
    // The data file (about 350 KB) cannot be written past 64 KB.
    ProgramRun run = RunVelloran(Dir, 64 * 1024);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
    EXPECT_NE(run.Err.find("nes_message_data_static"), std::string::npos) << run.Err;
    ExpectOriginals();
}
