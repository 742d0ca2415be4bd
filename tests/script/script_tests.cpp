// velloran-script: the round trip of export and import, what import accepts and refuses, the
// check's findings, and the command line in a temporary directory.
#include "script.h"
#include "encoding.h"
#include "testdata.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// ---- Helpers ----
typedef std::vector<uint8_t> Buf;

static std::string Export(const Buf& table, const Buf& data, std::vector<std::string>& notes)
{
    MessageStore store;
    std::string script;
    EXPECT_TRUE(TakeMessagePair(store, table.data(), (uint32_t)table.size(), data.data(), (uint32_t)data.size()));
    ExportScript(store, script, notes);
    return script;
}

static ScriptPair Parse(const std::string& script)
{
    ScriptPair pair;
    ParseScript((const uint8_t*)script.data(), script.size(), "m.txt", pair);
    return pair;
}

// Export then import gives both files back byte for byte, and export says nothing.
static void ExpectExactRoundTrip(const Buf& table, const Buf& data)
{
    std::vector<std::string> notes;
    std::string script = Export(table, data, notes);
    ScriptPair pair = Parse(script);
    EXPECT_TRUE(notes.empty()) << notes[0];
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0] << "\n" << script;
    EXPECT_TRUE(pair.Table == table && pair.Data == data) << script;
}

static void SetOffset(Buf& table, uint32_t entry, uint32_t offset)
{
    for (int k = 0; k < 3; k++) table[entry * 8 + 5 + k] = (uint8_t)(offset >> (16 - 8 * k));
}

// ---- Round trip ----
TEST(ScriptRoundTrip, RandomByteSoupsTheStoreAccepts)
{
    // Random entries over random bytes: export writes what import reads, with as many entries;
    // without a note the pair comes back exactly (the fuzz target checks the notes' cases).
    TestRandom random(12);
    int exact = 0;
    for (int round = 0; round < 300; round++)
    {
        Buf data(1 + random.Below(600)), table;
        for (uint8_t& b : data) // control codes, any byte, printable text
            b = (uint8_t)(random.Chance(30) ? random.Below(0x20) : random.Chance(20) ? random.Next() : 0x20 + random.Below(0x5F));
        std::vector<uint32_t> offsets(1 + random.Below(12));
        for (uint32_t& o : offsets) o = random.Chance(30) ? 0 : random.Below((uint32_t)data.size());
        std::sort(offsets.begin(), offsets.end());
        uint32_t mask = random.Chance(50) ? ~3u : ~0u;
        for (uint32_t o : offsets)
            table.insert(table.end(), { (uint8_t)random.Next(), (uint8_t)random.Next(), (uint8_t)random.Next(),
                                        (uint8_t)(random.Chance(80) ? 0 : random.Next()),
                                        (uint8_t)(random.Chance(80) ? 7 : random.Next()),
                                        (uint8_t)((o & mask) >> 16), (uint8_t)((o & mask) >> 8), (uint8_t)(o & mask) });
        std::vector<std::string> notes;
        ScriptPair pair = Parse(Export(table, data, notes));
        ASSERT_TRUE(pair.Errors.empty()) << round << ": " << pair.Errors[0];
        ASSERT_EQ(pair.Table.size(), table.size());
        exact += notes.empty();
        if (notes.empty())
        {
            EXPECT_TRUE(pair.Table == table && pair.Data == data) << round;
        }
    }
    EXPECT_TRUE(exact > 10 && exact < 290) << exact;
}

