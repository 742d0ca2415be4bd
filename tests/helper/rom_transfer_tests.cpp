// In-process checks of helper's arithmetic, its checksums, the plans that decide every
// refusal, and the parsing of its command line.
#include "checksum.h"
#include "command_line.h"
#include "rom_transfer.h"
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// ---- Arithmetic -------------------------------------------------------------------------------
TEST(HelperArithmetic, AddressPatchCarriesWhenLowHalfIsNegative)
{
    AddressPatch p = ComputeAddressPatch(0x01ABCD);
    EXPECT_EQ(p.High, 0x02);
    EXPECT_EQ(p.Low, 0xABCD);
    p = ComputeAddressPatch(0x017FFF);
    EXPECT_EQ(p.High, 0x01);
    EXPECT_EQ(p.Low, 0x7FFF);
    p = ComputeAddressPatch(0x018000);
    EXPECT_EQ(p.High, 0x02);
    EXPECT_EQ(p.Low, 0x8000);
    p = ComputeAddressPatch(0xFF9000); // the carry wraps the high byte round to zero
    EXPECT_EQ(p.High, 0x00);
    EXPECT_EQ(p.Low, 0x9000);
}

TEST(HelperArithmetic, AddressPatchRebuildsEveryOffsetAsTheCodeAddsIt)
{
    // The game adds the sign-extended low half to the high part shifted up by 16.
    for (uint32_t offset = 0; offset <= 0xFFFFFF; offset += 7)
    {
        AddressPatch p = ComputeAddressPatch(offset);
        uint32_t rebuilt = ((uint32_t)p.High << 16) + (uint32_t)(int32_t)(int16_t)p.Low;
        ASSERT_EQ(rebuilt & 0xFFFFFF, offset) << std::hex << offset;
    }
}

TEST(HelperArithmetic, DataSizeRoundsUpToSixteen)
{
    EXPECT_EQ(RoundDataSize(0), 0u);
    EXPECT_EQ(RoundDataSize(1), 16u);
    EXPECT_EQ(RoundDataSize(15), 16u);
    EXPECT_EQ(RoundDataSize(16), 16u);
    EXPECT_EQ(RoundDataSize(1000), 1008u);
    EXPECT_EQ(RoundDataSize(1008), 1008u);
    EXPECT_EQ(RoundDataSize(1009), 1024u);
}

TEST(HelperArithmetic, WordsAndTextOffsetsAreBigEndian)
{
    uint8_t b[8] = {};
    WriteWord(b, 0x008C6000);
    EXPECT_EQ(b[0], 0x00); EXPECT_EQ(b[1], 0x8C); EXPECT_EQ(b[2], 0x60); EXPECT_EQ(b[3], 0x00);
    EXPECT_EQ(ReadWord(b), 0x008C6000u);
    const uint8_t rec[8] = { 0x10, 0x00, 0x23, 0x00, 0x07, 0x01, 0xAB, 0xCD };
    EXPECT_EQ(TableTextOffset(rec, 5), 0x01ABCDu);
}

TEST(HelperArithmetic, WholeNumbersOnly)
{
    struct Case { const char* text; bool ok; int32_t value; };
    const Case cases[] = {
        { "1", true, 1 }, { "+2", true, 2 }, { "-3", true, -3 }, { "007", true, 7 },
        { "2147483647", true, 2147483647 }, { "-2147483648", true, INT32_MIN },
        { "2147483648", false, 0 }, { "99999999999999999999999", false, 0 },
        { "", false, 0 }, { "+", false, 0 }, { "-", false, 0 }, { "1.5", false, 0 },
        { "1a", false, 0 }, { "a1", false, 0 }, { "0x1", false, 0 },
    };
    for (const Case& c : cases)
    {
        int32_t v = 12345;
        EXPECT_EQ(ParseWholeNumber(c.text, strlen(c.text), &v), c.ok) << c.text;
        if (c.ok) EXPECT_EQ(v, c.value) << c.text;
        else EXPECT_EQ(v, 12345) << c.text; // untouched on refusal
    }
}

// ---- Plans ------------------------------------------------------------------------------------
static const uint64_t MIN_ROM = 12330176 + 16928;

