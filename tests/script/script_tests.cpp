// velloran-script: the round trip of export and import, what import accepts and refuses, the
// check's findings, and the command line in a temporary directory.
#include "script.h"
#include "encoding.h"
#include "testdata.h"
#include "velloran_version.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// ---- Helpers ----
static bool Store(MessageStore& store, const std::vector<uint8_t>& table, const std::vector<uint8_t>& data)
{
    return TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size());
}

static std::string Export(const std::vector<uint8_t>& table, const std::vector<uint8_t>& data,
                          std::vector<std::string>* notesOut = nullptr)
{
    MessageStore store;
    EXPECT_TRUE(Store(store, table, data));
    std::string script;
    std::vector<std::string> notes;
    ExportScript(store, script, notes);
    if (notesOut) *notesOut = notes;
    return script;
}

static ScriptPair Parse(const std::string& script)
{
    ScriptPair pair;
    ParseScript((const uint8_t*)script.data(), script.size(), "m.txt", pair);
    return pair;
}

// Export then import gives both files back byte for byte, and export says nothing.
static void ExpectExactRoundTrip(const std::vector<uint8_t>& table, const std::vector<uint8_t>& data)
{
    std::vector<std::string> notes;
    std::string script = Export(table, data, &notes);
    EXPECT_TRUE(notes.empty()) << notes[0];
    ScriptPair pair = Parse(script);
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0] << "\n" << script;
    EXPECT_EQ(pair.Table, table);
    EXPECT_EQ(pair.Data, data) << script;
}

static std::vector<uint8_t> B(std::initializer_list<uint8_t> bytes) { return std::vector<uint8_t>(bytes); }

static void SetOffset(std::vector<uint8_t>& table, uint32_t entry, uint32_t offset)
{
    table[entry * 8 + 5] = (uint8_t)(offset >> 16);
    table[entry * 8 + 6] = (uint8_t)(offset >> 8);
    table[entry * 8 + 7] = (uint8_t)offset;
}

// ---- Round trip ----
TEST(ScriptRoundTrip, GeneratedPairsComeBackByteForByte)
{
    for (uint32_t seed = 1; seed <= 4; seed++)
    {
        std::vector<uint8_t> table, data;
        GenerateMessagePair(seed, table, data);
        ExpectExactRoundTrip(table, data);
    }
}

// Random tables over random bytes that the store accepts: every script export writes is read
// back without error; where export notes nothing the pair comes back exactly, elsewhere import
// gives an aligned pair with the same entries whose second export is exact.
TEST(ScriptRoundTrip, RandomByteSoupsTheStoreAccepts)
{
    TestRandom random(12);
    int exact = 0, normalised = 0;
    for (int round = 0; round < 300; round++)
    {
        uint32_t size = 1 + random.Below(600);
        std::vector<uint8_t> data(size);
        for (uint8_t& b : data)
            b = (uint8_t)(random.Chance(30) ? random.Below(0x20) : random.Chance(20) ? random.Next() : 0x20 + random.Below(0x5F));
        uint32_t entries = 1 + random.Below(12);
        std::vector<uint32_t> offsets(entries);
        for (uint32_t& o : offsets) o = random.Chance(30) ? 0 : random.Below(size);
        std::sort(offsets.begin(), offsets.end());
        bool aligned = random.Chance(50);
        std::vector<uint8_t> table;
        for (uint32_t e = 0; e < entries; e++)
        {
            uint32_t o = aligned ? offsets[e] & ~3u : offsets[e];
            uint8_t entry[8] = { (uint8_t)random.Next(), (uint8_t)random.Next(), (uint8_t)random.Next(),
                                 (uint8_t)(random.Chance(80) ? 0 : random.Next()), (uint8_t)(random.Chance(80) ? 7 : random.Next()),
                                 (uint8_t)(o >> 16), (uint8_t)(o >> 8), (uint8_t)o };
            table.insert(table.end(), entry, entry + 8);
        }
        MessageStore store;
        ASSERT_TRUE(Store(store, table, data));
        std::vector<std::string> notes;
        std::string script;
        ExportScript(store, script, notes);
        ScriptPair pair = Parse(script);
        ASSERT_TRUE(pair.Errors.empty()) << round << ": " << pair.Errors[0] << "\n" << script;
        ASSERT_EQ(pair.Table.size(), table.size());
        if (notes.empty())
        {
            EXPECT_EQ(pair.Table, table) << round;
            EXPECT_EQ(pair.Data, data) << round;
            exact++;
            continue;
        }
        normalised++;
        for (uint32_t e = 0; e < entries; e++)
        {
            EXPECT_EQ(0, memcmp(&pair.Table[e * 8], &table[e * 8], 5)) << round; // ID, type, reserved, high
            EXPECT_EQ(TableOffset(pair.Table, e * 8) % 4, 0u);
        }
        std::vector<std::string> again;
        std::string second = Export(pair.Table, pair.Data, &again);
        EXPECT_TRUE(again.empty()) << round << ": " << again[0];
        ScriptPair back = Parse(second);
        EXPECT_EQ(back.Data, pair.Data) << round;
    }
    EXPECT_GT(exact, 10);
    EXPECT_GT(normalised, 10);
}

