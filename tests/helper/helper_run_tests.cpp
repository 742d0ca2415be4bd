// Runs the real helper binary with piped standard input in a temporary working directory,
// against sparse ROM images built here, and checks its console text, exit status and every
// byte it writes or must leave alone.
#include "helper_harness.h"

// ---- Places in the ROM image, written out here independently of the program -----------------
// A gc-eu-mq-dbg image laid out as the real one: English text (file record 21, its words at
// 0x130C0) at 0x8C6000, the German text 4 KiB above it, the code at 0xA94000 with the table at
// 0xBC24C0 and the four patch places at 0xAE60B7..0xAE60F3.
static const uint64_t ROM_SIZE      = 12u << 20;
static const uint64_t WORDS_AT      = 78016;
static const uint64_t TABLE_AT      = 12330176;
static const uint32_t TABLE_BYTES   = 16928;
static const uint32_t DATA_AT       = 9199616;    // 0x8C6000
static const uint32_t ROOM          = 4096;       // up to the German text

// A table area as the game's holds it: 2116 records of ID, type and position, a zero byte, the
// address byte 0x07 and a text offset, IDs and offsets ascending, 0xFFFC third from the end.
static Bytes GameTable()
{
    Bytes t;
    uint32_t offset = 0;
    for (uint32_t i = 0; i < TABLE_BYTES / 8; i++)
    {
        uint16_t id = (uint16_t)(i + 3 == TABLE_BYTES / 8 ? 0xFFFC : 0x0100 + i * 3);
        const uint8_t record[8] = { (uint8_t)(id >> 8), (uint8_t)id, (uint8_t)((i % 6) << 4 | i % 3), 0x00,
                                    0x07, (uint8_t)(offset >> 16), (uint8_t)(offset >> 8), (uint8_t)offset };
        t.insert(t.end(), record, record + 8);
        offset += 24 + (i * 37) % 160 / 4 * 4;
    }
    return t;
}

// The image with the game's table and 4 KiB of data as its English text, the text's record
// then given the data start and end words, and the image cut or grown to size.
static void MakeRom(const std::string& path, uint32_t start, uint32_t end, uint64_t size = ROM_SIZE)
{
    static Bytes image;
    if (image.empty())
    {
        Bytes table = GameTable(), data = Pattern(4096, 13, 5);
        TestImageOptions options = DebugReleaseLayout();
        options.EnglishTable = &table;
        options.EnglishData = &data;
        image = BuildTestImage(TestRelease("gc-eu-mq-dbg"), options).Rom;
    }
    Bytes rom = image;
    PutTestWord(rom, WORDS_AT, start);
    PutTestWord(rom, WORDS_AT + 4, end);
    rom.resize(size, 0);
    ASSERT_TRUE(WriteImageFile(path, rom)) << path;
}

// A table of 2116 records whose last two records carry the given text offsets; byte 4 of each
// record (the high byte of its data address) is 0x07 and must not reach the patches.
static Bytes MakeTable(uint32_t offsetA, uint32_t offsetB)
{
    Bytes t = Pattern(TABLE_BYTES, 11, 1);
    for (uint32_t rec = 0; rec < TABLE_BYTES; rec += 8) t[rec + 4] = 0x07;
    const uint32_t recA = 16912, recB = 16920;
    t[recA + 5] = (uint8_t)(offsetA >> 16); t[recA + 6] = (uint8_t)(offsetA >> 8); t[recA + 7] = (uint8_t)offsetA;
    t[recB + 5] = (uint8_t)(offsetB >> 16); t[recB + 6] = (uint8_t)(offsetB >> 8); t[recB + 7] = (uint8_t)offsetB;
    return t;
}

static Bytes ExpectedAfterInjection(Bytes rom, uint32_t newEnd, const Bytes& table, const Bytes& data,
                                    uint8_t highA, uint16_t lowA, uint8_t highB, uint16_t lowB)
{
    Bytes w = Word(newEnd);
    std::copy(w.begin(), w.end(), rom.begin() + WORDS_AT + 4);
    std::copy(table.begin(), table.end(), rom.begin() + TABLE_AT);
    std::copy(data.begin(), data.end(), rom.begin() + DATA_AT);
    rom[0xAE60B7] = highA; rom[0xAE60BA] = (uint8_t)(lowA >> 8); rom[0xAE60BB] = (uint8_t)lowA;
    rom[0xAE60C7] = highB; rom[0xAE60F2] = (uint8_t)(lowB >> 8); rom[0xAE60F3] = (uint8_t)lowB;
    return rom;
}