TEST(HelperPlans, ExtractionBounds)
{
    RomWords w = { 0x8C6000, 0x8C6000 + 1003, 0 };
    EXPECT_EQ(PlanExtraction(MIN_ROM - 1, w).Refused.Code, REFUSE_ROM_TOO_SHORT);
    ExtractPlan ok = PlanExtraction(MIN_ROM, w);
    EXPECT_EQ(ok.Refused.Code, REFUSE_NONE);
    EXPECT_EQ(ok.DataFrom, 0x8C6000u);
    EXPECT_EQ(ok.DataSize, 1003u);

    RomWords below = { 0x8C6000, 0x8C5FFF, 0 };
    EXPECT_EQ(PlanExtraction(MIN_ROM, below).Refused.Code, REFUSE_DATA_END_BELOW_START);
    RomWords empty = { 0x8C6000, 0x8C6000, 0 };
    EXPECT_EQ(PlanExtraction(MIN_ROM, empty).DataSize, 0u);

    RomWords toEnd = { 0xBC0000, (uint32_t)MIN_ROM, 0 };
    EXPECT_EQ(PlanExtraction(MIN_ROM, toEnd).Refused.Code, REFUSE_NONE);
    RomWords past = { 0xBC0000, (uint32_t)MIN_ROM + 1, 0 };
    ExtractPlan refused = PlanExtraction(MIN_ROM, past);
    EXPECT_EQ(refused.Refused.Code, REFUSE_DATA_BEYOND_ROM);
    RomWords huge = { 0, 0xFFFFFFFF, 0 };
    EXPECT_EQ(PlanExtraction(MIN_ROM, huge).Refused.Code, REFUSE_DATA_BEYOND_ROM);
}

TEST(HelperPlans, InjectionBounds)
{
    const uint64_t rom = 32u << 20;
    RomWords w = { 0x8C6000, 0x8C7000, 0 };
    InjectPlan p = PlanInjection(rom, w, 16928, 1000);
    EXPECT_EQ(p.Refused.Code, REFUSE_NONE);
    EXPECT_EQ(p.NewDataEnd, 0x8C6000u + 1008);
    EXPECT_EQ(PlanInjection(rom, w, 16928, 0).NewDataEnd, 0x8C6000u);

    EXPECT_EQ(PlanInjection(MIN_ROM - 1, w, 16928, 10).Refused.Code, REFUSE_ROM_TOO_SHORT);
    RomWords below = { 0x8C6000, 0x8C5000, 0 };
    EXPECT_EQ(PlanInjection(rom, below, 16928, 10).Refused.Code, REFUSE_DATA_END_BELOW_START);
    RomWords moved = { 0x8C6010, 0x8C7000, 0 };
    EXPECT_EQ(PlanInjection(rom, moved, 16928, 10).Refused.Code, REFUSE_DATA_START_WORD);
    EXPECT_EQ(PlanInjection(rom, w, 16927, 10).Refused.Code, REFUSE_TABLE_SIZE);
    EXPECT_EQ(PlanInjection(rom, w, 16929, 10).Refused.Code, REFUSE_TABLE_SIZE);
    EXPECT_EQ(PlanInjection(rom, w, 8, 10).Refused.Code, REFUSE_TABLE_SIZE);

    // The rounded data must end at or before the first patch place, 11428023.
    const uint64_t room = 11428023 - 0x8C6000;
    EXPECT_EQ(PlanInjection(rom, w, 16928, room - room % 16).Refused.Code, REFUSE_NONE);
    InjectPlan big = PlanInjection(rom, w, 16928, room - room % 16 + 1);
    EXPECT_EQ(big.Refused.Code, REFUSE_DATA_TOO_LARGE);
    EXPECT_EQ(big.Refused.B, room - room % 16);
    EXPECT_EQ(PlanInjection(rom, w, 16928, UINT64_MAX).Refused.Code, REFUSE_DATA_TOO_LARGE);
}

TEST(HelperPlans, EveryRefusalReadsAsOneLine)
{
    for (int code = REFUSE_ROM_TOO_SHORT; code <= REFUSE_DATA_TOO_LARGE; code++)
    {
        Refusal r = { (RefusalCode)code, UINT64_MAX, UINT64_MAX, UINT64_MAX };
        char line[256];
        DescribeRefusal(r, line, sizeof(line));
        size_t len = strlen(line);
        EXPECT_GT(len, 20u) << code;
        EXPECT_LT(len, sizeof(line) - 1) << code; // not cut short
        EXPECT_EQ(strchr(line, '\n'), nullptr) << code;
    }
}