// ---- Exactness ----
TEST(ScriptExactness, ByteForByteWhereTheTextIsHardToWrite)
{
    std::vector<std::vector<uint8_t>> messages = {
        Bytes("Ends in blanks  ") + B({ CC_LINE_BREAK }) + Bytes(" ") + B({ CC_LINE_BREAK, CC_LINE_BREAK, CC_END }),
        Bytes("@home {braces} {{x}} back\\slash #1") + B({ CC_LINE_BREAK }) + Bytes("@again") + B({ CC_END }),
        B({ CC_LINE_BREAK, CC_BOX_BREAK, CC_LINE_BREAK, CC_BOX_BREAK_ALT, CC_BOX_BREAK, CC_END }),
        B({ CC_ICON, 0, TEXT_NUL, 0x9E, 0xAB, 0xFF, CC_SHIFT, CC_END, CC_ICON, CC_BOX_BREAK, CC_COLOR, 0x52, CC_END }),
        B({ CC_SOUND, 0x59, 0x65, CC_SOUND, 0x48, 0x6F, CC_SOUND, 0x12, 0x34, CC_SOUND, 0x68, 0x44, CC_PLAYER, CC_END }),
        B({ 0x7F, 0x8E, 0x9D, 0x9F, 0xAA, CC_PASS_08, CC_PASS_09, CC_PASS_15, CC_PASS_1A, 0x03, 0x1F, CC_END }),
        B({ CC_END }),
    };
    std::vector<uint8_t> table, data;
    BuildMessagePair(messages, table, data);
    ExpectExactRoundTrip(table, data);

    // Entry fields the header writes only when unusual: type and position nibbles 6..15,
    // reserved byte, high address byte.
    table[2] = 0x97;
    table[3] = 0x5A;
    table[4] = 0x08;
    table[10] = 0x52;
    ExpectExactRoundTrip(table, data);
}

TEST(ScriptExactness, SharedTextsBytesBetweenMessagesAndAfterTheLast)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair({ Bytes("One") + B({ CC_END }), Bytes("Two") + B({ CC_END }), Bytes("Three") + B({ CC_END }) },
                     table, data);
    // A shared text: the second entry points at the first message.
    std::vector<uint8_t> shared = table;
    SetOffset(shared, 1, 0);
    ExpectExactRoundTrip(shared, data);

    // Bytes after the last message: its padding, more zeros, other bytes, an odd data size.
    for (std::vector<uint8_t> tail : { B({}), B({ 0, 0, 0, 0, 0, 0, 0, 0 }), B({ 0xFF, 1, 0, 2 }), B({ 0x55 }) })
    {
        std::vector<uint8_t> longer = data + tail;
        ExpectExactRoundTrip(table, longer);
    }
    // The last message ends the data without padding.
    std::vector<uint8_t> cut(data.begin(), data.begin() + TableOffset(table, 16) + 6);
    ExpectExactRoundTrip(table, cut);

    // Non-zero bytes, and zeros beyond the padding, between two messages.
    std::vector<uint8_t> junk = Bytes("One") + B({ CC_END, 0x41, 0, 0, 0, 0, 0, 0, 7 }) + Bytes("Two") +
                                B({ CC_END, 0, 0, 0, 0 }) + Bytes("Three") + B({ CC_END, 0, 0 });
    std::vector<uint8_t> moved = table;
    SetOffset(moved, 1, 12);
    SetOffset(moved, 2, 20);
    ExpectExactRoundTrip(moved, junk);
}

