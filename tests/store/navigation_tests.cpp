// Boxes of a message, loading a box, navigation between boxes and messages, the cursor.
#include "store_fixture.h"

// ---- ScanBoxStarts and LoadBox ---------------------------------------------------------------
TEST_F(StoreTest, BoxesAreFoundAndLoadedOneAtATime)
{
    LoadMessages({ Bytes("One") + Text{ CC_BOX_BREAK } + Bytes("Two") + Text{ CC_BOX_BREAK, CC_END } });
    EXPECT_EQ(Store.LastBox, 2u);
    ASSERT_EQ(Store.BoxStarts.size(), 3u);
    EXPECT_EQ(Store.BoxStarts[1], 4u);
    EXPECT_EQ(Store.BoxStarts[2], 8u);
    EXPECT_EQ(EditText(), (Bytes("One") + Text{ CC_BOX_BREAK }));
    NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(EditText(), (Bytes("Two") + Text{ CC_BOX_BREAK }));
    NextBox(Store);
    RefreshBox(Store, false);
    // A box that holds only its terminator.
    EXPECT_EQ(EditText(), (Text{ CC_END }));
    EXPECT_EQ(Store.EditBuffer[1], TEXT_NUL);
}

// Every code that carries arguments, each argument one of the bytes that look like structure:
// the scan, the copy and the icon read take the box whole.
TEST_F(StoreTest, ArgumentBytesNeitherSplitNorEndABox)
{
    for (uint8_t arg : { TEXT_NUL, CC_LINE_BREAK, CC_END, CC_BOX_BREAK, CC_BOX_BREAK_ALT, CC_ICON })
    {
        SCOPED_TRACE(arg);
        Text box = Bytes("Hi");
        for (int code = 0; code < CONTROL_CODE_COUNT; code++)
        {
            if (ControlArgumentCount((uint8_t)code) == 0 || code == CC_BOX_BREAK_ALT) continue;
            box.push_back((uint8_t)code);
            box.insert(box.end(), ControlArgumentCount((uint8_t)code), arg);
        }
        box.push_back(CC_END);
        LoadMessages({ box, Bytes("Next") + Text{ CC_END } });
        EXPECT_EQ(Store.LastBox, 0u);
        EXPECT_EQ(Store.MessageEnd, Offset(0) + (uint32_t)box.size() - 1);
        EXPECT_EQ(EditText(), box);
        EXPECT_FALSE(Store.BoxReadOnly);
        EXPECT_EQ(Store.LoadedIcon, arg);
    }
}

// The message ID of a goto code whose low byte is CC_ICON, right before the end: the icon code
// must not swallow the end and run the box on into the next message.
TEST_F(StoreTest, GotoBeforeTheEndKeepsTheBoxAndItsEditsToItsMessage)
{
    Text first = Bytes("Go") + Text{ CC_NEXT_MESSAGE, 0x40, CC_ICON, CC_END };
    Text second = Bytes("Other") + Text{ CC_END };
    LoadMessages({ first, second });
    EXPECT_EQ(EditText(), first);
    EXPECT_EQ(Store.LoadedIcon, NO_ICON);
    // The cursor steps over the code and its two arguments in one step each way.
    Store.Cursor = 5;
    CursorLeft(Store);
    EXPECT_EQ(Store.Cursor, 2u);
    CursorRight(Store);
    EXPECT_EQ(Store.Cursor, 5u);
    TypeByte(Store, '!');
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("Go") + Text{ CC_NEXT_MESSAGE, 0x40, CC_ICON, '!', CC_END }));
    EXPECT_EQ(Message(1), second);
    EXPECT_EQ(EditText(), second);
}

