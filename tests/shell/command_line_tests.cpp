// The real velloran program's command line: --help and --version answer without a window and
// without loading, creating or rewriting any message file; anything else is refused with one
// line and status 64.
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

TEST(CommandLine, AnswersAndRefusalsTouchNoFile)
{
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    std::vector<uint8_t> table, data;
    GenerateMessagePair(5, table, data);
    // First in an empty directory (no placeholder pair appears), then beside a pair with an old
    // modification time, which shows any rewrite, even of the same bytes.
    for (bool withFiles : { false, true })
    {
        ProgramRun version = RunVelloran(dir, { "--version" });
        EXPECT_EQ(version.Status, 0);
        EXPECT_EQ(version.Out, std::string("velloran ") + VELLORAN_VERSION + "\n");
        ProgramRun help = RunVelloran(dir, { "--help", "--version" }); // help wins over --version
        EXPECT_EQ(help.Status, 0);
        EXPECT_NE(help.Out.find("Usage: velloran"), std::string::npos);
        ProgramRun wrong = RunVelloran(dir, { "-h", "extra" });
        EXPECT_EQ(wrong.Status, 64);
        EXPECT_EQ(wrong.Out, "");
        EXPECT_EQ(wrong.Err, "velloran: unknown argument \"extra\" (velloran --help lists the options)\n");
        if (!withFiles)
        {
            EXPECT_TRUE(DirectoryNames(dir).empty());
            ASSERT_TRUE(WriteMessagePair(dir, table, data));
            struct utimbuf old = { 1000000000, 1000000000 };
            for (const char* name : { "table", "nes_message_data_static" })
                ASSERT_EQ(utime((dir + "/" + name).c_str(), &old), 0);
        }
    }
    for (const char* name : { "table", "nes_message_data_static" })
    {
        struct stat st;
        ASSERT_EQ(stat((dir + "/" + name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mtime, 1000000000) << name;
    }
    EXPECT_EQ(DirectoryNames(dir).size(), 2u);
    RemoveTempDir(dir);
}
