// Windows: how helper starts the checksum tool. The quoting is checked against the system's own
// splitting (CommandLineToArgvW) and, through CreateProcess, against the C runtime's (a stand-in
// rn64crc.exe records the arguments it received); then helper.exe itself injects into a ROM
// image whose name is not ASCII and hands that name to the tool unchanged.
#include "platform.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

typedef std::vector<std::string> Args;
typedef std::vector<uint8_t> Bytes;

// ---- Text and files ---------------------------------------------------------------------------
static std::wstring Wide(const std::string& utf8)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, NULL, 0);
    std::wstring out((size_t)size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], size);
    out.resize((size_t)size - 1);
    return out;
}

static std::string Utf8(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    std::string out((size_t)size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, NULL, NULL);
    out.resize((size_t)size - 1);
    return out;
}

static Bytes ReadAll(const std::wstring& path)
{
    Bytes b;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f) return b;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0) b.insert(b.end(), buf, buf + n);
    fclose(f);
    return b;
}

static bool WriteAll(const std::wstring& path, const Bytes& b)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = b.empty() || fwrite(b.data(), 1, b.size(), f) == b.size();
    return fclose(f) == 0 && ok;
}

// The arguments the stand-in recorded: zero-terminated UTF-8 strings.
static Args Recorded(const std::wstring& record)
{
    Bytes b = ReadAll(record);
    Args args;
    std::string current;
    for (uint8_t c : b)
    {
        if (c == 0) { args.push_back(current); current.clear(); }
        else current += (char)c;
    }
    return args;
}

static std::wstring TempFolder()
{
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    std::wstring dir = std::wstring(base) + L"helper-win-" + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(counter++);
    CreateDirectoryW(dir.c_str(), NULL);
    return dir;
}