// Compares two ROM images and names the first differing offset instead of dumping megabytes.
// ---- Extraction -------------------------------------------------------------------------------
TEST_F(HelperRun, ExtractionCopiesTableAndDataRangeExactly)
{
    // The data range follows the words, wherever they point.
    MakeRom(Rom, DATA_AT + 16, DATA_AT + 16 + 1003);
    Bytes before = ReadAll(Rom);
    RunResult r = Run("2\nrom.z64\n");
    EXPECT_EQ(r.Out, Expected("The files were successfully extracted!\n"));
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Table(), Slice(before, TABLE_AT, TABLE_BYTES));
    EXPECT_EQ(Data(), Slice(before, DATA_AT + 16, 1003));
    EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, ExtractionOfEmptyRangeAndModeOnTheSameLine)
{
    MakeRom(Rom, DATA_AT, DATA_AT);
    RunResult r = Run("+2 rom.z64");
    EXPECT_EQ(r.Out, Expected("The files were successfully extracted!\n"));
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Table().size(), TABLE_BYTES);
    EXPECT_TRUE(Exists(Dir / "nes_message_data_static"));
    EXPECT_EQ(Data().size(), 0u);
}

TEST_F(HelperRun, OverwriteQuestionAnswersThatOverwrite)
{
    for (const char* answer : { "1", "0", "7" })
        for (int which = 0; which < 2; which++) // only table, then only the data file
        {
            remove((Dir / "table").c_str());
            remove((Dir / "nes_message_data_static").c_str());
            MakeRom(Rom, DATA_AT, DATA_AT + 40);
            Bytes rom = ReadAll(Rom);
            WriteAll(Dir / (which == 0 ? "table" : "nes_message_data_static"), Bytes{ 1, 2, 3 });
            RunResult r = Run(std::string("2\nrom.z64\n") + answer + "\n");
            EXPECT_EQ(r.Out, Expected(std::string(QUESTION) + "The files were successfully extracted!\n")) << answer;
            EXPECT_EQ(r.Status, 0) << answer;
            EXPECT_EQ(Table(), Slice(rom, TABLE_AT, TABLE_BYTES)) << answer;
            EXPECT_EQ(Data(), Slice(rom, DATA_AT, 40)) << answer;
        }
}

TEST_F(HelperRun, OverwriteQuestionAnswersThatKeep)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    Bytes rom = ReadAll(Rom);
    const Bytes oldTable{ 9, 8, 7 }, oldData{ 6, 5 };
    for (const char* answer : { "2\n", "+2\n", "no\n", "2.0\n", "" }) // "" is end of input
    {
        PutFiles(oldTable, oldData);
        RunResult r = Run(std::string("2\nrom.z64\n") + answer);
        EXPECT_EQ(r.Out, Expected(std::string(QUESTION) + "The files were not replaced.\n")) << answer;
        EXPECT_EQ(r.Status, 2) << answer;
        EXPECT_EQ(Table(), oldTable) << answer;
        EXPECT_EQ(Data(), oldData) << answer;
        EXPECT_TRUE(SameRom(rom, ReadAll(Rom)));
    }
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, ExtractionThatCannotWriteKeepsTheOldFiles)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    // A non-empty directory where table should go cannot be replaced by a file.
    ASSERT_EQ(mkdir((Dir / "table").c_str(), 0755), 0);
    WriteAll(Dir / "table/keep", Bytes{ 1 });
    const Bytes oldData{ 4, 4, 4, 4 };
    WriteAll(Dir / "nes_message_data_static", oldData);
    RunResult r = Run("2\nrom.z64\n1\n");
    EXPECT_EQ(r.Out, Expected(std::string(QUESTION) + "Writing table failed; the old file was kept.\n"));
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(Data(), oldData);
    EXPECT_EQ(ReadAll(Dir / "table/keep"), Bytes{ 1 });
    // No temporary file is left behind.
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
}