TEST(ScriptExactness, OtherPairsAreNamedAndNormalised)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair({ Bytes("Hello there") + B({ CC_END }), Bytes("Bye") + B({ CC_END }) }, table, data);
    struct Case { const char* What; uint32_t Second; std::vector<uint8_t> Data; };
    std::vector<uint8_t> noEnd = data;
    noEnd.resize(TableOffset(table, 8) + 3); // "Bye" without its end
    const Case cases[] = {
        { "not a multiple of 4", 13, data },             // the second starts unaligned
        { "runs into the next message", 6, data },       // points into the first
        { "no end code", TableOffset(table, 8), noEnd },
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> t = table;
        SetOffset(t, 1, c.Second);
        std::vector<std::string> notes;
        ScriptPair pair = Parse(Export(t, c.Data, &notes));
        ASSERT_FALSE(notes.empty()) << c.What;
        EXPECT_NE(notes[0].find(c.What), std::string::npos) << notes[0];
        ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
        // The second message keeps its own text, now aligned and ended.
        uint32_t second = TableOffset(pair.Table, 8);
        EXPECT_EQ(second % 4, 0u);
        EXPECT_EQ(pair.Data.back() == CC_END || pair.Data[pair.Data.size() - 1] == 0, true);
        EXPECT_EQ(pair.Data[second], c.Data[c.Second]) << c.What;
    }
}

// A code whose arguments are cut off by the end of the data takes a last 0x02 as its argument:
// that is no end code, so export adds one and leaves the cut-off code out (found by fuzzing).
TEST(ScriptExactness, CodeCutOffByTheEndOfTheDataIsNoEnd)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair({ Bytes("ab") + B({ CC_SOUND, CC_END }) }, table, data);
    std::vector<std::string> notes;
    ScriptPair pair = Parse(Export(table, data, &notes));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("no end code"), std::string::npos);
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
    EXPECT_EQ(pair.Data, Bytes("ab") + B({ CC_END }));
}

// ---- What import accepts ----
TEST(ScriptImport, AcceptsWhatAPersonWouldType)
{
    const char* script =
        "\xEF\xBB\xBF# a comment\r\n"
        "\r\n"
        "@001b Blue TOP   \r\n"
        "{RED}Hi{White} \\ \xC2\xA5 \xC3\xA9{ Sound  poe giggle }{sound 0x28df}{a}{Stick}   \r\n"
        "two{sp}{BOX}\n"
        "{Icon 0x10}{shift 3}{color yellow}{0x9e 0xAB}{0X0300}{End}   \n"
        "\n\n\n"
        "@001C\n"
        "x{end}{0x00 00 00 00 00}\n";
    ScriptPair pair = Parse(script);
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
    std::vector<uint8_t> expected = B({ CC_COLOR, 0x41, 'H', 'i', CC_COLOR, 0x40, ' ', 0x5C, ' ', 0x5C, ' ', 0x95,
                                        CC_SOUND, 0x48, 0x07, CC_SOUND, 0x28, 0xDF, 0x9F, 0xAA, CC_LINE_BREAK,
                                        't', 'w', 'o', ' ', CC_BOX_BREAK, CC_ICON, 0x10, CC_SHIFT, 3, CC_COLOR, 0x46,
                                        0x9E, 0xAB, 0x03, 0x00, CC_END });
    std::vector<uint8_t> first(pair.Data.begin(), pair.Data.begin() + expected.size());
    EXPECT_EQ(first, expected);
    ASSERT_EQ(pair.Table.size(), 16u);
    EXPECT_EQ(pair.Table[0], 0x00);
    EXPECT_EQ(pair.Table[1], 0x1B);
    EXPECT_EQ(pair.Table[2], 0x21);                // blue, top
    EXPECT_EQ(pair.Table[10], 0x00);               // black bottom by default
    EXPECT_EQ(TableOffset(pair.Table, 8), 40u);    // 37 bytes padded to 40
    EXPECT_EQ(pair.Data.size(), 40u + 2 + 5);      // bytes after the last end, no padding
}

