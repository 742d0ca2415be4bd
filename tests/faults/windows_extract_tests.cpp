// Windows: helper's extraction while another program holds an old message file open (no delete
// or rename allowed): the real MoveFileEx fails, both old files stay byte-identical and alone, and
// the extraction goes through once the file is free.
#include "fault_support.h"
#include "rom_builder.h"
#include "rom_transfer.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <windows.h>

TEST(HeldFileExtract, EitherFileHeldLeavesBothOldFiles)
{
    std::string dir = MakeTempDir();
    TestImage img = BuildTestImage(TestRelease("pal-1.0"));
    Bytes8 oldTable(img.Table[TT_EN].size(), 0x11), oldData(3000, 0x22);
    ASSERT_TRUE(WriteImageFile(dir + "/rom.z64", img.Rom) && WriteMessagePair(dir, oldTable, oldData));
    FILE* rom = fopen((dir + "/rom.z64").c_str(), "rb");
    ASSERT_NE(rom, nullptr);
    RomImage image;
    RecogniseImage(ImageFile{ rom, img.Rom.size() }, &image);
    const ExtractPlan plan = PlanExtraction(image, ReadWord(img.Rom.data()), TEXT_ENGLISH);
    ASSERT_EQ(plan.Refused.Code, REFUSE_NONE);
    // The table is replaced first: a held data file fails after it, a held table at once.
    std::string table = dir + "/table", data = dir + "/nes_message_data_static";
    for (const std::string& held : { data, table })
    {
        SCOPED_TRACE(held);
        HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(ExtractMessageFiles(rom, plan, table.c_str(), data.c_str()),
                  held == data ? TRANSFER_WRITE_DATA : TRANSFER_WRITE_TABLE);
        CloseHandle(h);
        Bytes8 t, d;
        EXPECT_TRUE(ReadTestFile(dir, "table", t) && ReadTestFile(dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == oldTable && d == oldData);
        EXPECT_EQ(DirectoryNames(dir), (std::vector<std::string>{ "nes_message_data_static", "rom.z64", "table" }));
    }
    EXPECT_EQ(ExtractMessageFiles(rom, plan, table.c_str(), data.c_str()), TRANSFER_OK); // free again
    Bytes8 t, d;
    EXPECT_TRUE(ReadTestFile(dir, "table", t) && t == img.Table[TT_EN]);
    EXPECT_TRUE(ReadTestFile(dir, "nes_message_data_static", d) && d == img.Data[TT_EN]);
    fclose(rom);
    RemoveTempDir(dir);
}
