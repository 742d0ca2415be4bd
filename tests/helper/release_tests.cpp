// helper on synthetic images of the game's releases, decompressed and as sold: every text
// extracted and injected back writes only its own places, the room is never passed, info names
// the release, decompress rebuilds the image, and damaged or unfit images are refused untouched.
#include "helper_harness.h"

// ---- Expectations, from the release's facts -------------------------------------------------
static std::vector<std::string> WithText(std::vector<std::string> args, int text)
{
    if (text == TT_DE || text == TT_FR) args.insert(args.end(), { "--language", text == TT_DE ? "de" : "fr" });
    if (text == TT_CREDITS) args.push_back("--credits");
    return args;
}

static uint32_t Rounded(size_t size)
{
    return (uint32_t)(size + 15) / 16 * 16;
}

// The image after text t was injected from table and data: its VROM end word, its table (the
// address words alone for German and French), its data and, for English on PAL releases, the
// two address pairs; nothing else.
static Bytes AfterInjection(const TestImage& img, int t, const Bytes& table, const Bytes& data)
{
    Bytes rom = img.Rom;
    PutTestWord(rom, FileRecordAt(img, img.Facts->TextRecord[t]) + 4, img.TextAt[t] + Rounded(data.size()));
    if (t == TT_DE || t == TT_FR)
        for (size_t i = 0; i < table.size() / 8; i++) std::copy_n(&table[i * 8 + 4], 4, &rom[img.TableAt[t] + i * 4]);
    else
        std::copy(table.begin(), table.end(), rom.begin() + img.TableAt[t]);
    std::copy(data.begin(), data.end(), rom.begin() + img.TextAt[t]);
    for (int k = 0; k < 2 && t == TT_EN && img.Facts->Pal; k++)
    {
        uint32_t offset = TestWord(table, table.size() - 16 + k * 8 + 4) & 0xFFFFFF;
        rom[img.PatchHigh[k]] = (uint8_t)((offset + 0x8000) >> 16);
        rom[img.PatchLow[k]] = (uint8_t)(offset >> 8);
        rom[img.PatchLow[k] + 1] = (uint8_t)offset;
    }
    return rom;
}

struct ReleaseRun : HelperRun
{
    RunResult Helper(const std::vector<std::string>& args) { return Command(args, PLAIN_PATH); }
};

// ---- Round trips --------------------------------------------------------------------------------
TEST_F(ReleaseRun, EveryTextRoundTripsWritingOnlyItsPlaces)
{
    struct Case { const char* Release; int Text; bool Sold; };
    const Case cases[] = {
        { "gc-eu-mq-dbg", TT_EN, false }, { "pal-1.1", TT_EN, false }, { "gc-eu-mq", TT_EN, true },
        { "ntsc-1.0", TT_EN, false }, { "gc-us-mq", TT_EN, true }, { "gc-jp", TT_EN, false },
        { "pal-1.0", TT_DE, true }, { "gc-eu", TT_FR, false }, { "gc-eu-dbg", TT_CREDITS, false },
        { "ntsc-1.2", TT_CREDITS, true },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.Release) + " text " + std::to_string(c.Text) + (c.Sold ? " sold" : ""));
        const TestReleaseFacts& facts = TestRelease(c.Release);
        TestImage img = BuildTestImage(facts, facts.FileTableAt == 0x12F70 ? DebugReleaseLayout() : TestImageOptions());
        // From the image as sold the texts come out the same; injection needs it decompressed.
        if (c.Sold)
        {
            WriteAll(Rom, SellTestImage(img));
            ASSERT_EQ(Helper({ "decompress", "rom.z64", "plain.z64", "--force" }).Status, 0);
            EXPECT_TRUE(SameRom(img.Rom, ReadAll(Dir / "plain.z64")));
        }
        else
            WriteAll(Rom, img.Rom);
        RunResult r = Helper(WithText({ "extract", "rom.z64", "--force" }, c.Text));
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(Table(), img.Table[c.Text]);
        EXPECT_EQ(Data(), img.Data[c.Text]);

        Bytes table, data;
        GrowTestText(img, c.Text, 5, table, data);
        PutFiles(table, data);
        const char* target = c.Sold ? "plain.z64" : "rom.z64";
        r = Helper(WithText({ "inject", target, "--no-checksum" }, c.Text));
        EXPECT_EQ(r.Out, "The files were successfully injected!\n");
        EXPECT_EQ(r.Status, 0) << r.Err;
        const Bytes after = AfterInjection(img, c.Text, table, data);
        EXPECT_TRUE(SameRom(after, ReadAll(Dir / target)));
        // Extracted again: the data and the rounding bytes after it, which the image kept.
        ASSERT_EQ(Helper(WithText({ "extract", target, "--force" }, c.Text)).Status, 0);
        EXPECT_EQ(Table(), table);
        EXPECT_EQ(Data(), Slice(after, img.TextAt[c.Text], Rounded(data.size())));
    }
}