TEST(HelperPlans, ByteSwappedImagesAreRefusedBeforeAnythingElse)
{
    EXPECT_EQ(ByteOrderOf(0x80371240), ROM_ORDER_BIG_ENDIAN);
    EXPECT_EQ(ByteOrderOf(0x37804012), ROM_ORDER_SWAPPED_16);
    EXPECT_EQ(ByteOrderOf(0x40123780), ROM_ORDER_SWAPPED_32);
    for (uint32_t other : { 0u, 0x80371241u, 0x12408037u, 0x37804013u, 0xFFFFFFFFu })
        EXPECT_EQ(ByteOrderOf(other), ROM_ORDER_BIG_ENDIAN) << std::hex << other;

    // Refused even where the words and sizes would fit, and ahead of a too-short image.
    const uint64_t rom = 32u << 20;
    for (uint32_t first : { 0x37804012u, 0x40123780u })
    {
        RomWords w = { 0x8C6000, 0x8C7000, first };
        ExtractPlan e = PlanExtraction(rom, w);
        EXPECT_EQ(e.Refused.Code, REFUSE_BYTE_SWAPPED);
        EXPECT_EQ(PlanInjection(rom, w, 16928, 1000).Refused.Code, REFUSE_BYTE_SWAPPED);
        EXPECT_EQ(PlanExtraction(4, w).Refused.Code, REFUSE_BYTE_SWAPPED);
        char line[256];
        DescribeRefusal(e.Refused, line, sizeof(line));
        EXPECT_NE(strstr(line, first == 0x37804012u ? "16-bit" : "32-bit"), nullptr) << line;
    }
    RomWords plain = { 0x8C6000, 0x8C7000, 0x80371240 };
    EXPECT_EQ(PlanExtraction(rom, plain).Refused.Code, REFUSE_NONE);
    EXPECT_EQ(PlanInjection(rom, plain, 16928, 1000).Refused.Code, REFUSE_NONE);
}

// ---- Checksums --------------------------------------------------------------------------------
// The first 0x101000 bytes of the known-answer image: the high bytes of a 31-bit LCG.
static std::vector<uint8_t> LcgImage()
{
    std::vector<uint8_t> rom(0x101000);
    uint32_t x = 1;
    for (uint8_t& b : rom)
    {
        x = (1103515245u * x + 12345u) & 0x7FFFFFFF;
        b = (uint8_t)(x >> 16);
    }
    return rom;
}

TEST(HelperChecksums, KnownAnswers)
{
    std::vector<uint8_t> rom = LcgImage();
    uint32_t crc1 = 0, crc2 = 0;
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, 0xD26D5772u);
    EXPECT_EQ(crc2, 0x01FEDC07u);

    std::vector<uint8_t> zeros(0x101000, 0);
    ASSERT_TRUE(ComputeBootChecksums(zeros.data(), zeros.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, 0xDF26F436u);
    EXPECT_EQ(crc2, 0xDF26F436u);
}

TEST(HelperChecksums, OnlyTheCodeRangeCounts)
{
    std::vector<uint8_t> rom = LcgImage();
    uint32_t want1 = 0, want2 = 0, crc1 = 0, crc2 = 0;
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &want1, &want2));
    // The header, the checksums included, and anything past the range are not summed; of the
    // first 0x1000 bytes only the 256 mixed into t1 (from 0x750) count.
    for (size_t i = 0; i < 0x750; i++) rom[i] ^= 0x5A;
    for (size_t i = 0x850; i < 0x1000; i++) rom[i] ^= 0xA5;
    rom.resize(0x101000 + 64, 0xEE);
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, want1);
    EXPECT_EQ(crc2, want2);
    std::vector<uint8_t> mixed(rom.begin() + 0x750, rom.begin() + 0x850);
    std::fill(rom.begin() + 0x750, rom.begin() + 0x850, 0);
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, want1);
    EXPECT_NE(crc2, want2);
    std::copy(mixed.begin(), mixed.end(), rom.begin() + 0x750);
    // The last summed word counts.
    rom[0x100FFC] ^= 0x10;
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc1, &crc2));
    EXPECT_TRUE(crc1 != want1 || crc2 != want2);
    // Too short by one byte: refused, results untouched.
    crc1 = crc2 = 7;
    EXPECT_FALSE(ComputeBootChecksums(rom.data(), 0x101000 - 1, &crc1, &crc2));
    EXPECT_EQ(crc1, 7u);
    EXPECT_EQ(crc2, 7u);
}

// ---- Command line -----------------------------------------------------------------------------
struct ParseCase
{
    std::vector<const char*> Args; // after the program name
    CommandAction Action;
    CommandKind   Kind;
    const char*   Rom;
    bool          Force, NoChecksum;
};