// ---- Exactness ----
TEST(ScriptExactness, AlignedPairsComeBackExactlyOthersAreNamedAndNormalised)
{
    Buf hard, hardData, two, twoData;
    BuildMessagePair({
        Bytes("Ends in blanks  ") + Buf{ CC_LINE_BREAK, ' ', CC_LINE_BREAK, CC_LINE_BREAK, CC_END },
        Bytes("@home {braces} {{x}} back\\slash #1") + Buf{ CC_LINE_BREAK, '@', 'a', CC_END },
        { CC_LINE_BREAK, CC_BOX_BREAK, CC_LINE_BREAK, CC_BOX_BREAK_ALT, CC_BOX_BREAK, CC_END },
        { CC_ICON, 0, TEXT_NUL, 0x9E, 0xAB, 0xFF, CC_SHIFT, CC_END, CC_ICON, CC_BOX_BREAK, CC_COLOR, 0x52, CC_END },
        { CC_SOUND, 0x59, 0x65, CC_SOUND, 0x48, 0x6F, CC_SOUND, 0x12, 0x34, CC_SOUND, 0x68, 0x44, CC_PLAYER, CC_END },
        { 0x7F, 0x80, 0x8E, 0x9E, 0x9F, 0xAA, CC_PASS_08, CC_PASS_09, CC_PASS_15, CC_PASS_1A, 0x03, 0x1F, CC_END },
        // Every code with arguments that look like structure, the last one naming the next message.
        { CC_KEEP_OPEN, CC_AWAIT_EVENT, CC_BOX_BREAK_ALT, CC_END, CC_AWAIT_BUTTON, CC_FADE, CC_BOX_BREAK,
          CC_OCARINA, CC_FADE_LONG, CC_END, TEXT_NUL, CC_SPEED, CC_ICON, CC_PASS_15, CC_END, CC_LINE_BREAK, 0x20,
          CC_TIMER, CC_TIMER_2, CC_POINTS, CC_TOKENS, CC_TWO_CHOICE, CC_THREE_CHOICE, CC_FISH, CC_HIGH_SCORE,
          CC_BOX_BREAK_ALT, CC_TIME_OF_DAY, CC_NEXT_MESSAGE, 0x40, CC_ICON, CC_END },
        { CC_END } }, hard, hardData);
    // Entry fields the header writes only when unusual: type and position nibbles 6..15,
    // reserved byte, high address byte; and a shared text.
    Buf odd = hard;
    odd[2] = 0x97, odd[3] = 0x5A, odd[4] = 0x08, odd[10] = 0x52;
    SetOffset(odd, 2, TableOffset(odd, 8));
    BuildMessagePair({ Bytes("One") + Buf{ CC_END }, Bytes("Three") + Buf{ CC_END } }, two, twoData);
    Buf between = two;
    SetOffset(between, 1, 12);
    // Bytes after the last message (more zeros, other bytes, an odd size, none at all) and
    // between two messages (non-zero, zeros beyond the padding).
    const std::pair<Buf, Buf> exact[] = {
        { hard, hardData }, { odd, hardData }, { two, twoData + Buf(8, 0) }, { two, twoData + Buf{ 0xFF, 1, 0, 2 } },
        { two, twoData + Buf{ 0x55 } }, { two, Buf(twoData.begin(), twoData.begin() + TableOffset(two, 8) + 6) },
        { between, Bytes("One") + Buf{ CC_END, 0x41, 0, 0, 0, 0, 0, 0, 7 } + Bytes("Three") + Buf{ CC_END } },
    };
    for (const auto& p : exact) ExpectExactRoundTrip(p.first, p.second);

    // Other pairs: export names what import will change; the second message keeps its text, aligned.
    Buf table, data;
    BuildMessagePair({ Bytes("Hello there") + Buf{ CC_END }, Bytes("Bye") + Buf{ CC_END } }, table, data);
    uint32_t bye = TableOffset(table, 8);
    struct Case { const char* What; uint32_t Second; Buf Data; };
    const Case cases[] = {
        { "not a multiple of 4", 13, data },       // the second starts unaligned
        { "runs into the next message", 6, data }, // points into the first
        { "no end code", bye, Buf(data.begin(), data.begin() + bye + 3) }, // "Bye" without its end
    };
    for (const Case& c : cases)
    {
        Buf t = table;
        SetOffset(t, 1, c.Second);
        std::vector<std::string> notes;
        ScriptPair pair = Parse(Export(t, c.Data, notes));
        EXPECT_TRUE(!notes.empty() && notes[0].find(c.What) != std::string::npos) << c.What;
        ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
        uint32_t second = TableOffset(pair.Table, 8);
        EXPECT_TRUE(second % 4 == 0 && pair.Data[second] == c.Data[c.Second]) << c.What;
    }
    // A code cut off by the end of the data takes a last 0x02 as its argument: that is no end
    // code, so export adds one and keeps the cut-off code after it (found by fuzzing).
    BuildMessagePair({ Bytes("ab") + Buf{ CC_SOUND, CC_END } }, table, data);
    std::vector<std::string> notes;
    EXPECT_EQ(Parse(Export(table, data, notes)).Data, Bytes("ab") + Buf({ CC_END, CC_SOUND, CC_END }));
    EXPECT_TRUE(notes.size() == 1 && notes[0].find("no end code") != std::string::npos);
}

