// Long seeded sequences of navigation and edits on a generated pair. After every frame the
// store must still hold aligned, ordered messages that each end in CC_END, and every message
// other than the one just committed or cut must be byte-identical to what it was.
#include "store_fixture.h"
#include "sound_table.h"

#include <algorithm>
#include <cstring>

// The message of an entry as the box scan reads it: through its CC_END, element by element.
// Returns false when the data ends first.
static bool MessageExtent(const MessageStore& store, uint32_t entryPos, uint32_t& start, uint32_t& length)
{
    start = ReadTextOffset(store, entryPos);
    for (uint32_t p = start; p < store.MessageDataSize;)
    {
        uint8_t b = store.MessageData[p];
        if (b == CC_END)
        {
            length = p + 1 - start;
            return true;
        }
        p += ElementLength(store.MessageData.data(), p, store.MessageDataSize);
    }
    return false;
}

static Text MessageOf(const MessageStore& store, uint32_t entryPos)
{
    uint32_t start = 0, length = 0;
    if (!MessageExtent(store, entryPos, start, length)) return Text();
    return Text(store.MessageData.begin() + start, store.MessageData.begin() + start + length);
}

static const uint8_t TYPED[] = { 'a', 'Z', ' ', '!', '~', CC_LINE_BREAK, CC_PLAYER, 0x80, 0x9F, 0x5C };

static void RunRandomSession(StoreTest& t, uint32_t seed, int frames)
{
    MessageStore& s = t.Store;
    TestRandom random(seed);
    const uint32_t entries = s.MessageTableSize / ENTRY_SIZE;
    std::vector<Text> expected(entries);
    for (uint32_t e = 0; e < entries; e++) expected[e] = MessageOf(s, e * ENTRY_SIZE);
    uint32_t commits = 0;
    bool aligned = true; // DeleteBox leaves the alignment to the next commit

    for (int frame = 0; frame < frames; frame++)
    {
        // The entries whose message may change in this frame.
        uint32_t touchedA = s.LoadedEntryPos;
        std::vector<uint32_t> cut;
        uint32_t actions = 1 + random.Below(4);
        for (uint32_t a = 0; a < actions; a++)
        {
            uint32_t roll = random.Below(100);
            if (roll < 30) TypeByte(s, TYPED[random.Below(sizeof(TYPED))]);
            else if (roll < 38) EraseBack(s);
            else if (roll < 44) EraseForward(s);
            else if (roll < 50) CursorLeft(s);
            else if (roll < 56) CursorRight(s);
            else if (roll < 59) s.Cursor = random.Below(EditTextLength(s) + 3);
            else if (roll < 62) AddBox(s);
            else if (roll < 65)
            {
                ScanBoxStarts(s, s.CurrentTextOffset); // as the shell does at every press
                cut.push_back(s.CurrentEntryPos);
                DeleteBox(s);
            }
            else if (roll < 68) SetBoxSound(s, 0, (int)random.Below(SOUND_COUNT), (int)random.Below(3));
            else if (roll < 71) SetBoxIcon(s, random.Below(EditTextLength(s) + 1), (uint8_t)random.Below(256), (int)random.Below(3));
            else if (roll < 74) ColourSelection(s, TextSelection{ random.Below(20), random.Below(20) }, (uint8_t)(0x40 + random.Below(8)));
            else if (roll < 76) SetBoxType(s, (uint8_t)random.Below(6));
            else if (roll < 78) SetBoxPosition(s, (uint8_t)random.Below(3));
            else if (roll < 85) NextBox(s);
            else if (roll < 89) PreviousBox(s);
            else if (roll < 93) NextMessage(s);
            else if (roll < 95) PreviousMessage(s);
            else SelectEntry(s, random.Below(entries) * ENTRY_SIZE);
        }
        bool quitting = frame + 1 == frames;
        bool committed = s.EditState == EDIT_MODIFIED;
        bool removed = s.EditState == EDIT_BOX_REMOVED;
        if (!RefreshBox(s, quitting)) continue;
        commits += committed || removed;
        aligned = (aligned && !removed) || committed || quitting;

        uint32_t previous = 0;
        for (uint32_t e = 0; e < entries; e++)
        {
            uint32_t pos = e * ENTRY_SIZE;
            uint32_t start = 0, length = 0;
            ASSERT_TRUE(MessageExtent(s, pos, start, length)) << "frame " << frame << " entry " << e;
            if (aligned)
            {
                ASSERT_EQ(start % 4, 0u) << "frame " << frame << " entry " << e;
            }
            ASSERT_GE(start, previous) << "frame " << frame << " entry " << e;
            previous = start;
            bool mayChange = (committed && pos == touchedA) || std::count(cut.begin(), cut.end(), pos) > 0;
            if (mayChange)
                expected[e] = MessageOf(s, pos);
            else
                ASSERT_TRUE(length == expected[e].size() && memcmp(&s.MessageData[start], expected[e].data(), length) == 0)
                    << "frame " << frame << " entry " << e << " changed";
        }
    }
    EXPECT_GT(commits, (uint32_t)frames / 20);
}

TEST_F(StoreTest, RandomEditSessionsKeepTheMessagesSound)
{
    for (uint32_t seed : { 11u, 12u, 13u })
    {
        SCOPED_TRACE(seed);
        GenerateMessagePair(seed, Table, Data);
        LoadPair();
        RunRandomSession(*this, seed, 1500);
        if (HasFatalFailure()) return;
        // What was saved loads back as the same images.
        Text data = DataBytes();
        Text table = Store.MessageTable;
        ASSERT_TRUE(SaveMessageFiles(Store));
        LoadMessageFiles(Store, Dir.c_str());
        EXPECT_EQ(Store.Source, SOURCE_FILES);
        EXPECT_EQ(DataBytes(), data);
        EXPECT_EQ(Store.MessageTable, table);
    }
}