TEST_F(HelperRun, ExtractionWriteFailureKeepsTheOldFiles)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 300000);
    const Bytes oldTable{ 1, 2, 3 }, oldData{ 4, 5 };
    PutFiles(oldTable, oldData);
    // The table fits under the limit, the data does not.
    RunResult r = RunHelper(Dir.Path, "2\nrom.z64\n1\n", Tool.SearchPath, 100000);
    EXPECT_EQ(r.Out, Expected(std::string(QUESTION) + "Writing nes_message_data_static failed; the old file was kept.\n"));
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(Table(), oldTable);
    EXPECT_EQ(Data(), oldData);
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
}

// ---- Injection --------------------------------------------------------------------------------
struct InjectCase
{
    size_t   DataSize;
    uint32_t OffsetA, OffsetB;
    uint32_t NewEnd;
    uint8_t  HighA; uint16_t LowA;
    uint8_t  HighB; uint16_t LowB;
};

TEST_F(HelperRun, InjectionWritesExactlyTheExpectedBytes)
{
    const InjectCase cases[] = {
        { 1000, 0x01ABCD, 0x017FFF, DATA_AT + 1008, 0x02, 0xABCD, 0x01, 0x7FFF },
        { 1008, 0xFF9000, 0x01ABCD, DATA_AT + 1008, 0x00, 0x9000, 0x02, 0xABCD },
        { 0,    0x017FFF, 0xFF9000, DATA_AT,        0x01, 0x7FFF, 0x00, 0x9000 },
    };
    for (const InjectCase& c : cases)
    {
        SCOPED_TRACE(c.DataSize);
        MakeRom(Rom, DATA_AT, DATA_AT + 4000);
        Bytes before = ReadAll(Rom);
        Bytes table = MakeTable(c.OffsetA, c.OffsetB);
        Bytes data = Pattern(c.DataSize, 29, 77);
        PutFiles(table, data);
        remove((Tool.Bin / "args").c_str());
        RunResult r = Run("1\nrom.z64\n");
        EXPECT_EQ(r.Out, Expected("The files were successfully injected!\n"));
        EXPECT_EQ(r.Err, "");
        EXPECT_EQ(r.Status, 0);
        Bytes after = ReadAll(Rom);
        EXPECT_TRUE(SameRom(ExpectedAfterInjection(before, c.NewEnd, table, data,
                                                   c.HighA, c.LowA, c.HighB, c.LowB), after));
        // The byte before each high byte, which holds the top of the address, stays.
        EXPECT_EQ(after[0xAE60B6], before[0xAE60B6]);
        EXPECT_EQ(after[0xAE60C6], before[0xAE60C6]);
        EXPECT_EQ(Table(), table); // the message files are only read
        EXPECT_EQ(Data(), data);
        EXPECT_EQ(Tool.Args(), "2\n[rom.z64]\n[-u]\n");
    }
}

TEST_F(HelperRun, ExtractThenInjectUnchangedKeepsTableAndData)
{
    for (uint32_t size : { 1003u, 1008u })
    {
        SCOPED_TRACE(size);
        MakeRom(Rom, DATA_AT, DATA_AT + size);
        Bytes before = ReadAll(Rom);
        remove((Dir / "table").c_str());
        remove((Dir / "nes_message_data_static").c_str());
        ASSERT_EQ(Run("2\nrom.z64\n").Status, 0);
        ASSERT_EQ(Run("1\nrom.z64\n").Status, 0);
        Bytes after = ReadAll(Rom);
        EXPECT_EQ(Slice(after, TABLE_AT, TABLE_BYTES), Slice(before, TABLE_AT, TABLE_BYTES));
        EXPECT_EQ(Slice(after, DATA_AT, 4096), Slice(before, DATA_AT, 4096));
        EXPECT_EQ(WordIn(after, WORDS_AT), DATA_AT);
        EXPECT_EQ(WordIn(after, WORDS_AT + 4), DATA_AT + (size + 15) / 16 * 16);
    }
}

