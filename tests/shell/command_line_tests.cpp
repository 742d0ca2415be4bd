// The real velloran program's command line: --help and --version answer without a window and
// without loading, creating or rewriting any message file; anything else is refused with one
// line and status 64.
#include "testdata.h"
#include "test_io.h"
#include "velloran_version.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>
#include <vector>

typedef std::vector<uint8_t> Bytes8;

struct ProgramRun
{
    int Status = -1; // exit status, -1 when it did not exit normally
    std::string Out, Err;
};

// Runs velloran with args in dir. No video driver and no display: a program that tried to open
// its window would fail with status 1 instead of answering.
static ProgramRun RunVelloran(const std::string& dir, std::vector<const char*> args)
{
    ProgramRun run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return run;
    pid_t pid = fork();
    if (pid == 0)
    {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]); close(out[1]); close(err[0]); close(err[1]);
        if (chdir(dir.c_str()) != 0) _exit(99);
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("DISPLAY");
        args.insert(args.begin(), "velloran");
        args.push_back(nullptr);
        execv(VELLORAN_PATH, (char* const*)args.data());
        _exit(98);
    }
    close(out[1]);
    close(err[1]);
    run.Out = DrainDescriptor(out[0]); // both texts are far below a pipe's capacity
    run.Err = DrainDescriptor(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

struct CommandLine : ::testing::Test
{
    std::string Dir;
    void SetUp() override { Dir = MakeTempDir(); ASSERT_FALSE(Dir.empty()); }
    void TearDown() override { RemoveTempDir(Dir); }
};

// ---- Answers ----
TEST_F(CommandLine, VersionPrintsThePackageVersionAndCreatesNothing)
{
    ProgramRun run = RunVelloran(Dir, { "--version" });
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, std::string("velloran ") + VELLORAN_VERSION + "\n");
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(DirectoryNames(Dir).empty()); // no placeholder pair
}

TEST_F(CommandLine, HelpFitsOneScreenNamesTheFilesAndStatusesAndCreatesNothing)
{
    for (const char* option : { "--help", "-h" })
    {
        ProgramRun run = RunVelloran(Dir, { option });
        EXPECT_EQ(run.Status, 0) << option;
        EXPECT_EQ(run.Err, "") << option;
        for (const char* needed : { "table", "nes_message_data_static", "current directory",
                                    "Exit status", "64", "--version", "Escape" })
            EXPECT_NE(run.Out.find(needed), std::string::npos) << needed;
        // One terminal screen: at most 24 lines of at most 80 columns.
        int lines = 0;
        size_t start = 0;
        for (size_t nl; (nl = run.Out.find('\n', start)) != std::string::npos; start = nl + 1)
        {
            lines++;
            EXPECT_LE(nl - start, 80u) << run.Out.substr(start, nl - start);
        }
        EXPECT_EQ(start, run.Out.size()); // ends with a line break
        EXPECT_LE(lines, 24);
        EXPECT_TRUE(DirectoryNames(Dir).empty()) << option;
    }
}

TEST_F(CommandLine, AnswersLeaveExistingMessageFilesUntouched)
{
    Bytes8 table, data;
    GenerateMessagePair(5, table, data);
    ASSERT_TRUE(WriteMessagePair(Dir, table, data));
    // An old modification time shows any rewrite, even of the same bytes.
    struct utimbuf old = { 1000000000, 1000000000 };
    for (const char* name : { "table", "nes_message_data_static" })
        ASSERT_EQ(utime((Dir + "/" + name).c_str(), &old), 0);
    for (const char* option : { "--help", "--version", "--bogus" })
        RunVelloran(Dir, { option });
    Bytes8 t, d;
    ASSERT_TRUE(ReadTestFile(Dir, "table", t));
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
    EXPECT_TRUE(t == table);
    EXPECT_TRUE(d == data);
    for (const char* name : { "table", "nes_message_data_static" })
    {
        struct stat st;
        ASSERT_EQ(stat((Dir + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, old.modtime) << name;
    }
    EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{ "nes_message_data_static", "table" }));
}

// ---- Refusals ----
TEST_F(CommandLine, AnUnknownArgumentIsOneLineOnStderrAndStatus64)
{
    const std::vector<std::vector<const char*>> wrong = {
        { "--bogus" }, { "table" }, { "--help", "extra" }, { "--version", "-x" }, { "" } };
    for (const std::vector<const char*>& args : wrong)
    {
        ProgramRun run = RunVelloran(Dir, args);
        const std::string last = args.back();
        EXPECT_EQ(run.Status, 64) << last;
        EXPECT_EQ(run.Out, "") << last;
        ASSERT_FALSE(run.Err.empty()) << last;
        EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err;
        EXPECT_NE(run.Err.find("\"" + last + "\""), std::string::npos) << run.Err;
        EXPECT_TRUE(DirectoryNames(Dir).empty()) << last;
    }
}

TEST_F(CommandLine, HelpWinsOverVersionInEitherOrder)
{
    ProgramRun a = RunVelloran(Dir, { "--version", "--help" });
    ProgramRun b = RunVelloran(Dir, { "--help", "--version" });
    EXPECT_EQ(a.Status, 0);
    EXPECT_NE(a.Out.find("Usage: velloran"), std::string::npos);
    EXPECT_EQ(a.Out, b.Out);
}
