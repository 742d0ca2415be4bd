// In-process checks of what helper understands of an image: each release recognised as itself
// (never as a neighbour whose table lies a few records away), its texts and their room, the
// address pairs in the code, and the MD5 that names an unmodified image.
#include "rom_builder.h"
#include "rom_image.h"
#include "rom_transfer.h"
#include "testdata.h"
#include <cstring>
#include <gtest/gtest.h>
#include <string>

typedef std::vector<uint8_t> Buf;

// Recognises the bytes from a temporary file, and takes their MD5 when asked.
static void Recognise(const Buf& bytes, RomImage* image, char* md5 = nullptr)
{
    std::string dir = MakeTempDir();
    std::string path = dir + "/rom.z64";
    ASSERT_TRUE(WriteImageFile(path, bytes));
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    ImageFile file = { f, bytes.size() };
    RecogniseImage(file, image);
    if (md5) { EXPECT_TRUE(ImageMd5(file, md5)); }
    fclose(f);
    RemoveTempDir(dir);
}

static std::string Named(const RomImage& image, const char* md5 = "")
{
    char names[200];
    bool unmodified = false;
    ReleaseNames(image, md5, names, sizeof(names), &unmodified);
    return names;
}

// ---- Recognition ------------------------------------------------------------------------------
TEST(HelperImage, EveryReleaseIsRecognisedAsItselfWithItsTexts)
{
    for (const TestReleaseFacts& facts : TEST_RELEASES)
    {
        const TestImage img = BuildTestImage(facts);
        // Releases that share every fact can only be told apart by their MD5.
        std::string want = facts.Name;
        if (want == "gc-eu-dbg" || want == "gc-eu-dbg-2") want = "gc-eu-dbg or gc-eu-dbg-2";
        if (want == "gc-us" || want == "gc-jp-mq" || want == "gc-jp-ce") want = "gc-us or gc-jp-mq or gc-jp-ce";
        for (bool sold : { false, true })
        {
            SCOPED_TRACE(std::string(facts.Name) + (sold ? " sold" : ""));
            RomImage image;
            Recognise(sold ? SellTestImage(img) : img.Rom, &image);
            ASSERT_EQ(image.Problem, RECOGNISED);
            EXPECT_EQ(Named(image), want);
            EXPECT_EQ(image.Kind, sold ? IMAGE_COMPRESSED : IMAGE_DECOMPRESSED);
            EXPECT_EQ(image.SpaceEnd, img.Rom.size()); // the VROM space is the decompressed image's
            for (int t = 0; t < TEXT_KINDS; t++)
            {
                const TextPlace& text = image.Texts[t];
                if (!facts.TextRecord[t])
                {
                    EXPECT_EQ(text.State, TEXT_ABSENT) << t;
                    continue;
                }
                EXPECT_EQ(text.State, TEXT_READY) << t;
                EXPECT_EQ(text.VromStart, img.TextAt[t]) << t;
                EXPECT_EQ(text.DataSize, img.TextSize[t]) << t;
                EXPECT_EQ(text.Records, img.Records[t]) << t;
                EXPECT_EQ(text.Room, img.NextAt[t] - img.TextAt[t]) << t;
                Buf table;
                BuildTextTable(image, (TextKind)t, table);
                EXPECT_EQ(table, img.Table[t]) << t;
            }
        }
    }
}

TEST(HelperImage, TablesOutOfPlaceAreNoRelease)
{
    for (const char* name : { "gc-eu-mq-dbg", "pal-1.1", "gc-us", "ntsc-1.0" })
    {
        SCOPED_TRACE(name);
        TestImage img = BuildTestImage(TestRelease(name));
        // The English table moved up by four bytes, its closing record with it.
        uint32_t at = img.TableAt[TT_EN], n = (img.Records[TT_EN] + 1) * 8;
        Buf moved = img.Rom;
        std::copy(img.Rom.begin() + at, img.Rom.begin() + at + n, moved.begin() + at + 4);
        RomImage image;
        Recognise(moved, &image);
        EXPECT_EQ(image.Problem, NOT_A_RELEASE);
        // Record 0 is not the boot record, or record 2 does not describe the file table.
        Buf boot = img.Rom;
        PutTestWord(boot, FileRecordAt(img, 0) + 4, 0x1000);
        Recognise(boot, &image);
        EXPECT_EQ(image.Problem, NOT_A_RELEASE);
        Buf table = img.Rom;
        PutTestWord(table, FileRecordAt(img, 2), img.Facts->FileTableAt + 16);
        Recognise(table, &image);
        EXPECT_EQ(image.Problem, NOT_A_RELEASE);
    }
}

TEST(HelperImage, AUsersOwnFirstMessageKeepsTheRelease)
{
    // gc-jp reads the gc-us table four records late; with message 0x0001 renamed, the table
    // that no record precedes still wins.
    for (const char* name : { "gc-us", "gc-jp", "gc-us-mq" })
    {
        SCOPED_TRACE(name);
        TestImage img = BuildTestImage(TestRelease(name));
        img.Rom[img.TableAt[TT_EN] + 1] = 0x77;
        RomImage image;
        Recognise(img.Rom, &image);
        ASSERT_EQ(image.Problem, RECOGNISED);
        EXPECT_NE(Named(image).find(name), std::string::npos) << Named(image);
        EXPECT_EQ(image.Texts[TEXT_ENGLISH].Records, img.Records[TT_EN]);
    }
}

