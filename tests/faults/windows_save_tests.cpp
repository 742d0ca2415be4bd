// Windows: a message file that another program holds open (without letting it be deleted or
// renamed, as an editor or a virus scanner may) makes the real MoveFileEx fail. A save that
// fails that way leaves both originals byte-identical and no stray files, and
// succeeds once the file is free again.
#include "fault_support.h"
#include "file_layer.h"
#include "message_store.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <windows.h>

// Opens a file the way a program that only reads it usually does: others may read, nobody may
// delete or rename it.
static HANDLE HoldOpen(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
}

struct HeldFileSave : ::testing::Test
{
    std::string Dir = MakeTempDir();
    MessageStore Store;
    Bytes8 Table, Data;

    void SetUp() override
    {
        ASSERT_FALSE(Dir.empty());
        GenerateMessagePair(3, Table, Data);
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
        LoadMessageFiles(Store, Dir.c_str());
        ASSERT_EQ(Store.Source, SOURCE_FILES);
        RefreshBox(Store, false);
        TypeByte(Store, 'W');
        RefreshBox(Store, true);
    }
    void TearDown() override { RemoveTempDir(Dir); }

    void ExpectFiles(const Bytes8& table, const Bytes8& data)
    {
        Bytes8 t, d;
        EXPECT_TRUE(ReadTestFile(Dir, "table", t));
        EXPECT_TRUE(ReadTestFile(Dir, "nes_message_data_static", d));
        EXPECT_TRUE(t == table) << "table";
        EXPECT_TRUE(d == data) << "data";
        EXPECT_EQ(DirectoryNames(Dir), (std::vector<std::string>{ "nes_message_data_static", "table" }));
    }
};

TEST_F(HeldFileSave, EitherFileHeldLeavesBothOriginals)
{
    // The data file is replaced first: holding the table makes the second rename fail after
    // the first succeeded, so the data file must be put back.
    for (const char* held : { "table", "nes_message_data_static" })
    {
        SCOPED_TRACE(held);
        HANDLE h = HoldOpen(Dir + "/" + held);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveMessageFiles(Store));
        std::string err = testing::internal::GetCapturedStderr();
        CloseHandle(h);
        EXPECT_NE(err.find(held), std::string::npos) << err;
        EXPECT_NE(std::string(LastFileFailure()).find(held), std::string::npos);
        ExpectFiles(Table, Data);
    }
    ASSERT_TRUE(SaveMessageFiles(Store));
    Bytes8 newTable(Store.MessageTable.begin(), Store.MessageTable.begin() + Store.MessageTableSize);
    Bytes8 newData(Store.MessageData.begin(), Store.MessageData.begin() + Store.MessageDataSize);
    EXPECT_NE(newData, Data);
    ExpectFiles(newTable, newData);
}