// ---- Info -------------------------------------------------------------------------------------------
static std::string TextLine(const TestImage& img, int t, const char* tag)
{
    return std::string("text ") + tag + ": " + std::to_string(img.Records[t]) + " messages, " +
           std::to_string(img.TextSize[t]) + " bytes, room " +
           std::to_string(img.NextAt[t] - img.TextAt[t] - Rounded(img.TextSize[t])) + " bytes\n";
}

TEST_F(ReleaseRun, InfoNamesTheReleaseAndEachTextsRoom)
{
    struct Case { const char* Release; const char* Named; };
    const Case cases[] = { { "pal-1.0", "pal-1.0" }, { "gc-jp-ce", "gc-us or gc-jp-mq or gc-jp-ce" } };
    for (const Case& c : cases)
        for (bool sold : { false, true })
        {
            SCOPED_TRACE(std::string(c.Release) + (sold ? " sold" : ""));
            TestImage img = BuildTestImage(TestRelease(c.Release));
            WriteAll(Rom, sold ? SellTestImage(img) : img.Rom);
            Bytes before = ReadAll(Rom);
            std::string want = std::string("release: ") + c.Named + "\nimage: " + (sold ? "compressed" : "decompressed") +
                               "\nmd5: modified\n" + TextLine(img, TT_EN, "en");
            if (img.Facts->Pal) want += TextLine(img, TT_DE, "de") + TextLine(img, TT_FR, "fr");
            want += TextLine(img, TT_CREDITS, "credits");
            RunResult r = Helper({ "info", "rom.z64" });
            EXPECT_EQ(r.Out, want);
            EXPECT_EQ(r.Status, 0);
            EXPECT_TRUE(SameRom(before, ReadAll(Rom)));
        }
    // The German text asked of a release that holds English only.
    WriteAll(Rom, BuildTestImage(TestRelease("ntsc-1.1")).Rom);
    for (const char* verb : { "info", "extract" })
    {
        RunResult r = Helper({ verb, "rom.z64", "--language", "de" });
        EXPECT_EQ(r.Err, "The release ntsc-1.1 holds English only, no German text; nothing was written.\n");
        EXPECT_EQ(r.Status, 4);
    }
    EXPECT_FALSE(Exists(Dir / "table"));
}