// ---- What import accepts ----
TEST(ScriptImport, AcceptsWhatAPersonWouldType)
{
    ScriptPair pair = Parse("\xEF\xBB\xBF# a comment\r\n\r\n"
                            "@001b Blue TOP   \r\n"
                            "{RED}Hi{White} \\ \xC2\xA5 \xC3\xA9{ Sound  poe giggle }{sound 0x28df}{a}{Stick}   \r\n"
                            "two{sp}{BOX}\n"
                            "{Icon 0x10}{shift 3}{color yellow}{0x9e 0xAB}{0X0300}{End}   \n\n\n\n"
                            "@001C\nx{end}{0x00 00 00 00 00}\n");
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
    Buf expected = { CC_COLOR, 0x41, 'H', 'i', CC_COLOR, 0x40, ' ', 0x5C, ' ', 0x5C, ' ', 0x96, CC_SOUND, 0x48, 0x07,
                     CC_SOUND, 0x28, 0xDF, 0x9F, 0xAA, CC_LINE_BREAK, 't', 'w', 'o', ' ', CC_BOX_BREAK, CC_ICON, 0x10,
                     CC_SHIFT, 3, CC_COLOR, 0x46, 0x9E, 0xAB, 0x03, 0x00, CC_END, 0, 0, 0, 'x', CC_END, 0, 0, 0, 0, 0 };
    EXPECT_EQ(pair.Data, expected); // 37 bytes padded to 40; bytes after the last end, no padding
    // Blue top, then black bottom by default, at 40.
    EXPECT_EQ(pair.Table, (Buf{ 0x00, 0x1B, 0x21, 0, 7, 0, 0, 0, 0x00, 0x1C, 0x00, 0, 7, 0, 0, 40 }));

    // Codes by their names with their arguments; the names of older scripts give the code byte
    // alone, and the bytes after it are its arguments as they always were.
    pair = Parse("@001D\n{Speed 0x13}{goto 0x4013}{goto 1302}{box-delay 2}\n"
                 "{fade 12}{fade-long 300}{background 0x000102}{high-score 4}{two-choice}{Wait-Button}{by-letter}\n"
                 "{pass15}abc{pass08}{box-alt}\nQ{0x1B}{pass1A}{end}\n");
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
    EXPECT_EQ(pair.Data, (Buf{ CC_SPEED, 0x13, CC_NEXT_MESSAGE, 0x40, 0x13, CC_NEXT_MESSAGE, 0x13, 0x02, CC_BOX_BREAK_ALT, 2,
                               CC_FADE, 12, CC_FADE_LONG, 0x01, 0x2C, CC_PASS_15, 0, 1, 2, CC_HIGH_SCORE, 4,
                               CC_TWO_CHOICE, CC_AWAIT_BUTTON, CC_PASS_09, CC_LINE_BREAK, CC_PASS_15, 'a', 'b', 'c',
                               CC_PASS_08, CC_BOX_BREAK_ALT, 'Q', CC_TWO_CHOICE, CC_PASS_1A, CC_END }));
}

