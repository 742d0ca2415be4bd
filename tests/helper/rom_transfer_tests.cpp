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

// ---- Plans ------------------------------------------------------------------------------------
static const uint64_t MIN_ROM = 12330176 + 16928;

TEST(HelperPlans, ExtractionBounds)
{
    RomWords w = { 0x8C6000, 0x8C6000 + 1003, 0, true };
    EXPECT_EQ(PlanExtraction(MIN_ROM - 1, w).Refused.Code, REFUSE_ROM_TOO_SHORT);
    ExtractPlan ok = PlanExtraction(MIN_ROM, w);
    EXPECT_EQ(ok.Refused.Code, REFUSE_NONE);
    EXPECT_EQ(ok.DataFrom, 0x8C6000u);
    EXPECT_EQ(ok.DataSize, 1003u);

    RomWords below = { 0x8C6000, 0x8C5FFF, 0, true };
    EXPECT_EQ(PlanExtraction(MIN_ROM, below).Refused.Code, REFUSE_DATA_END_BELOW_START);
    RomWords empty = { 0x8C6000, 0x8C6000, 0, true };
    EXPECT_EQ(PlanExtraction(MIN_ROM, empty).DataSize, 0u);

    RomWords toEnd = { 0xBC0000, (uint32_t)MIN_ROM, 0, true };
    EXPECT_EQ(PlanExtraction(MIN_ROM, toEnd).Refused.Code, REFUSE_NONE);
    RomWords past = { 0xBC0000, (uint32_t)MIN_ROM + 1, 0, true };
    ExtractPlan refused = PlanExtraction(MIN_ROM, past);
    EXPECT_EQ(refused.Refused.Code, REFUSE_DATA_BEYOND_ROM);
    RomWords huge = { 0, 0xFFFFFFFF, 0, true };
    EXPECT_EQ(PlanExtraction(MIN_ROM, huge).Refused.Code, REFUSE_DATA_BEYOND_ROM);
}

TEST(HelperPlans, InjectionBounds)
{
    const uint64_t rom = 32u << 20;
    RomWords w = { 0x8C6000, 0x8C7000, 0, true };
    InjectPlan p = PlanInjection(rom, w, 16928, 1000);
    EXPECT_EQ(p.Refused.Code, REFUSE_NONE);
    EXPECT_EQ(p.NewDataEnd, 0x8C6000u + 1008);
    EXPECT_EQ(PlanInjection(rom, w, 16928, 0).NewDataEnd, 0x8C6000u);

    EXPECT_EQ(PlanInjection(MIN_ROM - 1, w, 16928, 10).Refused.Code, REFUSE_ROM_TOO_SHORT);
    RomWords below = { 0x8C6000, 0x8C5000, 0, true };
    EXPECT_EQ(PlanInjection(rom, below, 16928, 10).Refused.Code, REFUSE_DATA_END_BELOW_START);
    RomWords moved = { 0x8C6010, 0x8C7000, 0, true };
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

TEST(HelperPlans, NoMessageTableIsRefusedInBothPlans)
{
    const uint64_t rom = 32u << 20;
    RomWords foreign = { 0x8C6000, 0x8C7000, 0, false };
    EXPECT_EQ(PlanExtraction(rom, foreign).Refused.Code, REFUSE_NO_MESSAGE_TABLE);
    EXPECT_EQ(PlanInjection(rom, foreign, 16928, 1000).Refused.Code, REFUSE_NO_MESSAGE_TABLE);
    // Before the words are judged (they mean nothing in a foreign image) ...
    RomWords odd = { 0x8C6010, 0x00000010, 0, false };
    EXPECT_EQ(PlanExtraction(rom, odd).Refused.Code, REFUSE_NO_MESSAGE_TABLE);
    EXPECT_EQ(PlanInjection(rom, odd, 8, UINT64_MAX).Refused.Code, REFUSE_NO_MESSAGE_TABLE);
    // ... after the byte order and the size, which tell more.
    RomWords swapped = { 0x8C6000, 0x8C7000, 0x37804012, false };
    EXPECT_EQ(PlanExtraction(rom, swapped).Refused.Code, REFUSE_BYTE_SWAPPED);
    EXPECT_EQ(PlanInjection(rom, swapped, 16928, 10).Refused.Code, REFUSE_BYTE_SWAPPED);
    EXPECT_EQ(PlanExtraction(MIN_ROM - 1, foreign).Refused.Code, REFUSE_ROM_TOO_SHORT);
    EXPECT_EQ(PlanInjection(MIN_ROM - 1, foreign, 16928, 10).Refused.Code, REFUSE_ROM_TOO_SHORT);
}

TEST(HelperPlans, MessageTableAreaIsWholeRecordsWithTheAddressByte)
{
    // The run tests refuse noise and a wrong first or last record; here the sizes and a middle
    // record off by one.
    std::vector<uint8_t> area(16928);
    for (size_t i = 0; i < area.size(); i++) area[i] = i % 8 == 4 ? 0x07 : (uint8_t)(i * 13 + 5);
    EXPECT_TRUE(IsMessageTableArea(area.data(), 16928));
    EXPECT_TRUE(IsMessageTableArea(area.data(), 8));
    EXPECT_FALSE(IsMessageTableArea(area.data(), 0));
    EXPECT_FALSE(IsMessageTableArea(area.data(), 16927)); // the last record cut short
    area[8468] = 0x06;
    EXPECT_FALSE(IsMessageTableArea(area.data(), 16928));
}

TEST(HelperPlans, EveryRefusalReadsAsOneLine)
{
    for (int code = REFUSE_ROM_TOO_SHORT; code <= REFUSE_NO_MESSAGE_TABLE; code++)
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