// ---- The room -----------------------------------------------------------------------------------------
TEST_F(ReleaseRun, TextsNeverRunOverTheNextFileUnlessAskedTo)
{
    const TestImage img = BuildTestImage(TestRelease("pal-1.0"));
    const uint32_t room = img.NextAt[TT_EN] - img.TextAt[TT_EN];
    const uint32_t toCredits = img.TextAt[TT_CREDITS] - img.TextAt[TT_EN];
    struct Case { uint32_t Size; bool Option; int Status; const char* Line; }; // Line: the file run into
    const std::string tooLong = " bytes too long: rounded up to 16, the English text would run over ";
    const Case cases[] = {
        { room, false, 0, "" },
        { room + 1, false, 4, "the German text" },
        { room + 1, true, 0, "" },
        { toCredits, true, 0, "" },
        { toCredits + 1, true, 4, "the credits text" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.Size) + (c.Option ? " with the option" : ""));
        WriteAll(Rom, img.Rom);
        Bytes data(c.Size, 0x41);
        PutFiles(img.Table[TT_EN], data);
        std::vector<std::string> args = { "inject", "rom.z64", "--no-checksum" };
        if (c.Option) args.push_back("--use-other-languages");
        RunResult r = Helper(args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        Bytes after = ReadAll(Rom);
        if (c.Status != 0)
        {
            EXPECT_NE(r.Err.find(c.Line), std::string::npos) << r.Err;
            EXPECT_TRUE(SameRom(img.Rom, after));
            EXPECT_NE(r.Err.find(std::to_string(Rounded(c.Size) - (c.Option ? toCredits : room)) + tooLong), std::string::npos);
            continue;
        }
        // Said only when it happened.
        EXPECT_EQ(r.Out, std::string("The files were successfully injected!\n") +
                             (c.Size > room ? "The German and French texts are gone from this image: the English text "
                                              "now runs over them.\n" : ""));
        EXPECT_TRUE(SameRom(AfterInjection(img, TT_EN, img.Table[TT_EN], data), after));
    }
    // A release without German and French texts has nothing to run over.
    WriteAll(Rom, BuildTestImage(TestRelease("gc-us")).Rom);
    RunResult r = Helper({ "inject", "rom.z64", "--use-other-languages" });
    EXPECT_EQ(r.Err, "The release gc-us holds no German or French text for --use-other-languages to run over; "
                     "nothing was written.\n");
    EXPECT_EQ(r.Status, 4);
}

TEST_F(ReleaseRun, TranslatedTablesKeepTheEnglishIds)
{
    const TestImage img = BuildTestImage(TestRelease("gc-eu-mq"));
    WriteAll(Rom, img.Rom);
    Bytes table = img.Table[TT_DE];
    std::swap_ranges(&table[8], &table[10], &table[16]); // records 1 and 2 change places
    PutFiles(table, img.Data[TT_DE]);
    RunResult r = Helper({ "inject", "rom.z64", "--language", "de" });
    char line[200];
    snprintf(line, sizeof(line), "Record 1 of table has the ID 0x%04X where the English text has 0x%04X (the German "
             "text keeps the English IDs in order); nothing was written.\n", table[8] << 8 | table[9],
             table[16] << 8 | table[17]);
    EXPECT_EQ(r.Err, line);
    EXPECT_EQ(r.Status, 4);
    // One record fewer than the English table, the one the translations lack.
    PutFiles(img.Table[TT_EN], img.Data[TT_DE]);
    r = Helper({ "inject", "rom.z64", "--language", "fr" });
    EXPECT_EQ(r.Err, "table holds " + std::to_string(img.Table[TT_EN].size()) + " bytes, not " +
                         std::to_string(img.Table[TT_FR].size()) + "; nothing was written.\n");
    EXPECT_TRUE(SameRom(img.Rom, ReadAll(Rom)));
}