// ---- What import refuses ----
TEST(ScriptImport, ErrorsNameFileLineAndColumn)
{
    struct Case { const char* Script; const char* Error; };
    const Case cases[] = {
        { "@0001\nab{bogus}{end}\n", "m.txt:2:3: unknown tag {bogus}" },
        { "@0001\nab{0x4G}{end}\n", "m.txt:2:3: bad hex tag" },
        { "@0001\nabc\n@0002\nx{end}\n", "m.txt:1:1: the message of @0001 has no {end} before line 3" },
        { "@0001\nabc\n", "m.txt:1:1: the message of @0001 has no {end} before the end of the file" },
        { "@12345 black\nx{end}\n", "m.txt:1:2: a header is @ and a four-digit hex message ID" },
        { "@01G1\nx{end}\n", "m.txt:1:2: a header is @" },
        { "@0001 purple\nx{end}\n", "m.txt:1:7: unknown header word \"purple\"" },
        { "@0001\n\xC3\xA9t\xE2\x82\xAC{end}\n", "m.txt:2:3: the character U+20AC" },
        { "@0001\nx{shift 256}{end}\n", "m.txt:2:2: {shift} needs a number" },
        { "@0001\nx{sound Nobody}{end}\n", "m.txt:2:2: {sound} needs a sound name" },
        { "@0001\nx{red\n{end}\n", "m.txt:2:2: tag not closed" },
        { "@0001\nx{0x06}{end}\n", "m.txt:2:8: {end} would be read as the argument" },
        { "@0001\nx{end} more\n", "m.txt:2:8: only hex bytes" },
        { "@0001\nx{end}\nstray\n", "m.txt:3:1: text after the message's {end}" },
        { "hello\n@0001\nx{end}\n", "m.txt:1:1: text before the first block" },
        { "@0001 same\n", "m.txt:1:1: \"same\" shares the text of the block before" },
        { "# nothing\n", "m.txt:1:1: no message block" },
    };
    for (const Case& c : cases)
    {
        ScriptPair pair = Parse(c.Script);
        ASSERT_FALSE(pair.Errors.empty()) << c.Script;
        EXPECT_EQ(pair.Errors[0].compare(0, strlen(c.Error), c.Error), 0) << pair.Errors[0];
    }
    // Every error is reported, up to the limit.
    std::string many;
    for (int i = 0; i < 80; i++) many += "@0001\n{nope}{end}\n";
    ScriptPair pair = Parse(many);
    EXPECT_EQ(pair.Errors.size(), (size_t)SCRIPT_ERROR_LIMIT + 1);
}

// ---- Check ----
static std::string CheckOf(const std::vector<std::vector<uint8_t>>& messages, uint8_t typeOfFirst, bool strict,
                           uint32_t* found)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair(messages, table, data);
    table[2] = typeOfFirst;
    MessageStore store;
    EXPECT_TRUE(Store(store, table, data));
    std::string out;
    *found = CheckMessages(store, strict, out);
    return out;
}

TEST(ScriptCheck, OnePixelOverAndExactFit)
{
    std::vector<uint8_t> fits = std::vector<uint8_t>(20, 'W') + Bytes("'");  // 282 px: the Black box's width
    std::vector<uint8_t> over = std::vector<uint8_t>(20, 'W') + Bytes("I");  // 283 px
    uint32_t found = 0;
    EXPECT_EQ(CheckOf({ fits + B({ CC_END }) }, 0x00, true, &found), "");
    EXPECT_EQ(found, 0u);
    std::string out = CheckOf({ Bytes("ok") + B({ CC_BOX_BREAK, CC_LINE_BREAK }) + over + B({ CC_END }) }, 0x00, false, &found);
    EXPECT_EQ(out, "ID 1000 box 2 line 2: 283 px wide, the box has 282\n");
    // The Blue box is 6 pixels wider; the None types measure as Black.
    EXPECT_EQ(CheckOf({ over + B({ CC_END }) }, 0x20, false, &found), "");
    CheckOf({ over + B({ CC_END }) }, 0x50, false, &found);
    EXPECT_EQ(found, 1u);
    // The icon indent counts.
    out = CheckOf({ B({ CC_ICON, 3 }) + std::vector<uint8_t>(18, 'W') + B({ CC_END }) }, 0x00, false, &found);
    EXPECT_EQ(out, "ID 1000 box 1 line 1: 292 px wide, the box has 282\n");
}

