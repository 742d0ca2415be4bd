// A store loaded from files written into a fresh temporary directory.
#pragma once
#include "message_store.h"
#include "encoding.h"
#include "testdata.h"

#include <gtest/gtest.h>

using Text = std::vector<uint8_t>;

struct StoreTest : ::testing::Test
{
    std::string Dir;
    MessageStore Store;
    Text Table, Data; // the pair as written to disk

    void SetUp() override
    {
        Dir = MakeTempDir();
        ASSERT_FALSE(Dir.empty());
    }
    void TearDown() override { RemoveTempDir(Dir); }

    // Writes the messages as an aligned pair, loads it and loads the first box.
    void LoadMessages(const std::vector<Text>& messages)
    {
        BuildMessagePair(messages, Table, Data);
        LoadPair();
    }
    void LoadPair()
    {
        ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
        LoadMessageFiles(Store, Dir.c_str());
        ASSERT_EQ(Store.Source, SOURCE_FILES);
        ASSERT_TRUE(RefreshBox(Store, false));
    }

    Text DataBytes() const { return Text(Store.MessageData.begin(), Store.MessageData.begin() + Store.MessageDataSize); }
    Text EditText() const { return Text(Store.EditBuffer, Store.EditBuffer + EditTextLength(Store)); }
    uint32_t Offset(uint32_t entry) const { return ReadTextOffset(Store, entry * ENTRY_SIZE); }
    // The message of an entry: from its text offset through its CC_END.
    Text Message(uint32_t entry) const
    {
        const uint8_t* data = Store.MessageData.data();
        uint32_t start = Offset(entry), end = start;
        while (end < Store.MessageDataSize && data[end] != CC_END) end += ElementLength(data, end, Store.MessageDataSize);
        if (end >= Store.MessageDataSize) end = Store.MessageDataSize - 1;
        return Text(Store.MessageData.begin() + start, Store.MessageData.begin() + end + 1);
    }
    void GoToEntry(uint32_t entry)
    {
        SelectEntry(Store, entry * ENTRY_SIZE);
        RefreshBox(Store, false);
    }
};