// ---- Images as sold -------------------------------------------------------------------------------
TEST_F(ReleaseRun, ImagesAsSoldAreReadAndDecompressedNeverInjected)
{
    const TestImage img = BuildTestImage(TestRelease("gc-eu-dbg"));
    const Bytes sold = SellTestImage(img);
    WriteAll(Rom, sold);
    PutFiles(img.Table[TT_EN], img.Data[TT_EN]);
    RunResult r = Helper({ "inject", "rom.z64" });
    EXPECT_EQ(r.Err, "The ROM image is compressed (as sold), and so is its program code, which holds the message "
                     "tables: run helper decompress ROM OUT first, then inject into OUT; nothing was written.\n");
    EXPECT_EQ(r.Status, 4);

    // A new image beside it; an existing one is kept without --force; never over the image.
    ASSERT_EQ(Helper({ "decompress", "rom.z64", "out.z64" }).Status, 0);
    EXPECT_TRUE(SameRom(img.Rom, ReadAll(Dir / "out.z64")));
    WriteAll(Dir / "out.z64", Bytes{ 1, 2, 3 });
    r = Helper({ "decompress", "rom.z64", "out.z64" });
    EXPECT_EQ(r.Err, "out.z64 exists; it was kept (--force replaces it).\n");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(ReadAll(Dir / "out.z64"), (Bytes{ 1, 2, 3 }));
    ASSERT_EQ(Helper({ "decompress", "rom.z64", "out.z64", "--force" }).Status, 0);
    EXPECT_TRUE(SameRom(img.Rom, ReadAll(Dir / "out.z64")));
    ASSERT_EQ(link(Rom.c_str(), (Dir / "same.z64").c_str()), 0);
    for (const char* out : { "rom.z64", "same.z64" })
    {
        r = Helper({ "decompress", "rom.z64", out, "--force" });
        EXPECT_EQ(r.Status, 4) << out;
    }
    r = Helper({ "decompress", "out.z64", "again.z64" });
    EXPECT_EQ(r.Err, "The ROM image is already decompressed; nothing was written.\n");
    EXPECT_TRUE(SameRom(sold, ReadAll(Rom)));
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "nes_message_data_static", "out.z64", "rom.z64",
                                                            "same.z64", "table" }));
}

// A stream of its own for one compressed file: a header for size bytes, then the given bytes.
static void PutStream(Bytes& sold, const TestImage& img, int record, uint32_t size, const Bytes& body)
{
    uint32_t at = TestWord(sold, FileRecordAt(img, record) + 8);
    Bytes stream = { 'Y', 'a', 'z', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    PutTestWord(stream, 4, size);
    stream.insert(stream.end(), body.begin(), body.end());
    std::copy(stream.begin(), stream.end(), sold.begin() + at);
    PutTestWord(sold, FileRecordAt(img, record) + 12, at + (uint32_t)stream.size());
}

TEST_F(ReleaseRun, DamagedStreamsAreRefusedWithNothingWritten)
{
    const TestImage img = BuildTestImage(TestRelease("ntsc-1.2"));
    // A stream that ends early (the decoder's tests give every kind of damage its result).
    const int file = 8; // every fourth file other than the texts is compressed
    Bytes sold = SellTestImage(img);
    PutStream(sold, img, file, img.Files[file * 4 + 1] - img.Files[file * 4], { 0xFF, 'a', 'b' });
    WriteAll(Rom, sold);
    RunResult r = Helper({ "decompress", "rom.z64", "out.z64" });
    EXPECT_EQ(r.Err, "File record 8 of the ROM image is damaged (the stream ends too early); nothing was written.\n");
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "rom.z64" }));
    EXPECT_TRUE(SameRom(sold, ReadAll(Rom)));

    // The file table's own record too short for the table: the new image would hold no release.
    Bytes shortTable = SellTestImage(img);
    PutTestWord(shortTable, FileRecordAt(img, 2) + 4, img.Facts->FileTableAt + 16 * 20);
    WriteAll(Rom, shortTable);
    r = Helper({ "decompress", "rom.z64", "out.z64" });
    EXPECT_EQ(r.Err, "The ROM image's file table is damaged: its own record does not cover it; nothing was written.\n");
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "rom.z64" }));

    // The program code's stream damaged: the tables cannot be read, so nothing is done.
    sold = SellTestImage(img);
    PutStream(sold, img, img.Facts->CodeRecord, img.CodeSize, { 0xFF, 1, 2 });
    WriteAll(Rom, sold);
    r = Helper({ "extract", "rom.z64" });
    EXPECT_EQ(r.Err.rfind("The ROM image's compressed program code is damaged (", 0), 0u) << r.Err;
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(Entries(Dir.Path), (std::vector<std::string>{ "rom.z64" }));
}
