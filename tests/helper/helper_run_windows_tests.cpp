// Windows: how helper starts the checksum tool. A stand-in rn64crc.exe records the arguments its
// C runtime split from the command line that CreateProcess was given.
#include "checksum.h"
#include "platform.h"
#include "rom_transfer.h"
#include "rom_builder.h"
#include "testdata.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <windows.h>

typedef std::vector<uint8_t> Bytes8;

struct StandIn : testing::Test
{
    std::string Dir = MakeTempDir();
    void SetUp() override
    {
        SetEnvironmentVariableA("RN64CRC_RECORD", (Dir + "\\args").c_str());
        SetEnvironmentVariableA("RN64CRC_STATUS", NULL);
    }
    void TearDown() override { RemoveTempDir(Dir); }
    std::string Recorded() // the stand-in's last arguments, each ended by a zero byte; then forgotten
    {
        Bytes8 b;
        ReadTestFile(Dir, "args", b);
        DeleteFileA((Dir + "\\args").c_str());
        return std::string(b.begin(), b.end());
    }
    // Runs helper.exe in Dir with its input from a file; returns its status and its output.
    DWORD RunHelper(const std::string& input, std::string* output)
    {
        WriteTestFile(Dir, "input", Bytes8(input.begin(), input.end()));
        SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = CreateFileA((Dir + "\\input").c_str(), GENERIC_READ, 0, &inherit, OPEN_EXISTING, 0, NULL);
        startup.hStdOutput = startup.hStdError =
            CreateFileA((Dir + "\\output").c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, NULL);
        char line[] = "\"" HELPER_PATH "\"";
        PROCESS_INFORMATION process = {};
        DWORD code = 999;
        EXPECT_TRUE(CreateProcessA(NULL, line, NULL, NULL, TRUE, 0, NULL, Dir.c_str(), &startup, &process));
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(startup.hStdInput);
        CloseHandle(startup.hStdOutput);
        Bytes8 text;
        ReadTestFile(Dir, "output", text);
        output->assign(text.begin(), std::remove(text.begin(), text.end(), '\r')); // text mode's CR LF
        return code;
    }
};

// Blanks, tabs, quotes, backslashes before a quote and at the end, an empty argument and text that
// is not ASCII each arrive as one argument, exactly; only status 0 counts as success.
TEST_F(StandIn, EveryArgumentArrivesExactly)
{
    const std::vector<std::string> tricky = { "plain", "two words", "tab\there", "", "quote\"inside", "\"",
        "ends with backslash\\", "back\\\\\"slashes", "\\\\server\\share\\x", "trailing\\\\", "r\xC3\xB6m \xE3\x83\x86.z64" };
    std::vector<const char*> argv = { STAND_IN_PATH };
    std::string recorded;
    for (const std::string& a : tricky) { argv.push_back(a.c_str()); recorded += a + '\0'; }
    argv.push_back(NULL);
    ASSERT_TRUE(RunProgram(argv.data()));
    EXPECT_EQ(Recorded(), recorded);
    SetEnvironmentVariableA("RN64CRC_STATUS", "3");
    EXPECT_FALSE(RunProgram(argv.data()));
    const char* missing[] = { "no-such-program-here.exe", NULL };
    EXPECT_FALSE(RunProgram(missing));
}

// helper.exe injects into a ROM image named in non-ASCII text, starts the tool it finds in the
// working directory (as beside helper.exe for a user) with that name, and as the tool fails,
// writes the checksums itself.
TEST_F(StandIn, HelperInjectsAndPassesANonAsciiRomName)
{
    ASSERT_TRUE(CopyFileA(STAND_IN_PATH, (Dir + "\\rn64crc.exe").c_str(), FALSE));
    const std::string romName = "r\xC3\xB6m-\xC3\xA9t\xC3\xA9-\xE3\x83\x86.z64";
    const std::wstring wideDir(Dir.begin(), Dir.end()), romPath = wideDir + L"\\r\u00F6m-\u00E9t\u00E9-\u30C6.z64";
    const TestImage img = BuildTestImage(TestRelease("pal-1.0"));
    const Bytes8& rom = img.Rom;
    Bytes8 table, data, after;
    GrowTestText(img, TT_EN, 3, table, data);
    ASSERT_TRUE(WriteTestFile(Dir, "rom", rom) && WriteMessagePair(Dir, table, data));
    ASSERT_TRUE(MoveFileW((wideDir + L"\\rom").c_str(), romPath.c_str()));
    SetEnvironmentVariableA("RN64CRC_STATUS", "1");
    std::string out;
    EXPECT_EQ(RunHelper("1\n" + romName + "\n", &out), 0u) << out;
    EXPECT_NE(out.find("The files were successfully injected!\nChecksums updated by helper.\n"),
              std::string::npos) << out;
    EXPECT_EQ(Recorded(), romName + '\0' + "-u" + '\0');
    ASSERT_TRUE(MoveFileW(romPath.c_str(), (wideDir + L"\\rom").c_str()) && ReadTestFile(Dir, "rom", after));
    ASSERT_EQ(after.size(), rom.size());
    EXPECT_TRUE(std::equal(table.begin(), table.end(), after.begin() + img.TableAt[TT_EN]));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin() + img.TextAt[TT_EN]));
    uint32_t crc1 = 0, crc2 = 0;
    ASSERT_TRUE(ComputeBootChecksums(after.data(), after.size(), &crc1, &crc2));
    EXPECT_EQ(ReadWord(&after[0x10]), crc1);
    EXPECT_EQ(ReadWord(&after[0x14]), crc2);
}