TEST_F(HelperRun, InjectionWithMissingFilesStopsWithStatusThree)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    Bytes before = ReadAll(Rom);
    for (int present = 0; present < 3; present++) // none, only table, only the data file
    {
        remove((Dir / "table").c_str());
        remove((Dir / "nes_message_data_static").c_str());
        if (present == 1) WriteAll(Dir / "table", MakeTable(1, 2));
        if (present == 2) WriteAll(Dir / "nes_message_data_static", Bytes(10, 1));
        RunResult r = Run("1\nrom.z64\n");
        EXPECT_EQ(r.Out, Expected("Necessary files not found!\n")) << present;
        EXPECT_EQ(r.Status, 3) << present;
        EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
    }
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, InjectionWriteFailureEndsWithStatusFive)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    PutFiles(MakeTable(1, 2), Bytes(24, 0x41));
    // Writes below 1 MiB (the data end word) succeed, the table area lies beyond.
    RunResult r = RunHelper(Dir.Path, "1\nrom.z64\n", Tool.SearchPath, 1 << 20);
    EXPECT_EQ(r.Out, Expected("Writing the ROM image failed; it may be partly changed.\n"));
    EXPECT_EQ(r.Status, 5);
    EXPECT_FALSE(Tool.Started());
}

// ---- Refusals ---------------------------------------------------------------------------------
struct RefusalCase
{
    const char* Name;
    int         Mode;
    uint32_t    Start, End;
    uint64_t    RomSize;
    size_t      TableSize, DataSize;
    const char* Line;
};

static const char NOT_A_RELEASE[] =
    "The ROM image is none of the releases this tool knows (it looked for a file table at 0x7170, 0x7430, "
    "0x7950, 0x7960 or 0x12F70 naming the program code with the English message table in it); nothing was written.";