TEST(ScriptCheck, LinesBelowTheBoxColoursIconsAndStrictFindings)
{
    std::vector<uint8_t> six;
    for (int i = 0; i < 6; i++) six = six + Bytes(i ? "\x01x" : "x");
    uint32_t found = 0;
    EXPECT_EQ(CheckOf({ six + B({ CC_END }) }, 0x00, false, &found), "ID 1000 box 1: 6 lines, 5 fit above the bottom of the box\n");
    six.erase(six.begin(), six.begin() + 2);
    EXPECT_EQ(CheckOf({ six + B({ CC_END }) }, 0x00, false, &found), "");

    std::vector<uint8_t> codes = B({ CC_COLOR, 0x52, 'a', CC_LINE_BREAK, CC_ICON, 121, CC_ICON, 120, 0x9E,
                                     CC_SOUND, 0x12, 0x34, 0x03, CC_END });
    EXPECT_EQ(CheckOf({ codes }, 0x00, false, &found),
              "ID 1000 box 1 line 1: colour 0x52 is outside 0x40-0x47\n"
              "ID 1000 box 1 line 2: icon 121 lies outside the icon strip (0-120)\n");
    std::string strict = CheckOf({ codes }, 0x00, true, &found);
    EXPECT_EQ(found, 5u);
    EXPECT_NE(strict.find("line 2: byte 0x9E is not a character"), std::string::npos);
    EXPECT_NE(strict.find("line 2: sound 0x1234 is not in the sound table"), std::string::npos);
    EXPECT_NE(strict.find("line 2: byte 0x03"), std::string::npos);
}

// ---- The program ----
struct ProgramRun
{
    int Status;
    std::string Out, Err;
};

static std::string ReadBack(FILE* f)
{
    std::string s;
    rewind(f);
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0) s.append(chunk, got);
    fclose(f);
    return s;
}

static ProgramRun RunProgram(const std::string& dir, std::vector<const char*> args)
{
    args.insert(args.begin(), "velloran-script");
    FILE* out = tmpfile();
    FILE* err = tmpfile();
    ProgramRun r;
    r.Status = RunScriptProgram((int)args.size(), args.data(), stdin, out, err, dir.c_str());
    r.Out = ReadBack(out);
    r.Err = ReadBack(err);
    return r;
}

class ScriptProgram : public ::testing::Test
{
protected:
    std::string Dir;
    std::vector<uint8_t> Table, Data;
    void SetUp() override
    {
        Dir = MakeTempDir();
        ASSERT_FALSE(Dir.empty());
        BuildMessagePair({ Bytes("Hello") + B({ CC_END }), Bytes("World") + B({ CC_END }) }, Table, Data);
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
    }
    void TearDown() override { RemoveTempDir(Dir); }
    void ExpectFilesUnchanged()
    {
        std::vector<uint8_t> table, data;
        ASSERT_TRUE(ReadTestFile(Dir, "table", table));
        ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", data));
        EXPECT_EQ(table, Table);
        EXPECT_EQ(data, Data);
    }
};

