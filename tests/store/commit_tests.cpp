// Committing the edited box, aligning the messages, deleting boxes.
#include "store_fixture.h"

static const Text HELLO = Bytes("Hello") + Text{ CC_END };
static const Text BYE = Bytes("Bye") + Text{ CC_END };
static const Text ZED = Bytes("Zed") + Text{ CC_END };

// ---- Commit ------------------------------------------------------------------------------------
TEST_F(StoreTest, TypingTwoBytesMovesLaterMessagesByFour)
{
    LoadMessages({ HELLO, BYE, ZED });
    ASSERT_EQ(Offset(1), 8u);
    TypeByte(Store, 'a');
    TypeByte(Store, 'b');
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Offset(0), 0u);
    EXPECT_EQ(Offset(1), 12u);
    EXPECT_EQ(Offset(2), 16u);
    EXPECT_EQ(DataBytes(), (Bytes("abHello") + Text{ CC_END, 0, 0, 0, 0 } + BYE + ZED));
    EXPECT_EQ(EditText(), BYE);
}

TEST_F(StoreTest, DeletingOneByteAddsOneZeroBeforeTheAlignedSuccessor)
{
    LoadMessages({ HELLO, BYE });
    EraseForward(Store);
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Offset(1), 8u);
    EXPECT_EQ(DataBytes(), (Bytes("ello") + Text{ CC_END, 0, 0, 0 } + BYE));
}

TEST_F(StoreTest, ShorterByFourMovesSuccessorsDown)
{
    LoadMessages({ Bytes("Hello!!") + Text{ CC_END }, BYE });
    ASSERT_EQ(Offset(1), 8u);
    DeleteEditBytes(Store, 0, 4);
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Offset(1), 4u);
    EXPECT_EQ(DataBytes(), (Bytes("o!!") + Text{ CC_END } + BYE));
}

TEST_F(StoreTest, UnchangedCommitOfTrickyBoxesLeavesTheDataAlone)
{
    const Text icon = Text{ CC_ICON, CC_BOX_BREAK } + Bytes("Icon") + Text{ CC_BOX_BREAK } + Bytes("two") + Text{ CC_END };
    const Text shift = Bytes("a") + Text{ CC_SHIFT, CC_END } + Bytes("b") + Text{ CC_END };
    LoadMessages({ icon, shift, BYE });
    for (int entry = 0; entry < 2; entry++)
    {
        SCOPED_TRACE(entry);
        GoToEntry(entry);
        Store.Cursor = 0;
        TypeByte(Store, 'x');
        EraseBack(Store);
        EXPECT_EQ(Store.EditState, EDIT_MODIFIED);
        NextMessage(Store);
        RefreshBox(Store, false);
        EXPECT_EQ(DataBytes(), Data);
        EXPECT_EQ(Store.MessageTable, Table);
    }
}

TEST_F(StoreTest, CommitGrowsTheDataBeyondItsFirstCapacity)
{
    LoadMessages({ Bytes("a") + Text{ CC_END }, BYE });
    uint32_t capacity = (uint32_t)Store.MessageData.size();
    for (int box = 0; box < 6; box++)
    {
        Store.Cursor = 0;
        for (int i = 0; i < 3000; i++) TypeByte(Store, (uint8_t)('A' + box));
        AddBox(Store);
        RefreshBox(Store, false);
        NextBox(Store);
        RefreshBox(Store, false);
    }
    EXPECT_GT(Store.MessageDataSize, capacity);
    EXPECT_EQ(Store.LastBox, 6u);
    for (uint32_t box = 0; box < 6; box++)
    {
        uint32_t start = Offset(0) + Store.BoxStarts[box];
        EXPECT_EQ(Store.MessageData[start], 'A' + box);
        EXPECT_EQ(Store.MessageData[start + 2999], 'A' + box);
    }
    EXPECT_EQ(Offset(1) % 4, 0u);
    EXPECT_EQ(Message(1), BYE);
}