// ---- Symbols ----
TEST(ScriptSymbols, EveryControllerSymbolHasATagAndTheOldDpadHexTagStillReads)
{
    Buf table, data, symbols;
    for (int b = SYMBOL_FIRST; b <= SYMBOL_LAST; b++) symbols.push_back((uint8_t)b);
    BuildMessagePair({ symbols + Buf{ CC_END } }, table, data);
    std::vector<std::string> notes;
    std::string script = Export(table, data, notes);
    EXPECT_NE(script.find("\n{A}{B}{C}{L}{R}{Z}{up}{down}{left}{right}{arrow}{stick}{dpad}{end}\n"), std::string::npos)
        << script;
    ExpectExactRoundTrip(table, data);
    // Any letter case; a script written before the tag gave the D-pad as a hex tag.
    ScriptPair pair = Parse("@0001\n{DPad}{0xAB}{0xab 9F}{end}\n");
    ASSERT_TRUE(pair.Errors.empty()) << pair.Errors[0];
    EXPECT_EQ(pair.Data, (Buf{ 0xAB, 0xAB, 0xAB, 0x9F, CC_END }));
}

// ---- The program ----
class ScriptProgram : public ::testing::Test
{
protected:
    std::string Dir, Out;
    Buf Table, Data;
    void SetUp() override
    {
        Dir = MakeTempDir();
        BuildMessagePair({ Bytes("Hello") + Buf{ CC_END }, Bytes("World") + Buf{ CC_END } }, Table, Data);
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
    }
    void TearDown() override { RemoveTempDir(Dir); }
    // Runs velloran-script in dir (default Dir); Out receives its standard output and error.
    int Run(std::vector<const char*> args, const std::string& dir = "")
    {
        args.insert(args.begin(), "velloran-script");
        FILE* f = tmpfile();
        int status = RunScriptProgram((int)args.size(), args.data(), stdin, f, f, (dir.empty() ? Dir : dir).c_str());
        Out.assign(ftell(f), '\0');
        rewind(f);
        Out.resize(fread(&Out[0], 1, Out.size(), f));
        fclose(f);
        return status;
    }
};