TEST_F(StoreTest, AltBreakIsABoxForTheArrowsButCopiedWithTheNextBox)
{
    // Its delay equals CC_END: still a break of two bytes, not the end of the message.
    LoadMessages({ Bytes("A") + Text{ CC_BOX_BREAK_ALT, CC_END } + Bytes("B") + Text{ CC_END } });
    EXPECT_EQ(Store.LastBox, 1u);
    EXPECT_EQ(Store.BoxStarts[1], 3u);
    EXPECT_EQ(EditText(), (Bytes("A") + Text{ CC_BOX_BREAK_ALT, CC_END } + Bytes("B") + Text{ CC_END }));
    NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(EditText(), (Bytes("B") + Text{ CC_END }));
}

TEST_F(StoreTest, LoadedIconIsTheFirstIconOfTheBoxOnly)
{
    LoadMessages({ Bytes("x") + Text{ CC_ICON, 0x2A, CC_ICON, 0x10, CC_BOX_BREAK, CC_ICON, 0x33, CC_END },
                   Bytes("plain") + Text{ CC_END } });
    EXPECT_EQ(Store.LoadedIcon, 0x2A);
    NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.LoadedIcon, 0x33);
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.LoadedIcon, NO_ICON);
}

TEST_F(StoreTest, ScanStopsAtTheEndOfTheData)
{
    // The last message has no CC_END and ends in an icon code without its argument.
    Table = { 0x10, 0, 0, 0, 7, 0, 0, 0, 0x10, 1, 0, 0, 7, 0, 0, 4 };
    Data = Bytes("Hi") + Text{ CC_END, 0 } + Bytes("ab") + Text{ CC_BOX_BREAK } + Bytes("c") + Text{ CC_ICON };
    LoadPair();
    GoToEntry(1);
    EXPECT_EQ(Store.LastBox, 1u);
    EXPECT_EQ(Store.MessageEnd, Store.MessageDataSize);
    NextBox(Store);
    RefreshBox(Store, false);
    // Unterminated: shown, but held read-only and written back as it was.
    EXPECT_TRUE(Store.BoxReadOnly);
    EXPECT_EQ(EditText(), (Bytes("c") + Text{ CC_ICON }));
    TypeByte(Store, 'z');
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    RefreshBox(Store, true);
    EXPECT_EQ(DataBytes(), Data);
}

TEST_F(StoreTest, ManyBoxesHaveNoFixedLimit)
{
    Text message;
    for (int i = 0; i < 450; i++) message = message + Bytes("b") + Text{ CC_BOX_BREAK };
    message.push_back(CC_END);
    LoadMessages({ message });
    EXPECT_EQ(Store.LastBox, 450u);
    for (int i = 0; i < 420; i++) NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.CurrentBox, 420u);
    EXPECT_EQ(Store.LoadedBoxOffset, Offset(0) + 840);
}

// ---- A box longer than EditBuffer --------------------------------------------------------------
TEST_F(StoreTest, LongBoxIsHeldReadOnlyAndWrittenBackWhole)
{
    Text longBox(5000, 'L');
    longBox.push_back(CC_BOX_BREAK);
    LoadMessages({ longBox + Bytes("next") + Text{ CC_END }, Bytes("after") + Text{ CC_END } });
    EXPECT_TRUE(Store.BoxReadOnly);
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    EXPECT_EQ(Store.EditBuffer[EDIT_TEXT_MAX], TEXT_NUL);
    Text before = DataBytes();
    TypeByte(Store, 'x');
    EraseForward(Store);
    AddBox(Store);
    SetBoxSound(Store, 0, 1, CODE_INSERT);
    ColourSelection(Store, TextSelection{ 0, 3 }, 0x41);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(DataBytes(), before);
    EXPECT_FALSE(Store.BoxReadOnly);
    // DeleteBox still removes it.
    PreviousBox(Store);
    RefreshBox(Store, false);
    DeleteBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("next") + Text{ CC_END }));
    EXPECT_EQ(Message(1), (Bytes("after") + Text{ CC_END }));
}