TEST_F(ScriptProgram, ExportEditImportAndExportRefusesToOverwrite)
{
    ProgramRun r = RunProgram(Dir, { "export" });
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<uint8_t> script;
    ASSERT_TRUE(ReadTestFile(Dir, "messages.txt", script));
    std::string text(script.begin(), script.end());
    EXPECT_NE(text.find("@1000 black bottom\nHello{end}\n"), std::string::npos) << text;

    EXPECT_EQ(RunProgram(Dir, { "export" }).Status, SCRIPT_EXIT_FILES);     // exists
    EXPECT_EQ(RunProgram(Dir, { "export", "--force" }).Status, 0);

    text.replace(text.find("World"), 5, "Earth");
    text += "@2000 staff\nNew{end}\n";
    ASSERT_TRUE(WriteTestFile(Dir, "messages.txt", std::vector<uint8_t>(text.begin(), text.end())));
    r = RunProgram(Dir, { "import" });
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("the script has 3 entries, the table it replaces had 2"), std::string::npos) << r.Err;
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", data));
    EXPECT_EQ(std::string(data.begin(), data.end()), std::string("Hello\x02\0\0Earth\x02\0\0New\x02", 20));
}

TEST_F(ScriptProgram, ImportErrorsLeaveBothFilesUntouched)
{
    const char* bad[] = {
        "@1000\nHi{wave}{end}\n",          // unknown tag
        "@1000\nHi{0xZZ}{end}\n",          // bad hex
        "@1000\nHi\n@1001\nYo{end}\n",     // a message without its end
        "@10000\nHi{end}\n",               // not a four-digit ID
    };
    for (const char* script : bad)
    {
        ASSERT_TRUE(WriteTestFile(Dir, "bad.txt", Bytes(script)));
        ProgramRun r = RunProgram(Dir, { "import", "bad.txt" });
        EXPECT_EQ(r.Status, SCRIPT_EXIT_FOUND) << script;
        EXPECT_EQ(r.Err.compare(0, 8, "bad.txt:"), 0) << r.Err;
        ExpectFilesUnchanged();
    }
}

TEST_F(ScriptProgram, MissingOrDamagedFilesAndTheCommandLine)
{
    // Damaged: a text offset outside the data.
    std::vector<uint8_t> damaged = Table;
    damaged[7] = 0xF0;
    ASSERT_TRUE(WriteTestFile(Dir, "table", damaged));
    ProgramRun r = RunProgram(Dir, { "export" });
    EXPECT_EQ(r.Status, SCRIPT_EXIT_FILES);
    EXPECT_NE(r.Err.find("damaged"), std::string::npos);
    EXPECT_FALSE(TestFileExists(Dir, "messages.txt"));
    EXPECT_EQ(RunProgram(Dir, { "check" }).Status, SCRIPT_EXIT_FILES);

    std::string empty = MakeTempDir();
    r = RunProgram(empty, { "import", "x.txt" });
    EXPECT_EQ(r.Status, SCRIPT_EXIT_FILES);
    EXPECT_NE(r.Err.find("missing"), std::string::npos);
    EXPECT_FALSE(TestFileExists(empty, "table")); // nothing created
    RemoveTempDir(empty);

    EXPECT_EQ(RunProgram(Dir, { "--version" }).Out, std::string("velloran-script ") + VELLORAN_VERSION + "\n");
    EXPECT_NE(RunProgram(Dir, { "--help" }).Out.find("Exit status"), std::string::npos);
    EXPECT_EQ(RunProgram(Dir, {}).Status, SCRIPT_EXIT_USAGE);
    EXPECT_EQ(RunProgram(Dir, { "frobnicate" }).Status, SCRIPT_EXIT_USAGE);
    EXPECT_EQ(RunProgram(Dir, { "check", "--loud" }).Status, SCRIPT_EXIT_USAGE);
}

TEST_F(ScriptProgram, CheckOfAScriptNamesItsLines)
{
    std::string script = "@1000\nfine{end}\n\n@1001 sign\n" + std::string(21, 'W') + "{end}\n";
    ASSERT_TRUE(WriteTestFile(Dir, "s.txt", Bytes(script.c_str())));
    ProgramRun r = RunProgram(Dir, { "check", "s.txt" });
    EXPECT_EQ(r.Status, SCRIPT_EXIT_FOUND);
    EXPECT_EQ(r.Out, "s.txt:4: ID 1001 box 1 line 1: 294 px wide, the box has 282\n");
    EXPECT_EQ(RunProgram(Dir, { "check" }).Status, 0); // the message files are clean
}