TEST(HelperImage, TheMd5NamesOneOfTheReleasesThatShareTheirFacts)
{
    RomImage image;
    Recognise(BuildTestImage(TestRelease("gc-jp-mq")).Rom, &image);
    char names[200];
    bool unmodified = true;
    ReleaseNames(image, "f70cf137eb8f783cb5d79756190728ce", names, sizeof(names), &unmodified);
    EXPECT_STREQ(names, "gc-jp-mq");
    EXPECT_TRUE(unmodified);
    ReleaseNames(image, "0c13e0449a28ea5b925cdb8af8d29768", names, sizeof(names), &unmodified); // gc-jp-ce as sold
    EXPECT_STREQ(names, "gc-jp-ce");
    ReleaseNames(image, "75e344f41c26ec2ec5ad92caa9e25629", names, sizeof(names), &unmodified); // another release's
    EXPECT_STREQ(names, "gc-us or gc-jp-mq or gc-jp-ce");
    EXPECT_FALSE(unmodified);
}

TEST(HelperImage, Md5KnownAnswers)
{
    // Around the 64-byte blocks, the padding's edge and the 1 MiB reading chunk.
    Buf b((1 << 20) + 57);
    for (size_t i = 0; i < b.size(); i++) b[i] = (uint8_t)(i * 7 + (i >> 12));
    struct Case { size_t Size; const char* Md5; };
    const Case cases[] = {
        { 0, "d41d8cd98f00b204e9800998ecf8427e" },
        { 56, "ef2c72b7254c92459e498eddd4ace573" },
        { 64 * 1024 + 55, "3201f96bd370208c07594777395689b8" },
        { b.size(), "e2c2113f5fa653296965c289f3d863e5" },
    };
    for (const Case& c : cases)
    {
        RomImage image;
        char md5[33] = {};
        Recognise(Buf(b.begin(), b.begin() + c.Size), &image, md5);
        EXPECT_STREQ(md5, c.Md5) << c.Size;
    }
}

// ---- Address pairs ------------------------------------------------------------------------------
TEST(HelperImage, AddressPairsAreAHighHalfAndItsAddWithinSixteenWords)
{
    const uint32_t address = 0x0701ABCD; // high part with carry 0x0702
    const uint32_t lui = 0x3C0E0702, addiu = 0x25CEABCD, addi = 0x21CEABCD;
    struct Case { const char* Name; std::vector<uint32_t> Words; uint32_t Found; uint32_t HighAt, LowAt; };
    const Case cases[] = {
        { "next word", { 0, lui, addiu }, 1, 7, 10 },
        { "sixteen words on", { lui, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, addi }, 1, 3, 66 },
        { "seventeen words on", { lui, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, addiu }, 0, 0, 0 },
        { "other register", { lui, 0x25EFABCD }, 0, 0, 0 },
        { "no carry", { 0x3C0E0701, addiu }, 0, 0, 0 },
        { "other low half", { lui, 0x25CEABCC }, 0, 0, 0 },
        { "two pairs", { lui, addiu, 0x3C0F0702, 0x25EFABCD }, 2, 3, 6 },
        { "cut off at the end", { lui }, 0, 0, 0 },
    };
    for (const Case& c : cases)
    {
        Buf code(c.Words.size() * 4);
        for (size_t i = 0; i < c.Words.size(); i++) PutTestWord(code, i * 4, c.Words[i]);
        AddressPair pairs[2] = {};
        EXPECT_EQ(FindAddressPairs(code.data(), code.size(), address, pairs, 2), c.Found) << c.Name;
        if (c.Found == 0) continue;
        EXPECT_EQ(pairs[0].HighAt, c.HighAt) << c.Name;
        EXPECT_EQ(pairs[0].LowAt, c.LowAt) << c.Name;
    }
}

TEST(HelperImage, ThePairsOfTheDebugReleaseAreWhereTheToolAlwaysPatched)
{
    TestImage img = BuildTestImage(TestRelease("gc-eu-mq-dbg"), DebugReleaseLayout());
    RomImage image;
    Recognise(img.Rom, &image);
    ASSERT_EQ(image.Problem, RECOGNISED);
    Buf table = img.Table[TT_EN];
    InjectPlan plan = PlanInjection(image, 0x80371240, TEXT_ENGLISH, false, table.data(), table.size(), 100);
    ASSERT_EQ(plan.Refused.Code, REFUSE_NONE);
    EXPECT_EQ(plan.PatchCount, 2u);
    EXPECT_EQ(plan.PatchHighAt[0], 0xAE60B7u);
    EXPECT_EQ(plan.PatchLowAt[0], 0xAE60BAu);
    EXPECT_EQ(plan.PatchHighAt[1], 0xAE60C7u);
    EXPECT_EQ(plan.PatchLowAt[1], 0xAE60F2u);
    EXPECT_EQ(plan.TableAt, 0xBC24C0u);
    EXPECT_EQ(plan.DataAt, 0x8C6000u);
    EXPECT_EQ(plan.RecordEndAt, 0x130C4u);

    // A second pair loading the same address, or none, makes the place unknown.
    for (int copies : { 0, 2 })
    {
        Buf rom = img.Rom;
        uint32_t lui = img.PatchHigh[0] - 3;
        if (copies == 0) PutTestWord(rom, lui, 0);
        else std::copy_n(&img.Rom[lui], 8, &rom[lui + 0x40]);
        Recognise(rom, &image);
        plan = PlanInjection(image, 0x80371240, TEXT_ENGLISH, false, table.data(), table.size(), 100);
        EXPECT_EQ(plan.Refused.Code, REFUSE_ADDRESS_PAIRS) << copies;
        EXPECT_EQ(plan.Refused.B, (uint64_t)copies);
    }
}