// ---- RefreshBox --------------------------------------------------------------------------------
TEST_F(StoreTest, RefreshBoxLoadsOnlyWhenPendingOrQuitting)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    EXPECT_FALSE(RefreshBox(Store, false));
    EXPECT_TRUE(RefreshBox(Store, true));
    NextBox(Store); // only box: nothing to do
    EXPECT_EQ(Store.ReloadPending, 0);
    PreviousBox(Store);
    EXPECT_EQ(Store.ReloadPending, 0);
    EXPECT_FALSE(RefreshBox(Store, false));
}

TEST_F(StoreTest, EditsBeforeTheFirstLoadChangeNothing)
{
    BuildMessagePair({ Bytes("Hello") + Text{ CC_END } }, Table, Data);
    ASSERT_TRUE(WriteMessagePair(Dir, Table, Data));
    LoadMessageFiles(Store, Dir.c_str());
    EXPECT_FALSE(Store.BoxLoaded);
    TypeByte(Store, 'x');
    EraseBack(Store);
    AddBox(Store);
    SetBoxIcon(Store, 0, 5, CODE_INSERT);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    EXPECT_EQ(Store.Cursor, 0u);
    ASSERT_TRUE(RefreshBox(Store, false));
    EXPECT_EQ(DataBytes(), Data);
    EXPECT_EQ(EditText(), (Bytes("Hello") + Text{ CC_END }));
}

TEST_F(StoreTest, CursorIsLoweredToTheTerminatorOfAShorterBox)
{
    LoadMessages({ Bytes("A long first box") + Text{ CC_END }, Bytes("ab") + Text{ CC_END } });
    for (int i = 0; i < 10; i++) CursorRight(Store);
    EXPECT_EQ(Store.Cursor, 10u);
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.Cursor, 2u);
    TypeByte(Store, 'c');
    EXPECT_EQ(EditText(), (Bytes("abc") + Text{ CC_END }));
}

// ---- Navigation --------------------------------------------------------------------------------
TEST_F(StoreTest, MessageArrowsWrapAround)
{
    LoadMessages({ Bytes("0") + Text{ CC_END }, Bytes("1") + Text{ CC_END }, Bytes("2") + Text{ CC_END } });
    PreviousMessage(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 16u);
    RefreshBox(Store, false);
    EXPECT_EQ(EditText(), (Bytes("2") + Text{ CC_END }));
    NextMessage(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 0u);
    NextMessage(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 8u);
    EXPECT_EQ(Store.ReloadPending, 1);
}

TEST_F(StoreTest, OneEntryTableStaysButReloads)
{
    LoadMessages({ Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("B") + Text{ CC_END } });
    NextBox(Store);
    RefreshBox(Store, false);
    NextMessage(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 0u);
    EXPECT_EQ(Store.CurrentBox, 0u);
    EXPECT_TRUE(RefreshBox(Store, false));
    PreviousMessage(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 0u);
    EXPECT_TRUE(RefreshBox(Store, false));
}

TEST_F(StoreTest, SelectEntryTakesOnlyRealEntries)
{
    LoadMessages({ Bytes("0") + Text{ CC_END }, Bytes("1") + Text{ CC_END } });
    SelectEntry(Store, 8);
    EXPECT_EQ(Store.CurrentEntryPos, 8u);
    SelectEntry(Store, 16);
    SelectEntry(Store, 3);
    SelectEntry(Store, 0xFFFFFFF8u); // its end wraps to 0, inside the table (found by fuzzing)
    EXPECT_EQ(Store.CurrentEntryPos, 8u);
    Store.CurrentEntryPos = 0xFFFFFFF8u;
    RefreshCurrentEntry(Store);
    EXPECT_EQ(Store.CurrentEntryPos, 0u);
}

TEST_F(StoreTest, CursorStopsAtBothEnds)
{
    LoadMessages({ Bytes("ab") + Text{ CC_END } });
    CursorLeft(Store);
    EXPECT_EQ(Store.Cursor, 0u);
    for (int i = 0; i < 5; i++) CursorRight(Store);
    EXPECT_EQ(Store.Cursor, 2u);
}