TEST_F(HelperRun, RefusalsWriteNothing)
{
    const RefusalCase cases[] = {
        // An image cut inside the program code, and English records that lie outside the image
        // or end below their start: no release's facts fit.
        { "short rom, extract", 2, DATA_AT, DATA_AT + 8, 12347103, 16928, 8, NOT_A_RELEASE },
        { "short rom, inject", 1, DATA_AT, DATA_AT + 8, 12347103, 16928, 8, NOT_A_RELEASE },
        { "tiny rom", 2, 0, 0, 100, 16928, 8, NOT_A_RELEASE },
        { "end below start, extract", 2, DATA_AT, DATA_AT - 1, ROM_SIZE, 16928, 8, NOT_A_RELEASE },
        { "end below start, inject", 1, DATA_AT, DATA_AT - 1, ROM_SIZE, 16928, 8, NOT_A_RELEASE },
        { "range beyond end", 2, 0x00BF0000, 0x00C00001, ROM_SIZE, 16928, 8, NOT_A_RELEASE },
        { "table too short", 1, DATA_AT, DATA_AT + 8, ROM_SIZE, 16927, 8,
          "table holds 16927 bytes, not 16928; nothing was written." },
        { "table too long", 1, DATA_AT, DATA_AT + 8, ROM_SIZE, 16929, 8,
          "table holds 16929 bytes, not 16928; nothing was written." },
        { "one-record table", 1, DATA_AT, DATA_AT + 8, ROM_SIZE, 8, 8,
          "table holds 8 bytes, not 16928; nothing was written." },
        { "data past the German text", 1, DATA_AT, DATA_AT + 8, ROM_SIZE, 16928, ROOM + 1,
          "nes_message_data_static is 16 bytes too long: rounded up to 16, the English text would run over the "
          "German text, which starts 4096 bytes after its start; nothing was written. helper inject ROM --use-other-languages "
          "lets it run over the German and French texts." },
        { "data 8 KB too long", 1, DATA_AT, DATA_AT + 8, ROM_SIZE, 16928, ROOM + 8192,
          "nes_message_data_static is 8192 bytes too long: rounded up to 16, the English text would run over the "
          "German text, which starts 4096 bytes after its start; nothing was written. helper inject ROM --use-other-languages "
          "lets it run over the German and French texts." },
        { "moved data start, past the German text", 1, DATA_AT + 16, DATA_AT + 32, ROM_SIZE, 16928, ROOM - 15,
          "nes_message_data_static is 16 bytes too long: rounded up to 16, the English text would run over the "
          "German text, which starts 4080 bytes after its start; nothing was written. helper inject ROM --use-other-languages "
          "lets it run over the German and French texts." },
    };
    for (const RefusalCase& c : cases)
    {
        SCOPED_TRACE(c.Name);
        MakeRom(Rom, c.Start, c.End, c.RomSize);
        Bytes table = MakeTable(1, 2), data = Pattern(c.DataSize, 5, 1);
        table.resize(c.TableSize, 0x07);
        PutFiles(table, data);
        Bytes before = ReadAll(Rom);
        RunResult r = Run(std::to_string(c.Mode) + "\nrom.z64\n1\n");
        EXPECT_EQ(r.Out, Expected(std::string(c.Line) + "\n"));
        EXPECT_EQ(r.Status, 4);
        EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
        EXPECT_EQ(Table(), table);
        EXPECT_EQ(Data(), data);
    }
    // A record without the address byte would make the image unreadable afterwards.
    MakeRom(Rom, DATA_AT, DATA_AT + 8);
    Bytes table = MakeTable(1, 2);
    table[5 * 8 + 4] = 0x08;
    PutFiles(table, Bytes(8, 1));
    RunResult r = Command({ "inject", "rom.z64" });
    EXPECT_EQ(r.Err, "Record 5 of table holds 0x08 where the address byte 0x07 belongs; nothing was written.\n");
    EXPECT_EQ(r.Status, 4);
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, LimitsThatAreStillAccepted)
{
    // Data that fills the room up to the German text exactly; and a data start word moved
    // up: the data goes where the record says.
    for (uint32_t start : { DATA_AT, DATA_AT + 16 })
    {
        SCOPED_TRACE(start);
        MakeRom(Rom, start, start + 8);
        Bytes before = ReadAll(Rom);
        PutFiles(MakeTable(0x10, 0x20), Pattern(DATA_AT + ROOM - start, 3, 3));
        RunResult r = Run("1\nrom.z64\n");
        EXPECT_EQ(r.Out, Expected("The files were successfully injected!\n"));
        EXPECT_EQ(r.Status, 0);
        Bytes after = ReadAll(Rom);
        EXPECT_EQ(WordIn(after, WORDS_AT), start);
        EXPECT_EQ(WordIn(after, WORDS_AT + 4), DATA_AT + ROOM);
        EXPECT_EQ(Slice(after, start, Data().size()), Data());
        EXPECT_EQ(Slice(after, DATA_AT + ROOM, 4096), Slice(before, DATA_AT + ROOM, 4096)); // the German text
    }

    // Extraction of a range that ends exactly at the end of the image.
    MakeRom(Rom, 0x00BF0000, 0x00C00000);
    RunResult r = Run("2\nrom.z64\n1\n");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Data().size(), 0x10000u);
}

// ---- Modes and the ROM path -------------------------------------------------------------------
TEST_F(HelperRun, InvalidModesWriteNothingAndEndWithZero)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    Bytes before = ReadAll(Rom);
    for (const char* mode : { "0\n", "3\n", "9\n", "-1\n", "1.5\n", "abc def\n", "99999999999\n" })
    {
        RunResult r = Run(std::string(mode) + "rom.z64\n");
        EXPECT_EQ(r.Out, Expected("That is not a valid selection!\n")) << mode;
        EXPECT_EQ(r.Status, 0) << mode;
    }
    EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
    EXPECT_FALSE(Exists(Dir / "table"));
    EXPECT_FALSE(Exists(Dir / "nes_message_data_static"));
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, RomThatCannotBeOpened)
{
    RunResult r = Run("2\nmissing.z64\n");
    EXPECT_EQ(r.Out, Expected("missing.z64 not found or inaccessible!\n"));
    EXPECT_EQ(r.Status, 1);

    ASSERT_EQ(mkdir((Dir / "adir").c_str(), 0755), 0);
    r = Run("1\nadir\n");
    EXPECT_EQ(r.Out, Expected("adir not found or inaccessible!\n"));
    EXPECT_EQ(r.Status, 1);

    r = Run("2\n"); // end of input before any path
    EXPECT_EQ(r.Out, Expected(" not found or inaccessible!\n"));
    EXPECT_EQ(r.Status, 1);
    EXPECT_FALSE(Tool.Started());
}