TEST_F(ScriptProgram, ExportCheckImport)
{
    ASSERT_EQ(Run({ "export" }), 0) << Out;
    Buf script;
    ASSERT_TRUE(ReadTestFile(Dir, "messages.txt", script));
    std::string text(script.begin(), script.end());
    EXPECT_NE(text.find("@1000 black bottom\nHello{end}\n"), std::string::npos) << text;
    EXPECT_EQ(Run({ "export" }), SCRIPT_EXIT_FILES); // exists
    EXPECT_EQ(Run({ "export", "--force" }), 0);
    EXPECT_EQ(Run({ "check" }), 0);

    // Boxes that fit exactly and boxes one pixel too wide, six lines and five, a colour and an
    // icon out of range; with --strict also bytes and a sound the editor does not know.
    std::string w20(20, 'W');
    std::string s = "@1000\n" + w20 + "'{end}\n@1001\nok{box}\n\n" + w20 + "I{end}\n" +
                    "@1002 blue\n" + w20 + "B{box}\n" + w20 + "H{end}\n" +
                    "@1003\nx\nx\nx\nx\nx\nx{end}\n@1004\nx\nx\nx\nx\nx{end}\n" +
                    "@1005\n{color 0x52}a\n{icon 121}{icon 120}{0x7F}{sound 0x1234}{0x03}{end}\n";
    ASSERT_TRUE(WriteTestFile(Dir, "s.txt", Bytes(s.c_str())));
    std::string found = "s.txt:3: ID 1001 box 2 line 2: 283 px wide, the box has 282\n"
                        "s.txt:7: ID 1002 box 2 line 1: 289 px wide, the box has 288\n"
                        "s.txt:10: ID 1003 box 1: 6 lines, 5 fit above the bottom of the box\n"
                        "s.txt:23: ID 1005 box 1 line 1: colour 0x52 is outside 0x40-0x47\n"
                        "s.txt:23: ID 1005 box 1 line 2: icon 121 lies outside the icon strip (0-120)\n";
    EXPECT_EQ(Run({ "check", "s.txt" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, found);
    EXPECT_EQ(Run({ "check", "--strict", "s.txt" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, found + "s.txt:23: ID 1005 box 1 line 2: byte 0x7F is not a character or code the editor knows\n"
                           "s.txt:23: ID 1005 box 1 line 2: sound 0x1234 is not in the sound table\n"
                           "s.txt:23: ID 1005 box 1 line 2: byte 0x03 is not a character or code the editor knows\n");

    text.replace(text.find("World"), 5, "Earth");
    text += "@2000 staff\nNew{end}\n";
    ASSERT_TRUE(WriteTestFile(Dir, "messages.txt", Buf(text.begin(), text.end())));
    ASSERT_EQ(Run({ "import" }), 0) << Out;
    EXPECT_NE(Out.find("the script has 3 entries, the table it replaces had 2"), std::string::npos) << Out;
    Buf data;
    ASSERT_TRUE(ReadTestFile(Dir, "nes_message_data_static", data));
    EXPECT_EQ(data, Bytes("Hello\x02") + Buf(2, 0) + Bytes("Earth\x02") + Buf(2, 0) + Bytes("New\x02"));
}

// The D-pad is a glyph 13 pixels wide like the other symbols: 21 of them and an "H" fill the
// 282 pixels of a black box exactly, 22 are too wide; --strict knows it, not the bytes after it.
TEST_F(ScriptProgram, CheckMeasuresTheDpadAndStrictKnowsIt)
{
    std::string dpads;
    for (int i = 0; i < 21; i++) dpads += "{dpad}";
    std::string s = "@1000\n" + dpads + "H{end}\n@1001\n" + dpads + "{dpad}{end}\n@1002\n{dpad}{0xAC}{0xFF}{end}\n";
    ASSERT_TRUE(WriteTestFile(Dir, "d.txt", Bytes(s.c_str())));
    const std::string wide = "d.txt:3: ID 1001 box 1 line 1: 286 px wide, the box has 282\n";
    EXPECT_EQ(Run({ "check", "d.txt" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, wide);
    EXPECT_EQ(Run({ "check", "--strict", "d.txt" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, wide + "d.txt:5: ID 1002 box 1 line 1: byte 0xAC is not a character or code the editor knows\n"
                          "d.txt:5: ID 1002 box 1 line 1: byte 0xFF is not a character or code the editor knows\n");
}

// The game copies a message, its end code included, into a buffer of GAME_MESSAGE_MAX bytes: one
// byte more is a finding, named at the box that holds the first byte past the buffer.
TEST_F(ScriptProgram, CheckFindsMessagesLongerThanTheGameBuffer)
{
    ASSERT_EQ(GAME_MESSAGE_MAX, 1280u);
    auto codes = [](int n) { // one byte each and no width: nothing but the length is found
        std::string s;
        for (int i = 0; i < n; i++) s += "{instant}";
        return s;
    };
    std::string s = "@1000\n" + codes(1279) + "{end}\n" +                            // 1280: fits
                    "@1001\n" + codes(1280) + "{end}\n" +                            // 1281
                    "@1002\n" + codes(600) + "{box}\n" + codes(678) + "{end}\n" +   // 1280 in two boxes
                    "@1003\n" + codes(600) + "{box}\n" + codes(679) + "{end}\n" +   // 1281, past it in box 2
                    "@1004\n" + codes(1279) + "{box}\n" + codes(5) + "{end}\n";     // box 1 ends at 1280
    ASSERT_TRUE(WriteTestFile(Dir, "long.txt", Bytes(s.c_str())));
    const char* found[] = {
        "3: ID 1001 box 1: message of 1281 bytes, the game's buffer holds 1280\n",
        "8: ID 1003 box 2: message of 1281 bytes, the game's buffer holds 1280\n",
        "11: ID 1004 box 2: message of 1286 bytes, the game's buffer holds 1280\n",
    };
    std::string script, files;
    for (const char* f : found) script += std::string("long.txt:") + f, files += strchr(f, ' ') + 1;
    EXPECT_EQ(Run({ "check", "long.txt" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, script);
    // The message files (import takes such messages as they are), --strict alike.
    ASSERT_EQ(Run({ "import", "long.txt" }), 0) << Out;
    EXPECT_EQ(Run({ "check", "--strict" }), SCRIPT_EXIT_FOUND);
    EXPECT_EQ(Out, files);
}

// Each error names file, line and column; nothing is written.
TEST_F(ScriptProgram, ErrorsDamagedFilesAndUsageWriteNothing)
{
    const char* cases[][2] = {
        { "@0001\nab{bogus}{end}\n", "bad.txt:2:3: unknown tag {bogus}" },
        { "@0001\nab{0x4G}{end}\n", "bad.txt:2:3: bad hex tag" },
        { "@0001\nabc\n@0002\nx{end}\n", "bad.txt:1:1: the message of @0001 has no {end} before line 3" },
        { "@0001\nabc\n", "bad.txt:1:1: the message of @0001 has no {end} before the end of the file" },
        { "@12345 black\nx{end}\n", "bad.txt:1:2: a header is @ and a four-digit hex message ID" },
        { "@0001 purple\nx{end}\n", "bad.txt:1:7: unknown header word \"purple\"" },
        { "@0001\n\xC3\xA9t\xE2\x82\xAC{end}\n", "bad.txt:2:3: the character U+20AC" },
        { "@0001\nx{red\n{end}\n", "bad.txt:2:2: tag not closed" },
        { "@0001\nx{0x06}{end}\n", "bad.txt:2:8: {end} would be read as the argument" },
        { "@0001\nx{pass15}ab{end}\n", "bad.txt:2:12: {end} would be read as the argument" },
        { "@0001\nx\xC3\xB1{end}\n", "bad.txt:2:2: the character U+00F1" }, // the font has no \xC3\xB1
        { "@0001\n{speed}{end}\n", "bad.txt:2:1: {speed} needs a number from 0 to 255" },
        { "@0001\n{goto 12345}{end}\n", "bad.txt:2:1: {goto} needs a message ID of four hex digits" },
        { "@0001\nx{end}\nstray\n", "bad.txt:3:1: text after the message's {end}" },
    };
    for (auto& c : cases)
    {
        ASSERT_TRUE(WriteTestFile(Dir, "bad.txt", Bytes(c[0])));
        EXPECT_EQ(Run({ "import", "bad.txt" }), SCRIPT_EXIT_FOUND) << c[0];
        EXPECT_EQ(Out.compare(0, strlen(c[1]), c[1]), 0) << Out;
        Buf t, d;
        EXPECT_TRUE(ReadTestFile(Dir, "table", t) && ReadTestFile(Dir, "nes_message_data_static", d) && t == Table && d == Data);
    }
    std::string many; // every error is reported, up to the limit
    for (int i = 0; i < 80; i++) many += "@0001\n{nope}{end}\n";
    EXPECT_EQ(Parse(many).Errors.size(), (size_t)SCRIPT_ERROR_LIMIT + 1);

    Buf damaged = Table;
    damaged[7] = 0xF0; // a text offset outside the data
    ASSERT_TRUE(WriteTestFile(Dir, "table", damaged));
    EXPECT_TRUE(Run({ "export" }) == SCRIPT_EXIT_FILES && Out.find("damaged") != std::string::npos) << Out;
    EXPECT_FALSE(TestFileExists(Dir, "messages.txt"));
    EXPECT_EQ(Run({ "check" }), SCRIPT_EXIT_FILES);
    std::string empty = MakeTempDir();
    EXPECT_TRUE(Run({ "import", "x.txt" }, empty) == SCRIPT_EXIT_FILES && Out.find("missing") != std::string::npos) << Out;
    EXPECT_FALSE(TestFileExists(empty, "table")); // nothing created
    RemoveTempDir(empty);

    EXPECT_TRUE(Run({ "--help" }) == 0 && Out.find("Exit status") != std::string::npos);
    for (std::vector<const char*> args : { std::vector<const char*>{}, { "frobnicate" }, { "check", "--loud" } })
        EXPECT_EQ(Run(args), SCRIPT_EXIT_USAGE);
}
