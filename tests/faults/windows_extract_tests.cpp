// Windows: helper's extraction while another program holds the old data file open (no
// delete or rename allowed): the real MoveFileEx fails after the table was replaced, the old
// table is put back from its second name, and both old files stay byte-identical.
#include "fault_support.h"
#include "rom_transfer.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <windows.h>

static HANDLE HoldOpen(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
}

TEST(HeldFileExtract, EitherFileHeldLeavesBothOldFiles)
{
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    Bytes8 oldTable(TABLE_SIZE, 0x11), oldData(3000, 0x22);
    ASSERT_TRUE(WriteTestFile(dir, "table", oldTable));
    ASSERT_TRUE(WriteTestFile(dir, "nes_message_data_static", oldData));
    // A ROM image just long enough, whose data range is 100 bytes.
    std::string romPath = dir + "/rom.z64";
    FILE* rom = fopen(romPath.c_str(), "wb+");
    ASSERT_NE(rom, nullptr);
    uint8_t words[8] = { 0 };
    const uint32_t start = (uint32_t)ROM_DATA_OFFSET, end = start + 100;
    for (int i = 0; i < 4; i++)
    {
        words[i] = (uint8_t)(start >> (24 - 8 * i));
        words[4 + i] = (uint8_t)(end >> (24 - 8 * i));
    }
    ASSERT_EQ(fseeko64(rom, (off64_t)ROM_MIN_SIZE - 1, SEEK_SET), 0);
    ASSERT_EQ(fputc(0x33, rom), 0x33);
    ASSERT_EQ(fseeko64(rom, (off64_t)ROM_WORDS_OFFSET, SEEK_SET), 0);
    ASSERT_EQ(fwrite(words, 1, 8, rom), 8u);
    ASSERT_EQ(fflush(rom), 0);
    RomWords read;
    ASSERT_EQ(ReadRomWords(rom, ROM_MIN_SIZE, &read), TRANSFER_OK);
    ExtractPlan plan = PlanExtraction(ROM_MIN_SIZE, read);
    ASSERT_EQ(plan.Refused.Code, REFUSE_NONE);

    std::string table = dir + "/table", data = dir + "/nes_message_data_static";
    // The table is replaced first: a held data file fails after it, a held table at once.
    for (const std::string& held : { data, table })
    {
        SCOPED_TRACE(held);
        HANDLE h = HoldOpen(held);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ExtractMessageFiles(rom, plan, table.c_str(), data.c_str()),
                  held == data ? TRANSFER_WRITE_DATA : TRANSFER_WRITE_TABLE);
        CloseHandle(h);
        Bytes8 t, d;
        EXPECT_TRUE(ReadTestFile(dir, "table", t));
        EXPECT_TRUE(ReadTestFile(dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == oldTable);
        EXPECT_TRUE(d == oldData);
        EXPECT_EQ(DirectoryNames(dir), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
    }

    // Free again: the extraction goes through.
    EXPECT_EQ(ExtractMessageFiles(rom, plan, table.c_str(), data.c_str()), TRANSFER_OK);
    Bytes8 d;
    EXPECT_TRUE(ReadTestFile(dir, "nes_message_data_static", d));
    EXPECT_EQ(d.size(), 100u);
    fclose(rom);
    RemoveTempDir(dir);
}
