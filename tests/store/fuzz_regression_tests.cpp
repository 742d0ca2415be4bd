// Faults the store fuzz target found, each kept as a plain case (the inputs themselves are in
// the fuzz seed corpus as regress_*).
#include "store_fixture.h"
#include "store_internal.h"

#include <cstring>

static const Text HELLO = Bytes("Hello") + Text{ CC_END };
static const Text BYE = Bytes("Bye") + Text{ CC_END };

// Sets the text offset of an entry in Table (the pair not yet written).
static void SetTableOffset(Text& table, uint32_t entry, uint32_t offset)
{
    table[entry * ENTRY_SIZE + 5] = (uint8_t)(offset >> 16);
    table[entry * ENTRY_SIZE + 6] = (uint8_t)(offset >> 8);
    table[entry * ENTRY_SIZE + 7] = (uint8_t)offset;
}

static bool InOrderAndAligned(const MessageStore& store)
{
    uint32_t previous = 0;
    for (uint32_t e = 0; e < store.MessageTableSize; e += ENTRY_SIZE)
    {
        uint32_t offset = ReadTextOffset(store, e);
        if (offset < previous || offset % 4 != 0 || offset >= store.MessageDataSize) return false;
        previous = offset;
    }
    return true;
}

// ---- Zero bytes inside a box -------------------------------------------------------------------
// EditBuffer used to end at its first TEXT_NUL, so a zero inside the text (icon 0, colour 0, a
// typed zero) cut the box at the commit: everything behind it, the message's CC_END included,
// was dropped from the data. The text now ends at the zero behind its terminator.
TEST_F(StoreTest, EditsThatInsertAZeroByteKeepTheRestOfTheBox)
{
    LoadMessages({ HELLO, BYE });
    TextSelection selection;
    selection.SelectionAnchor = 1;
    selection.SelectionEnd = 2;
    ColourSelection(Store, selection, TEXT_NUL);
    Store.Cursor = 0;
    TypeByte(Store, TEXT_NUL);
    SetBoxIcon(Store, 0, 0x00, CODE_INSERT);
    const Text edited = Text{ CC_ICON, 0x00, TEXT_NUL, 'H', CC_COLOR, TEXT_NUL, 'e', 'l', CC_COLOR, COLOR_WHITE } +
                        Bytes("lo") + Text{ CC_END };
    EXPECT_EQ(EditText(), edited);
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), edited);
    EXPECT_EQ(Message(1), BYE);
    EXPECT_TRUE(InOrderAndAligned(Store));
}

TEST_F(StoreTest, BoxHoldingAZeroByteIsEditedWhole)
{
    const Text zeroIcon = Text{ CC_ICON, 0x00 } + Bytes("Icon zero") + Text{ CC_END };
    LoadMessages({ zeroIcon, BYE });
    EXPECT_FALSE(Store.BoxReadOnly);
    EXPECT_EQ(Store.LoadedIcon, 0x00);
    // The cursor passes the zero argument and stops on the terminator.
    for (int k = 0; k < 20; k++) CursorRight(Store);
    EXPECT_EQ(Store.Cursor, (uint32_t)zeroIcon.size() - 1);
    EraseForward(Store);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    Store.Cursor = 2;
    TypeByte(Store, 'x');
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0x00, 'x' } + Bytes("Icon zero") + Text{ CC_END }));
    RefreshBox(Store, true);
    EXPECT_EQ(Message(0), (Text{ CC_ICON, 0x00, 'x' } + Bytes("Icon zero") + Text{ CC_END }));
    EXPECT_EQ(Message(1), BYE);
}

// ---- Offsets that point into a replaced box ----------------------------------------------------
// An entry whose text offset lies inside the box being removed or shortened used to be shifted
// by the full difference: below its predecessor, or wrapped to a huge 24-bit value.
TEST_F(StoreTest, DeleteBoxKeepsOffsetsInsideTheRemovedBoxInOrder)
{
    const Text twoBoxes = Bytes("First") + Text{ CC_BOX_BREAK } + Bytes("Second box") + Text{ CC_END };
    BuildMessagePair({ twoBoxes, BYE, HELLO }, Table, Data);
    SetTableOffset(Table, 1, 8); // points into the second box of message 0 ("cond box")
    LoadPair();
    NextBox(Store);
    RefreshBox(Store, false);
    DeleteBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.MessageData[5], CC_END); // the break and the second box are gone
    EXPECT_EQ(Offset(1), 5u);                // the stray entry now points at what followed them
    RefreshBox(Store, true);
    EXPECT_TRUE(InOrderAndAligned(Store));
    EXPECT_EQ(Message(2), HELLO);
}

TEST_F(StoreTest, ShorterCommitKeepsOffsetsInsideTheBoxInOrder)
{
    const Text longBox = Bytes("A rather long box") + Text{ CC_END };
    BuildMessagePair({ longBox, BYE }, Table, Data);
    Table.insert(Table.begin() + ENTRY_SIZE, Table.begin(), Table.begin() + ENTRY_SIZE);
    SetTableOffset(Table, 1, 12); // into "long box"
    LoadPair();
    DeleteEditBytes(Store, 0, 15);
    ASSERT_EQ(EditText(), (Bytes("ox") + Text{ CC_END }));
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_TRUE(InOrderAndAligned(Store));
    EXPECT_EQ(Message(2), BYE);
    // The stray entry still points at a message start inside the data.
    EXPECT_LE(Offset(1), Offset(2));
}