TEST(HelperCommandLine, AcceptedLines)
{
    const ParseCase cases[] = {
        { { "extract", "rom.z64" }, ACTION_TRANSFER, COMMAND_EXTRACT, "rom.z64", false, false },
        { { "extract", "rom.z64", "--force" }, ACTION_TRANSFER, COMMAND_EXTRACT, "rom.z64", true, false },
        { { "--force", "extract", "rom.z64" }, ACTION_TRANSFER, COMMAND_EXTRACT, "rom.z64", true, false },
        { { "extract", "--force", "rom.z64", "--force" }, ACTION_TRANSFER, COMMAND_EXTRACT, "rom.z64", true, false },
        { { "inject", "rom.z64" }, ACTION_TRANSFER, COMMAND_INJECT, "rom.z64", false, false },
        { { "inject", "--no-checksum", "rom.z64" }, ACTION_TRANSFER, COMMAND_INJECT, "rom.z64", false, true },
        { { "inject", "--", "--odd.z64" }, ACTION_TRANSFER, COMMAND_INJECT, "--odd.z64", false, false },
        { { "--", "inject", "-" }, ACTION_TRANSFER, COMMAND_INJECT, "-", false, false },
        { { "extract", "-", "--force" }, ACTION_TRANSFER, COMMAND_EXTRACT, "-", true, false },
        { { "--help" }, ACTION_HELP, COMMAND_EXTRACT, nullptr, false, false },
        { { "inject", "rom", "--bogus", "--help" }, ACTION_HELP, COMMAND_EXTRACT, nullptr, false, false },
        { { "--version" }, ACTION_VERSION, COMMAND_EXTRACT, nullptr, false, false },
    };
    for (const ParseCase& c : cases)
    {
        std::vector<const char*> argv{ "helper" };
        argv.insert(argv.end(), c.Args.begin(), c.Args.end());
        CommandLine cl = ParseCommandLine((int)argv.size(), argv.data());
        SCOPED_TRACE(testing::Message() << c.Args.size() << " args, first " << c.Args[0]);
        ASSERT_EQ(cl.Action, c.Action) << cl.Problem;
        if (c.Action != ACTION_TRANSFER) continue;
        EXPECT_EQ(cl.Request.Kind, c.Kind);
        EXPECT_STREQ(cl.Request.RomPath, c.Rom);
        EXPECT_EQ(cl.Request.Force, c.Force);
        EXPECT_EQ(cl.Request.NoChecksum, c.NoChecksum);
    }
}

TEST(HelperCommandLine, MalformedLinesNameTheProblem)
{
    struct Case { std::vector<const char*> Args; const char* Problem; };
    const Case cases[] = {
        { { "Extract", "rom.z64" }, "unknown command 'Extract'" },
        { { "extract" }, "extract needs the path of a ROM image" },
        { { "--force" }, "no command given" },
        { { "--" }, "no command given" },
        { { "extract", "a.z64", "b.z64" }, "one ROM path only; 'b.z64' is extra" },
        { { "extract", "rom.z64", "-f" }, "unknown option '-f'" },
        { { "extract", "rom.z64", "--forced" }, "unknown option '--forced'" },
        { { "extract", "rom.z64", "--no-checksum" }, "--no-checksum belongs to inject" },
        { { "extract", "--", "rom.z64", "--force" }, "one ROM path only; '--force' is extra" },
        // Control characters in a named argument keep the problem on one line.
        { { "\x03\x01\n" }, "unknown command '\\x03\\x01\\x0A'" },
        { { "inject", "rom", "--\tx\x7F" }, "unknown option '--\\x09x\\x7F'" },
    };
    for (const Case& c : cases)
    {
        std::vector<const char*> argv{ "helper" };
        argv.insert(argv.end(), c.Args.begin(), c.Args.end());
        CommandLine cl = ParseCommandLine((int)argv.size(), argv.data());
        EXPECT_EQ(cl.Action, ACTION_MALFORMED) << c.Problem;
        EXPECT_EQ(cl.Problem, c.Problem);
    }
}

TEST(HelperCommandLine, HelpFitsOneScreen)
{
    FILE* out = tmpfile(); // not open_memstream: the Windows build runs this too
    ASSERT_NE(out, nullptr);
    PrintHelperHelp(out);
    rewind(out);
    std::string help;
    for (int c; (c = fgetc(out)) != EOF;) help += (char)c;
    fclose(out);
    int lines = 0;
    size_t start = 0;
    for (size_t nl; (nl = help.find('\n', start)) != std::string::npos; start = nl + 1, lines++)
        EXPECT_LE(nl - start, 80u) << help.substr(start, nl - start);
    EXPECT_LE(lines, 24);
    EXPECT_EQ(start, help.size()); // ends with a line break
    for (const char* word : { "extract", "inject", "--force", "--no-checksum", "--version", "64", "rn64crc.exe" })
        EXPECT_NE(help.find(word), std::string::npos) << word;
}