TEST_F(HelperRun, ReadOnlyRomCannotBeOpened)
{
    if (geteuid() == 0) GTEST_SKIP() << "root may write to a read-only file";
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    ASSERT_EQ(chmod(Rom.c_str(), 0444), 0);
    for (const char* mode : { "1", "2" })
    {
        RunResult r = Run(std::string(mode) + "\nrom.z64\n");
        EXPECT_EQ(r.Out, Expected("rom.z64 not found or inaccessible!\n"));
        EXPECT_EQ(r.Status, 1);
    }
    EXPECT_FALSE(Exists(Dir / "table"));
}

TEST_F(HelperRun, PathWithShellCharactersAndNoLengthLimit)
{
    // Quote, semicolon and dollar reach the file open and the tool as they are.
    const std::string odd = "we\"ird;$HOME$(false)`x`rom.z64";
    MakeRom(Dir / odd, DATA_AT, DATA_AT + 40);
    PutFiles(MakeTable(1, 2), Bytes(24, 0x41));
    RunResult r = Run("1\n" + odd + "\n");
    EXPECT_EQ(r.Out, Expected("The files were successfully injected!\n"));
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Tool.Args(), "2\n[" + odd + "]\n[-u]\n");
    // The tool starts after the image is closed: it sees the final bytes.
    EXPECT_TRUE(SameRom(ReadAll(Dir / odd), ReadAll(Tool.Bin / "seen.rom")));

    // A path far longer than any fixed buffer: nested directories, 600 characters in all.
    std::string rel;
    for (int i = 0; i < 5; i++)
    {
        rel += std::string(110, (char)('a' + i));
        ASSERT_EQ(mkdir((Dir / rel).c_str(), 0755), 0);
        rel += "/";
    }
    rel += "rom.z64";
    MakeRom(Dir / rel, DATA_AT, DATA_AT + 40);
    r = Run("2\n" + rel + "\n1\n");
    EXPECT_EQ(r.Out, Expected(std::string(QUESTION) + "The files were successfully extracted!\n"));
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Data(), Slice(ReadAll(Dir / rel), DATA_AT, 40));

    std::string missing = std::string(3000, 'm') + ";\"$";
    r = Run("2\n" + missing + "\n");
    EXPECT_EQ(r.Out, Expected(missing + " not found or inaccessible!\n"));
    EXPECT_EQ(r.Status, 1);
}

// ---- Checksums ------------------------------------------------------------------------------
// A ROM with code in the checksummed range and stale checksums in its header.
static void MakeCodeRom(const std::string& path)
{
    MakeRom(path, DATA_AT, DATA_AT + 40);
    WriteAt(path, 0x10, Pattern(8, 0, 0x11));
    WriteAt(path, 0x1000, Pattern(0x11F00, 31, 7));   // below the file table at 0x12F70
    WriteAt(path, 0x14000, Pattern(0xED000, 17, 3));  // up to the end of the range, 0x101000
}

// The image with the checksum words computed over it (the known answers test the function).
static Bytes WithChecksums(Bytes rom)
{
    uint32_t crc[2] = { 0, 0 };
    EXPECT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc[0], &crc[1]));
    for (int i = 0; i < 8; i++) rom[0x10 + i] = (uint8_t)(crc[i / 4] >> (24 - 8 * (i % 4))); // big-endian
    return rom;
}

static const char INJECTED[] = "The files were successfully injected!\n";
static const char UPDATED[] = "Checksums updated by helper.\n";

