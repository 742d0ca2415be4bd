// Windows: a message file that another program holds open without letting it be deleted or
// renamed (as an editor or a virus scanner may) makes the real MoveFileEx fail. A save that fails
// that way leaves both originals byte-identical and no other files, and succeeds once it is free.
#include "fault_support.h"
#include "message_store.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <windows.h>

static void ExpectFiles(const std::string& dir, const Bytes8& table, const Bytes8& data)
{
    Bytes8 t, d;
    EXPECT_TRUE(ReadTestFile(dir, "table", t) && ReadTestFile(dir, "nes_message_data_static", d));
    EXPECT_TRUE(t == table && d == data);
    EXPECT_EQ(DirectoryNames(dir), (std::vector<std::string>{ "nes_message_data_static", "table" }));
}

TEST(HeldFileSave, EitherFileHeldLeavesBothOriginals)
{
    std::string dir = MakeTempDir();
    Bytes8 table, data;
    GenerateMessagePair(3, table, data);
    ASSERT_TRUE(WriteMessagePair(dir, table, data));
    MessageStore store;
    LoadMessageFiles(store, dir.c_str());
    ASSERT_EQ(store.Source, SOURCE_FILES);
    RefreshBox(store, false);
    TypeByte(store, 'W');
    RefreshBox(store, true);
    // The data file is replaced first: a held table fails after it, and the data file is put back.
    for (const char* held : { "table", "nes_message_data_static" })
    {
        SCOPED_TRACE(held);
        HANDLE h = CreateFileA((dir + "/" + held).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(SaveMessageFiles(store));
        std::string err = testing::internal::GetCapturedStderr();
        CloseHandle(h);
        EXPECT_NE(err.find(held), std::string::npos) << err;
        ExpectFiles(dir, table, data);
    }
    ASSERT_TRUE(SaveMessageFiles(store));
    Bytes8 newData(store.MessageData.begin(), store.MessageData.begin() + store.MessageDataSize);
    EXPECT_NE(newData, data);
    ExpectFiles(dir, Bytes8(store.MessageTable.begin(), store.MessageTable.begin() + store.MessageTableSize), newData);
    RemoveTempDir(dir);
}