// ---- Alignment ---------------------------------------------------------------------------------
TEST_F(StoreTest, AlignmentPadsEveryMisalignedMessage)
{
    Table = { 0x10, 0, 0, 0, 7, 0, 0, 0, 0x10, 1, 0, 0, 7, 0, 0, 2, 0x10, 2, 0, 0, 7, 0, 0, 7, 0x10, 3, 0, 0, 7, 0, 0, 9 };
    Data = Bytes("A") + Text{ CC_END } + Bytes("BC") + Text{ CC_END, 0, 0 } + Text{ 'D', CC_END } + Bytes("xyz");
    LoadPair();
    Store.MessageTable[4] = 0x55; // byte 4 is never touched
    AlignTextOffsets(Store);
    EXPECT_EQ(Offset(0), 0u);
    EXPECT_EQ(Offset(1), 4u);
    EXPECT_EQ(Offset(2), 12u);
    EXPECT_EQ(Offset(3), 16u);
    EXPECT_EQ(DataBytes(), (Bytes("A") + Text{ CC_END, 0, 0 } + Bytes("BC") + Text{ CC_END, 0, 0, 0, 0, 0 } +
                            Text{ 'D', CC_END, 0, 0 } + Bytes("xyz")));
    EXPECT_EQ(Store.MessageTable[4], 0x55);
}

TEST_F(StoreTest, ShiftTextOffsetsWrapsAt24Bits)
{
    LoadMessages({ HELLO, BYE });
    ShiftTextOffsets(Store, 8, -16);
    EXPECT_EQ(Offset(1), 0xFFFFF8u);
    EXPECT_EQ(Store.MessageTable[12], 0x07);
    ShiftTextOffsets(Store, 8, 16);
    EXPECT_EQ(Offset(1), 8u);
    ShiftTextOffsets(Store, 16, 100); // beyond the table: nothing
    EXPECT_EQ(Store.MessageTable, Table);
}

TEST_F(StoreTest, DataBytesMoveAndShrink)
{
    LoadMessages({ HELLO });
    InsertDataByte(Store, 0, 'Z');
    InsertDataByte(Store, Store.MessageDataSize, 'E');
    InsertDataByte(Store, Store.MessageDataSize + 5, 'Q'); // outside: nothing
    EXPECT_EQ(DataBytes(), (Bytes("ZHello") + Text{ CC_END, 'E' }));
    DeleteDataBytes(Store, 1, 5);
    EXPECT_EQ(DataBytes(), (Text{ 'Z', CC_END, 'E' }));
    DeleteDataBytes(Store, 2, 100);
    EXPECT_EQ(DataBytes(), (Text{ 'Z', CC_END }));
}

// ---- DeleteBox ---------------------------------------------------------------------------------
static const Text THREE = Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END };

struct DeleteCase
{
    uint32_t Box;
    Text After;
    uint32_t BoxAfter;
};

TEST_F(StoreTest, DeleteBoxOnFirstMiddleAndLastBox)
{
    const DeleteCase cases[] = {
        { 0, Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }, 0 },
        { 1, Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }, 0 },
        { 2, Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("B") + Text{ CC_END }, 1 },
    };
    for (const DeleteCase& c : cases)
    {
        SCOPED_TRACE(c.Box);
        LoadMessages({ THREE, BYE });
        for (uint32_t i = 0; i < c.Box; i++) NextBox(Store);
        RefreshBox(Store, false);
        TypeByte(Store, '#'); // dropped with the box
        DeleteBox(Store);
        EXPECT_EQ(Store.CurrentBox, c.BoxAfter);
        EXPECT_EQ(Store.EditState, EDIT_BOX_REMOVED);
        EXPECT_EQ(Store.ReloadPending, 1);
        EXPECT_EQ(Offset(1), 6u); // moved down by the two removed bytes, aligned later
        RefreshBox(Store, false);
        EXPECT_EQ(Message(0), c.After);
        EXPECT_EQ(Message(1), BYE);
        EXPECT_EQ(Store.LastBox, 1u);
        RefreshBox(Store, true);
        EXPECT_EQ(Offset(1), 8u);
        EXPECT_EQ(Message(1), BYE);
    }
}