TEST_F(HelperRun, ChecksumsWrittenByHelperOnlyWhenTheToolDoesNot)
{
    ChecksumStandIn failing(3);
    struct { std::vector<std::string> Args; std::string Path, Out; bool Ours; } cases[] = {
        { { "inject", "--no-checksum", "rom.z64" }, Tool.SearchPath, INJECTED, false }, // header alone
        { {}, Tool.SearchPath, Expected(INJECTED), false },                  // the tool succeeds
        { {}, failing.SearchPath, Expected(std::string(INJECTED) + UPDATED), true },
        { { "inject", "rom.z64" }, PLAIN_PATH, std::string(INJECTED) + UPDATED, true }, // no tool
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Out);
        MakeCodeRom(Rom);
        Bytes table = MakeTable(0x01ABCD, 0x017FFF), data = Pattern(1000, 29, 77);
        PutFiles(table, data);
        Bytes want = ExpectedAfterInjection(ReadAll(Rom), DATA_AT + 1008, table, data, 0x02, 0xABCD, 0x01, 0x7FFF);
        // The dialogue, or the command line; the stand-in itself changes nothing.
        RunResult r = c.Args.empty() ? RunHelper(Dir.Path, "1\nrom.z64\n", c.Path) : Command(c.Args, c.Path);
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_EQ(r.Err, "");
        EXPECT_EQ(r.Status, 0);
        EXPECT_TRUE(SameRom(c.Ours ? WithChecksums(want) : want, ReadAll(Rom)));
        if (c.Args.size() == 3) { EXPECT_FALSE(Tool.Started()); }
    }
    EXPECT_EQ(Tool.Args(), "2\n[rom.z64]\n[-u]\n");
    EXPECT_EQ(failing.Args(), "2\n[rom.z64]\n[-u]\n");
}

// ---- Byte-swapped images ------------------------------------------------------------------------
TEST_F(HelperRun, ByteSwappedImagesAreRefusedUntouched)
{
    struct { uint32_t First; const char* Line; } orders[] = {
        { 0x37804012, "The ROM image is byte-swapped in 16-bit units (it starts 37 80 40 12); convert it "
                      "to the big-endian order (80 37 12 40) first; nothing was written.\n" },
        { 0x40123780, "The ROM image is byte-swapped in 32-bit units (it starts 40 12 37 80); convert it "
                      "to the big-endian order (80 37 12 40) first; nothing was written.\n" },
    };
    const Bytes table = MakeTable(1, 2), data(24, 0x41);
    for (const auto& order : orders)
        for (int mode = 1; mode <= 2; mode++)
        {
            MakeRom(Rom, DATA_AT, DATA_AT + 40);
            WriteAt(Rom, 0, Word(order.First));
            PutFiles(table, data);
            Bytes before = ReadAll(Rom);
            RunResult r = Run(std::to_string(mode) + "\nrom.z64\n1\n");
            EXPECT_EQ(r.Out, Expected(order.Line)); // before the overwrite question
            EXPECT_EQ(r.Status, 4);
            EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
            EXPECT_EQ(Table(), table);
            EXPECT_EQ(Data(), data);
        }
    EXPECT_FALSE(Tool.Started());
}

// ---- Images without the game's message table --------------------------------------------------
TEST_F(HelperRun, ImagesWithoutTheMessageTableAreRefusedUntouched)
{
    const std::string line = std::string(NOT_A_RELEASE) + "\n";
    struct { const char* Name; Bytes Area; } images[] = {
        { "noise", Pattern(TABLE_BYTES, 7, 3) }, { "last record", GameTable() }, { "middle record", GameTable() },
    };
    images[1].Area[TABLE_BYTES - 4] = 0x08;
    images[2].Area[1000 * 8 + 4] = 0x00;
    const Bytes table = GameTable(), data(24, 0x41);
    const std::vector<std::string> lines[2] = { { "inject", "rom.z64" }, { "extract", "rom.z64", "--force" } };
    for (const auto& image : images)
        for (int mode = 1; mode <= 2; mode++)
            for (bool commandLine : { false, true })
            {
                SCOPED_TRACE(std::string(image.Name) + ", mode " + std::to_string(mode) + (commandLine ? ", command line" : ""));
                MakeRom(Rom, DATA_AT, DATA_AT + 40);
                WriteAt(Rom, TABLE_AT, image.Area);
                PutFiles(table, data); // extraction would ask before replacing them
                Bytes before = ReadAll(Rom);
                RunResult r = commandLine ? Command(lines[mode - 1]) : Run(std::to_string(mode) + "\nrom.z64\n1\n");
                EXPECT_EQ(commandLine ? r.Err : r.Out, commandLine ? line : Expected(line));
                EXPECT_EQ(commandLine ? r.Out : r.Err, "");
                EXPECT_EQ(r.Status, 4);
                EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
                EXPECT_EQ(Table(), table);
                EXPECT_EQ(Data(), data);
                EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
            }
    EXPECT_FALSE(Tool.Started());
}