static void RemoveFolder(const std::wstring& dir)
{
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") DeleteFileW((dir + L"\\" + name).c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

// Arguments that the quoting must carry through: blanks, tabs, quotes, backslashes before a
// quote and at the end, an empty one, and text that is not ASCII.
static const Args TRICKY = {
    "plain", "two words", "tab\there", "", "quote\"inside", "\"", "ends with backslash\\",
    "C:\\Games\\rom.z64", "C:\\Path With Space\\", "back\\\\\"slashes", "\\\\server\\share\\x",
    "a\\\\b", "-u", "r\xC3\xB6m \xE3\x83\x86.z64", "trailing\\\\",
};

// ---- The command line against the system's own splitting ---------------------------------------
TEST(WindowsCommandLine, SplitsBackIntoTheSameArguments)
{
    for (size_t i = 0; i < TRICKY.size(); i++)
    {
        SCOPED_TRACE(TRICKY[i]);
        const char* argv[] = { "rn64crc.exe", TRICKY[i].c_str(), "-u", NULL };
        std::string line = JoinWindowsCommandLine(argv);
        int count = 0;
        wchar_t** split = CommandLineToArgvW(Wide(line).c_str(), &count);
        ASSERT_NE(split, nullptr);
        ASSERT_EQ(count, 3) << line;
        EXPECT_EQ(Utf8(split[0]), "rn64crc.exe");
        EXPECT_EQ(Utf8(split[1]), TRICKY[i]) << line;
        EXPECT_EQ(Utf8(split[2]), "-u");
        LocalFree(split);
    }
}

TEST(WindowsCommandLine, QuotesOnlyWhatNeedsIt)
{
    const char* simple[] = { "rn64crc.exe", "C:\\roms\\a.z64", "-u", NULL };
    EXPECT_EQ(JoinWindowsCommandLine(simple), "rn64crc.exe C:\\roms\\a.z64 -u");
    const char* spaced[] = { "rn64crc.exe", "C:\\my roms\\", "", NULL };
    EXPECT_EQ(JoinWindowsCommandLine(spaced), "rn64crc.exe \"C:\\my roms\\\\\" \"\"");
}

// ---- Through CreateProcess and the C runtime of the started program ----------------------------
struct StandIn : testing::Test
{
    std::wstring Dir = TempFolder();
    std::wstring Record = Dir + L"\\args";
    void SetUp() override
    {
        SetEnvironmentVariableW(L"RN64CRC_RECORD", Record.c_str());
        SetEnvironmentVariableW(L"RN64CRC_STATUS", NULL);
    }
    void TearDown() override
    {
        SetEnvironmentVariableW(L"RN64CRC_RECORD", NULL);
        SetEnvironmentVariableW(L"RN64CRC_STATUS", NULL);
        RemoveFolder(Dir);
    }
};

TEST_F(StandIn, ReceivesEveryArgumentExactly)
{
    std::vector<const char*> argv = { STAND_IN_PATH };
    for (const std::string& a : TRICKY) argv.push_back(a.c_str());
    argv.push_back(NULL);
    ASSERT_TRUE(RunProgram(argv.data()));
    EXPECT_EQ(Recorded(Record), TRICKY);
}

TEST_F(StandIn, OnlyStatusZeroCountsAsSuccess)
{
    const char* argv[] = { STAND_IN_PATH, "x", NULL };
    SetEnvironmentVariableW(L"RN64CRC_STATUS", L"3");
    EXPECT_FALSE(RunProgram(argv));
    EXPECT_EQ(Recorded(Record), Args{ "x" }); // it did run
    SetEnvironmentVariableW(L"RN64CRC_STATUS", L"0");
    EXPECT_TRUE(RunProgram(argv));
    const char* missing[] = { "no-such-program-here.exe", "x", NULL };
    EXPECT_FALSE(RunProgram(missing));
}

// ---- helper.exe injects and starts the tool ----------------------------------------------------
static const uint32_t WORDS_AT = 78016, TABLE_AT = 12330176, TABLE_BYTES = 16928;
static const uint32_t DATA_AT = 9199616, ROM_BYTES = 12u << 20;

static void PutWord(Bytes& b, size_t at, uint32_t v)
{
    b[at] = (uint8_t)(v >> 24); b[at + 1] = (uint8_t)(v >> 16); b[at + 2] = (uint8_t)(v >> 8); b[at + 3] = (uint8_t)v;
}

// Runs helper.exe in dir with input from a file and the given arguments (UTF-8, already
// quoted); returns its exit status, fills the output.
static DWORD RunHelper(const std::wstring& dir, const std::string& input, std::string* output,
                       const std::string& arguments = "")
{
    std::wstring inName = dir + L"\\input", outName = dir + L"\\output";
    WriteAll(inName, Bytes(input.begin(), input.end()));
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE in = CreateFileW(inName.c_str(), GENERIC_READ, FILE_SHARE_READ, &inherit, OPEN_EXISTING, 0, NULL);
    HANDLE out = CreateFileW(outName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process = {};
    std::wstring line = L"\"" + Wide(HELPER_PATH) + L"\"" + (arguments.empty() ? L"" : L" " + Wide(arguments));
    DWORD code = 999;
    if (CreateProcessW(NULL, &line[0], NULL, NULL, TRUE, 0, NULL, dir.c_str(), &startup, &process))
    {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(in);
    CloseHandle(out);
    Bytes text = ReadAll(outName);
    output->clear();
    for (uint8_t c : text)
        if (c != '\r') *output += (char)c; // standard output is in text mode: lines end in CR LF
    return code;
}

TEST_F(StandIn, HelperInjectsIntoANonAsciiRomAndPassesItsNameUnchanged)
{
    // The tool is found in the working directory, as beside helper.exe for a user.
    ASSERT_TRUE(CopyFileW(Wide(STAND_IN_PATH).c_str(), (Dir + L"\\rn64crc.exe").c_str(), FALSE));
    const std::string romName = "r\xC3\xB6m-\xC3\xA9t\xC3\xA9-\xE3\x83\x86.z64"; // röm-été-テ.z64
    Bytes rom(ROM_BYTES, 0x5A);
    PutWord(rom, WORDS_AT, DATA_AT);
    PutWord(rom, WORDS_AT + 4, DATA_AT + 4000);
    ASSERT_TRUE(WriteAll(Dir + L"\\" + Wide(romName), rom));
    Bytes table(TABLE_BYTES);
    for (size_t i = 0; i < table.size(); i++) table[i] = (uint8_t)(i * 7 + 1);
    Bytes data(1000);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i * 29 + 77);
    ASSERT_TRUE(WriteAll(Dir + L"\\table", table));
    ASSERT_TRUE(WriteAll(Dir + L"\\nes_message_data_static", data));

    std::string output;
    EXPECT_EQ(RunHelper(Dir, "1\n" + romName + "\n", &output), 0u) << output;
    EXPECT_NE(output.find("The files were successfully injected!\n"), std::string::npos) << output;
    EXPECT_EQ(Recorded(Record), (Args{ romName, "-u" }));
    Bytes after = ReadAll(Dir + L"\\" + Wide(romName));
    ASSERT_EQ(after.size(), rom.size());
    EXPECT_TRUE(std::equal(table.begin(), table.end(), after.begin() + TABLE_AT));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), after.begin() + DATA_AT));
    EXPECT_EQ(output.find("Checksums updated by helper."), std::string::npos) << output;

    // A tool that fails: helper writes the checksums itself, and says so.
    SetEnvironmentVariableW(L"RN64CRC_STATUS", L"1");
    EXPECT_EQ(RunHelper(Dir, "1\n" + romName + "\n", &output), 0u) << output;
    EXPECT_NE(output.find("The files were successfully injected!\nChecksums updated by helper.\n"),
              std::string::npos) << output;
    EXPECT_EQ(Recorded(Record), (Args{ romName, "-u" }));
    Bytes header = ReadAll(Dir + L"\\" + Wide(romName));
    ASSERT_EQ(header.size(), rom.size());
    EXPECT_FALSE(std::equal(header.begin() + 0x10, header.begin() + 0x18, rom.begin() + 0x10));

    // The command line takes the name as an argument (UTF-8 through the manifest's code page).
    std::string quoted = "\"" + romName + "\"";
    EXPECT_EQ(RunHelper(Dir, "", &output, "extract " + quoted + " --force"), 0u) << output;
    EXPECT_EQ(ReadAll(Dir + L"\\table"), table);
    Bytes extracted = ReadAll(Dir + L"\\nes_message_data_static");
    ASSERT_EQ(extracted.size(), 1008u); // the injection rounded the data end up to 16 bytes
    EXPECT_TRUE(std::equal(data.begin(), data.end(), extracted.begin()));
}

TEST_F(StandIn, HelperNamesAMissingNonAsciiRomAsTyped)
{
    const std::string romName = "n\xC3\xBC-rom.z64";
    std::string output;
    EXPECT_EQ(RunHelper(Dir, "2\n" + romName + "\n", &output), 1u);
    EXPECT_NE(output.find(romName + " not found or inaccessible!\n"), std::string::npos) << output;
    EXPECT_TRUE(Recorded(Record).empty()); // no tool after a failure
}