TEST_F(StoreTest, DeleteBoxOnTheOnlyBoxDropsTheEditsOnly)
{
    LoadMessages({ HELLO, BYE });
    Store.Cursor = 2;
    TypeByte(Store, '#');
    DeleteBox(Store);
    EXPECT_EQ(Store.CurrentBox, 0u);
    EXPECT_EQ(Store.EditState, EDIT_BOX_REMOVED);
    RefreshBox(Store, false);
    EXPECT_EQ(DataBytes(), Data);
    EXPECT_EQ(EditText(), HELLO);
}

TEST_F(StoreTest, DeleteBoxTakesTheBoxFromCurrentBoxNotTheCursor)
{
    LoadMessages({ THREE });
    NextBox(Store);
    RefreshBox(Store, false);
    // Typing moves the cursor beyond the loaded box's length; box 1 is still the one removed.
    for (int i = 0; i < 6; i++) TypeByte(Store, 'q');
    Store.Cursor = 7;
    DeleteBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }));
}

TEST_F(StoreTest, DeleteBoxWithIconBreakArgumentRemovesTheWholeBox)
{
    const Text message = Bytes("A") + Text{ CC_BOX_BREAK, CC_ICON, CC_BOX_BREAK } + Bytes("B") + Text{ CC_END };
    LoadMessages({ message, BYE });
    NextBox(Store);
    RefreshBox(Store, false);
    Store.Cursor = 3;
    DeleteBox(Store);
    RefreshBox(Store, true);
    EXPECT_EQ(Message(0), (Bytes("A") + Text{ CC_END }));
    EXPECT_EQ(Message(1), BYE);

    // The last box goes with the delayed break before it, the delay (here equal to a box
    // break) included.
    LoadMessages({ Bytes("A") + Text{ CC_BOX_BREAK_ALT, CC_BOX_BREAK } + Bytes("B") + Text{ CC_END }, BYE });
    NextBox(Store);
    RefreshBox(Store, false);
    DeleteBox(Store);
    RefreshBox(Store, true);
    EXPECT_EQ(Message(0), (Bytes("A") + Text{ CC_END }));
    EXPECT_EQ(Message(1), BYE);
}

TEST_F(StoreTest, QuittingAfterDeleteBoxWritesNothingBackButAligns)
{
    LoadMessages({ THREE, BYE, ZED });
    TypeByte(Store, '#');
    DeleteBox(Store);
    EXPECT_TRUE(RefreshBox(Store, true));
    EXPECT_EQ(Message(0), (Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }));
    EXPECT_EQ(Offset(1), 8u);
    EXPECT_EQ(Offset(2), 12u);
    EXPECT_EQ(Message(1), BYE);
    EXPECT_EQ(Message(2), ZED);
}

TEST_F(StoreTest, DeleteBoxLeavesEntriesSharingTheMessageOnIt)
{
    // Two entries point at the same message; deleting its first box keeps both on it.
    Table = { 0x10, 0, 0, 0, 7, 0, 0, 0, 0x10, 1, 0, 0, 7, 0, 0, 0, 0x10, 2, 0, 0, 7, 0, 0, 8 };
    Data = Bytes("Ab") + Text{ CC_BOX_BREAK } + Bytes("Cd") + Text{ CC_END, 0, 0 } + BYE;
    LoadPair();
    DeleteBox(Store);
    RefreshBox(Store, true);
    EXPECT_EQ(Offset(0), 0u);
    EXPECT_EQ(Offset(1), 0u);
    EXPECT_EQ(Message(1), (Bytes("Cd") + Text{ CC_END }));
    EXPECT_EQ(Message(2), BYE);
}

TEST_F(StoreTest, TypingAfterDeleteBoxInTheSameFrameIsNotWrittenOverTheCut)
{
    LoadMessages({ THREE, BYE });
    DeleteBox(Store);
    TypeByte(Store, '#');
    AddBox(Store);
    EXPECT_EQ(Store.EditState, EDIT_BOX_REMOVED);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }));
    EXPECT_EQ(Message(1), BYE);
}
