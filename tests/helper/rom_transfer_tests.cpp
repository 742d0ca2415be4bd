// In-process checks of helper's arithmetic, its checksums, the plans that decide every
// refusal, and the parsing of its command line.
#include "checksum.h"
#include "command_line.h"
#include "rom_transfer.h"
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

// ---- Refusals ---------------------------------------------------------------------------------
TEST(HelperPlans, EveryRefusalReadsAsOneLine)
{
    for (int code = REFUSE_BYTE_SWAPPED; code <= REFUSE_TOO_LARGE; code++)
        for (bool dialogue : { false, true })
        {
            Refusal r = { (RefusalCode)code, UINT64_MAX, UINT64_MAX, UINT64_MAX, TEXT_FRENCH, &RELEASES[0], dialogue };
            char line[512];
            DescribeRefusal(r, line, sizeof(line));
            size_t len = strlen(line);
            EXPECT_GT(len, 20u) << code;
            EXPECT_LT(len, sizeof(line) - 1) << code; // not cut short
            EXPECT_EQ(strchr(line, '\n'), nullptr) << code;
            EXPECT_NE(strstr(line, "nothing was written."), nullptr) << line;
        }
}

// ---- Checksums --------------------------------------------------------------------------------
TEST(HelperChecksums, KnownAnswers)
{
    // The code range of an image of the high bytes of a 31-bit LCG, with bytes after the range.
    std::vector<uint8_t> rom(0x101000 + 64, 0xEE);
    uint32_t x = 1, crc1 = 0, crc2 = 0;
    for (size_t i = 0; i < 0x101000; i++)
    {
        x = (1103515245u * x + 12345u) & 0x7FFFFFFF;
        rom[i] = (uint8_t)(x >> 16);
    }
    ASSERT_TRUE(ComputeBootChecksums(rom.data(), rom.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, 0xD26D5772u);
    EXPECT_EQ(crc2, 0x01FEDC07u);
    EXPECT_FALSE(ComputeBootChecksums(rom.data(), 0x101000 - 1, &crc1, &crc2));

    std::vector<uint8_t> zeros(0x101000, 0);
    ASSERT_TRUE(ComputeBootChecksums(zeros.data(), zeros.size(), &crc1, &crc2));
    EXPECT_EQ(crc1, 0xDF26F436u);
    EXPECT_EQ(crc2, 0xDF26F436u);
}

// ---- Command line -----------------------------------------------------------------------------
TEST(HelperCommandLine, MalformedLinesNameTheProblem)
{
    struct Case { std::vector<const char*> Args; const char* Problem; };
    const Case cases[] = {
        { { "--force" }, "no command given" },
        { { "extract", "rom.z64", "--no-checksum" }, "--no-checksum belongs to inject" },
        { { "extract", "--", "rom.z64", "--force" }, "one ROM path only; '--force' is extra" },
        // Control characters in a named argument keep the problem on one line.
        { { "\x03\x01\n" }, "unknown command '\\x03\\x01\\x0A'" },
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