// ---- A message without CC_END ------------------------------------------------------------------
// DeleteBox on a message that runs to the end of the data used to remove its boxes up to the
// end of the data, which could leave an empty data file.
TEST_F(StoreTest, DeleteBoxLeavesAMessageWithoutEndAlone)
{
    Table = { 0x10, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00 };
    Data = { 0xF0, CC_BOX_BREAK_ALT };
    LoadPair();
    ASSERT_EQ(Store.LastBox, 1u);
    DeleteBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(DataBytes(), Data);
    NextBox(Store);
    RefreshBox(Store, false);
    DeleteBox(Store);
    RefreshBox(Store, true);
    EXPECT_EQ(DataBytes(), Data);
}

TEST_F(StoreTest, ShorterLastBoxKeepsAnOffsetOnItsEndInsideTheData)
{
    // The last entry points at the CC_END of the message before it, the last byte of the data.
    BuildMessagePair({ HELLO, Text{ CC_COLOR, COLOR_RED } + Bytes("Red") + Text{ CC_END } }, Table, Data);
    Table.insert(Table.end(), Table.end() - ENTRY_SIZE, Table.end());
    SetTableOffset(Table, 2, (uint32_t)Data.size() - 1);
    LoadPair();
    GoToEntry(1);
    Store.Cursor = 2;
    EraseBack(Store); // drops the CC_COLOR code: the box is two bytes shorter
    ASSERT_EQ(Store.EditState, EDIT_MODIFIED);
    RefreshBox(Store, true);
    EXPECT_TRUE(InOrderAndAligned(Store));
    EXPECT_LT(Offset(2), Store.MessageDataSize);
}

// ---- Table positions near 2^32 -----------------------------------------------------------------
// The bounds checks read pos + ENTRY_SIZE > size, which wraps for a position near 2^32: SelectEntry
// took 0xFFFFFFF8 and the next DeleteBox read the table there. Every operation given a table
// position beyond the table now leaves the pair alone, and the next load is of a real entry.
struct WildPositionCase
{
    const char* Operation;
    void (*Act)(MessageStore& store, uint32_t pos);
};

static const WildPositionCase WILD_POSITION_CASES[] = {
    { "SelectEntry, DeleteBox", [](MessageStore& s, uint32_t pos) { SelectEntry(s, pos); DeleteBox(s); } },
    { "ReadTextOffset", [](MessageStore& s, uint32_t pos) { EXPECT_EQ(ReadTextOffset(s, pos), 0u); } },
    { "WriteTextOffset", [](MessageStore& s, uint32_t pos) { WriteTextOffset(s, pos, 0x000123); } },
    { "RefreshCurrentEntry", [](MessageStore& s, uint32_t pos) { s.CurrentEntryPos = pos; RefreshCurrentEntry(s); } },
    { "NextMessage", [](MessageStore& s, uint32_t pos) {
          s.CurrentEntryPos = pos;
          NextMessage(s);
          EXPECT_EQ(s.CurrentEntryPos, 0u); // from beyond the table on to the first entry
      } },
    { "SetBoxType", [](MessageStore& s, uint32_t pos) { s.CurrentEntryPos = pos; SetBoxType(s, 3); } },
    { "SetBoxPosition", [](MessageStore& s, uint32_t pos) { s.CurrentEntryPos = pos; SetBoxPosition(s, 2); } },
    { "ShiftTextOffsets", [](MessageStore& s, uint32_t pos) { ShiftTextOffsets(s, pos, 4); } },
    { "ShiftOffsetsAbove", [](MessageStore& s, uint32_t pos) { ShiftOffsetsAbove(s, pos, 0, 0, 4, 8); } },
    { "RemoveDataRange", [](MessageStore& s, uint32_t pos) { s.LoadedEntryPos = pos; RemoveDataRange(s, 0, 4); } },
    { "CommitBox", [](MessageStore& s, uint32_t pos) { s.LoadedEntryPos = pos; TypeByte(s, 'x'); CommitBox(s); } },
};

TEST_F(StoreTest, TablePositionsBeyondTheTableChangeNothing)
{
    const Text third = Bytes("Third") + Text{ CC_END };
    // Just past the three entries, straddling the end, far out, and the positions that wrap.
    const uint32_t positions[] = { 24, 20, 0x80000000u, 0xFFFFFFF8u, 0xFFFFFFFCu, 0xFFFFFFFFu };
    for (const WildPositionCase& c : WILD_POSITION_CASES)
    {
        for (uint32_t pos : positions)
        {
            SCOPED_TRACE(testing::Message() << c.Operation << " at 0x" << std::hex << pos);
            LoadMessages({ HELLO, BYE, third });
            GoToEntry(1);
            c.Act(Store, pos);
            RefreshBox(Store, true);
            EXPECT_EQ(Store.MessageTable, Table);
            EXPECT_EQ(DataBytes(), Data);
            ASSERT_TRUE(Store.CurrentEntryPos % ENTRY_SIZE == 0 && Store.CurrentEntryPos < Store.MessageTableSize);
            EXPECT_EQ(EditText(), Message(Store.CurrentEntryPos / ENTRY_SIZE));
        }
    }
}
