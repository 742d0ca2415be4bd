// The real velloran program's command line: --help and --version answer without a window and
// without loading, creating or rewriting any message file; anything else is refused with one
// line and status 64. (The package check looks at the help text's size on the installed program.)
#include "testdata.h"
#include "test_io.h"
#include "velloran_version.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <fstream>
#include <unistd.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

struct ProgramRun
{
    int Status = -1; // exit status, -1 when it did not exit normally
    std::string Out, Err;
};

// Runs velloran with args in dir, its standard error into a file beside dir. No video driver and
// no display: a program that tried to open its window would fail with status 1 instead of answering.
static ProgramRun RunVelloran(const std::string& dir, const std::vector<std::string>& args)
{
    std::string command = "cd '" + dir + "' && env -u SDL_VIDEODRIVER -u DISPLAY '" VELLORAN_PATH "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    ProgramRun run;
    FILE* out = popen((command + " 2> '" + dir + ".err'").c_str(), "r");
    if (!out) return run;
    run.Out = DrainDescriptor(dup(fileno(out)));
    int status = pclose(out);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(dir + ".err", std::ios::binary);
    run.Err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    remove((dir + ".err").c_str());
    return run;
}

struct CommandLine : ::testing::Test
{
    std::string Dir;
    void SetUp() override { Dir = MakeTempDir(); ASSERT_FALSE(Dir.empty()); }
    void TearDown() override { RemoveTempDir(Dir); }
};

TEST_F(CommandLine, AnswersAndRefusalsTouchNoFile)
{
    typedef std::vector<std::vector<std::string>> Cases;
    const Cases help = { { "--help" }, { "-h" }, { "--version", "--help" }, { "--help", "--version" } };
    const Cases wrong = { { "--bogus" }, { "table" }, { "--help", "extra" }, { "--version", "-x" }, { "" } };
    std::vector<uint8_t> table, data, t, d;
    GenerateMessagePair(5, table, data);
    // First in an empty directory (no placeholder pair appears), then beside a pair with an old
    // modification time, which shows any rewrite, even of the same bytes.
    for (bool withFiles : { false, true })
    {
        ProgramRun version = RunVelloran(Dir, { "--version" });
        EXPECT_EQ(version.Status, 0);
        EXPECT_EQ(version.Out, std::string("velloran ") + VELLORAN_VERSION + "\n");
        EXPECT_EQ(version.Err, "");
        for (const std::vector<std::string>& args : help) // help wins over --version in either order
        {
            ProgramRun run = RunVelloran(Dir, args);
            EXPECT_EQ(run.Status, 0) << args.back();
            EXPECT_EQ(run.Err, "") << args.back();
            for (const char* needed : { "Usage: velloran", "table", "nes_message_data_static", "64" })
                EXPECT_NE(run.Out.find(needed), std::string::npos) << needed;
        }
        for (const std::vector<std::string>& args : wrong)
        {
            ProgramRun run = RunVelloran(Dir, args);
            EXPECT_EQ(run.Status, 64) << args.back();
            EXPECT_EQ(run.Out, "") << args.back();
            EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << run.Err; // one line
            EXPECT_NE(run.Err.find("\"" + args.back() + "\""), std::string::npos) << run.Err;
        }
        if (!withFiles)
        {
            EXPECT_TRUE(DirectoryNames(Dir).empty());
            ASSERT_TRUE(WriteMessagePair(Dir, table, data));
            struct utimbuf old = { 1000000000, 1000000000 };
            for (const char* name : { "table", "nes_message_data_static" })
                ASSERT_EQ(utime((Dir + "/" + name).c_str(), &old), 0);
        }
    }
    ASSERT_TRUE(ReadTestFile(Dir, "table", t) && ReadTestFile(Dir, "nes_message_data_static", d));
    EXPECT_TRUE(t == table && d == data);
    for (const char* name : { "table", "nes_message_data_static" })
    {
        struct stat st;
        ASSERT_EQ(stat((Dir + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, 1000000000) << name;
    }
    EXPECT_EQ(DirectoryNames(Dir).size(), 2u);
}