// ---- Command line ---------------------------------------------------------------------------------
TEST_F(HelperRun, CommandLineExtractReplacesOnlyWithForce)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    Bytes rom = ReadAll(Rom);
    const Bytes oldData{ 6, 5 };
    WriteAll(Dir / "nes_message_data_static", oldData);
    RunResult r = Command({ "extract", "rom.z64" });
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "Text data files exist; the files were not replaced (--force replaces them).\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(Data(), oldData);
    EXPECT_FALSE(Exists(Dir / "table"));

    r = Command({ "extract", "rom.z64", "--force" });
    EXPECT_EQ(r.Out, "The files were successfully extracted!\n"); // no question, no pause
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(Table(), Slice(rom, TABLE_AT, TABLE_BYTES));
    EXPECT_EQ(Data(), Slice(rom, DATA_AT, 40));
    EXPECT_TRUE(SameRom(rom, ReadAll(Rom)));
}

TEST_F(HelperRun, LinesThatTransferNothing)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    PutFiles(MakeTable(1, 2), Bytes(24, 0x41));
    Bytes before = ReadAll(Rom);
    RunResult r = Command({ "inject", "rom.z64", "--force" });
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "helper: --force belongs to extract and decompress\nUsage: helper extract|inject|info ROM "
                     "[options] | helper decompress ROM OUT [--force] | helper --help | helper --version\n");
    EXPECT_EQ(r.Status, 64);
    r = Command({ "--version" });
    EXPECT_EQ(r.Out, std::string("helper ") + VELLORAN_VERSION + "\n");
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Status, 0);
    r = Command({ "--help" });
    EXPECT_EQ(r.Out.compare(0, 14, "Usage: helper "), 0) << r.Out;
    EXPECT_NE(r.Out.find("Exit status"), std::string::npos);
    EXPECT_EQ(r.Status, 0);
    // The packaging check: an invalid mode on a device ends with status 0, as it always did.
    r = Run("3\n/dev/null\n");
    EXPECT_EQ(r.Out, Expected("That is not a valid selection!\n"));
    EXPECT_EQ(r.Status, 0);
    EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
    EXPECT_EQ(Table(), MakeTable(1, 2));
    EXPECT_FALSE(Tool.Started());
}

// ---- Pause ------------------------------------------------------------------------------------
TEST_F(HelperRun, PauseDiscardsTheTypedRestOfLineThenWaitsForEnter)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    for (const char* typed : { "9\nrom.z64 and more words\n", "9\nrom.z64\n", "9 rom.z64\n" })
    {
        Session s = Start(Dir.Path, Tool.SearchPath);
        ASSERT_GT(s.Pid, 0);
        Send(s, typed);
        int status = 0;
        EXPECT_FALSE(ExitedWithin(s, 300, &status)) << typed; // still waiting for Enter
        Send(s, "\n");
        EXPECT_TRUE(ExitedWithin(s, 5000, &status)) << typed;
        RunResult r = Finish(s, status);
        EXPECT_EQ(r.Out, Expected("That is not a valid selection!\n"));
        EXPECT_EQ(r.Status, 0);
    }
}

TEST_F(HelperRun, PauseAfterTheOverwriteAnswerAlsoWaits)
{
    MakeRom(Rom, DATA_AT, DATA_AT + 40);
    PutFiles(Bytes{ 1 }, Bytes{ 2 });
    Session s = Start(Dir.Path, Tool.SearchPath);
    ASSERT_GT(s.Pid, 0);
    Send(s, "2\nrom.z64\n2 trailing\n");
    int status = 0;
    EXPECT_FALSE(ExitedWithin(s, 300, &status));
    Send(s, "\n");
    EXPECT_TRUE(ExitedWithin(s, 5000, &status));
    RunResult r = Finish(s, status);
    EXPECT_EQ(r.Status, 2);
}
