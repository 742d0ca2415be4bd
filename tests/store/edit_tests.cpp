// Text edits of the working copy and the entry edits.
#include "store_fixture.h"
#include "sound_table.h"

static Text Filled(uint32_t length)
{
    Text t(length, 'f');
    t.push_back(CC_END);
    return t;
}

// ---- Typing and deleting -----------------------------------------------------------------------
TEST_F(StoreTest, TypingAndErasingMoveTheCursor)
{
    LoadMessages({ Bytes("Hello") + Text{ CC_END } });
    TypeByte(Store, 'X');
    EXPECT_EQ(EditText(), (Bytes("XHello") + Text{ CC_END }));
    EXPECT_EQ(Store.Cursor, 1u);
    EXPECT_EQ(Store.EditState, EDIT_MODIFIED);
    EraseBack(Store);
    EXPECT_EQ(Store.Cursor, 0u);
    EraseBack(Store); // at the start: refused
    EraseForward(Store);
    EXPECT_EQ(EditText(), (Bytes("ello") + Text{ CC_END }));
    for (int i = 0; i < 10; i++) CursorRight(Store);
    EXPECT_EQ(Store.Cursor, 4u);
    EraseForward(Store); // on the terminator: refused
    EXPECT_EQ(EditText(), (Bytes("ello") + Text{ CC_END }));
    TypeByte(Store, CC_LINE_BREAK);
    EXPECT_EQ(EditText(), (Bytes("ello") + Text{ CC_LINE_BREAK, CC_END }));
}

TEST_F(StoreTest, InsertAndDeleteKeepTheTerminatorLast)
{
    LoadMessages({ Bytes("ab") + Text{ CC_END } });
    EXPECT_FALSE(InsertEditByte(Store, 3, 'z')); // behind the terminator
    EXPECT_FALSE(InsertEditByte(Store, 9, 'z')); // beyond the text
    EXPECT_TRUE(InsertEditByte(Store, 2, 'c'));
    DeleteEditBytes(Store, 1, 10); // would take the terminator
    EXPECT_EQ(EditText(), (Bytes("abc") + Text{ CC_END }));
    DeleteEditBytes(Store, 0, 2);
    EXPECT_EQ(EditText(), (Bytes("c") + Text{ CC_END }));
}

TEST_F(StoreTest, CursorSetPastTheTerminatorActsAtIt)
{
    LoadMessages({ Bytes("ab") + Text{ CC_END } });
    Store.Cursor = 3; // as a pointer hit on the end could leave it
    TypeByte(Store, 'c');
    EXPECT_EQ(EditText(), (Bytes("abc") + Text{ CC_END }));
    Store.Cursor = 40;
    EraseBack(Store);
    EXPECT_EQ(EditText(), (Bytes("ab") + Text{ CC_END }));
}

TEST_F(StoreTest, CodesStayWholeWhenEdited)
{
    // Backspace after a code and Delete before one take its arguments with it.
    LoadMessages({ Text{ CC_ICON, 0x05, CC_END }, Text{ CC_SHIFT, CC_END } + Bytes("a") + Text{ CC_END } });
    Store.Cursor = 2;
    EraseBack(Store);
    EXPECT_EQ(EditText(), (Text{ CC_END }));
    EXPECT_EQ(Store.Cursor, 0u);
    NextMessage(Store);
    RefreshBox(Store, false);
    Store.Cursor = 0;
    EraseForward(Store);
    EXPECT_EQ(EditText(), (Bytes("a") + Text{ CC_END }));

    // A cursor inside a code's arguments acts at the code; the code byte alone is never taken
    // out and nothing goes in between it and its arguments.
    Text box = Text{ CC_NEXT_MESSAGE, 0x00, CC_END } + Bytes("b") + Text{ CC_END };
    LoadMessages({ box });
    EXPECT_FALSE(InsertEditByte(Store, 1, 'z'));
    EXPECT_FALSE(InsertEditByte(Store, 0, CC_SPEED)); // would take the goto code for its speed
    DeleteEditBytes(Store, 0, 1);
    DeleteEditBytes(Store, 1, 2);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    Store.Cursor = 2;
    EraseBack(Store);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    Store.Cursor = 2;
    TypeByte(Store, 'x');
    EXPECT_EQ(EditText(), Bytes("x") + box);
    EXPECT_EQ(Store.Cursor, 1u);
}

// ---- Room --------------------------------------------------------------------------------------
TEST_F(StoreTest, NoEditGrowsTheTextBeyondTheRoom)
{
    LoadMessages({ Filled(EDIT_TEXT_MAX - 1) });
    ASSERT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    Store.Cursor = 5;
    TypeByte(Store, 'x');
    AddBox(Store);
    SetBoxSound(Store, 0, 0, CODE_INSERT);
    SetBoxIcon(Store, 0, 1, CODE_INSERT);
    ColourSelection(Store, TextSelection{ 0, 2 }, 0x41);
    EXPECT_EQ(Store.Cursor, 5u);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    EXPECT_EQ(Store.ReloadPending, 0);
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    EraseBack(Store);
    TypeByte(Store, 'y');
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    EXPECT_EQ(Store.EditBuffer[4], 'y');
}

TEST_F(StoreTest, MultiByteEditsFitExactlyOrNotAtAll)
{
    LoadMessages({ Filled(EDIT_TEXT_MAX - 4), Filled(EDIT_TEXT_MAX - 5), Filled(EDIT_TEXT_MAX - 7) });
    ColourSelection(Store, TextSelection{ 0, 1 }, 0x42); // needs 4: refused
    SetBoxSound(Store, 0, 2, CODE_INSERT);               // needs 3: fits
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    NextMessage(Store);
    RefreshBox(Store, false);
    ColourSelection(Store, TextSelection{ 0, 1 }, 0x42);
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    NextMessage(Store);
    RefreshBox(Store, false);
    AddBox(Store); // needs 6: fits
    EXPECT_EQ(EditTextLength(Store), EDIT_TEXT_MAX);
    EXPECT_EQ(Store.ReloadPending, 1);
}

// ---- AddBox ------------------------------------------------------------------------------------
TEST_F(StoreTest, AddBoxOnTheLastBoxEndsTheMessageWithTheNewBox)
{
    LoadMessages({ Bytes("One") + Text{ CC_END }, Bytes("Next") + Text{ CC_END } });
    Store.Cursor = 1;
    AddBox(Store);
    EXPECT_EQ(EditText(), (Bytes("One") + Text{ CC_BOX_BREAK } + Bytes("Text!") + Text{ CC_END }));
    EXPECT_EQ(Store.ReloadPending, 1);
    RefreshBox(Store, false);
    EXPECT_EQ(Store.CurrentBox, 0u);
    EXPECT_EQ(Store.Cursor, 1u);
    EXPECT_EQ(Store.LastBox, 1u);
    NextBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(EditText(), (Bytes("Text!") + Text{ CC_END }));
    EXPECT_EQ(Message(1), (Bytes("Next") + Text{ CC_END }));
}

TEST_F(StoreTest, AddBoxOnAMiddleBoxKeepsBothBreaks)
{
    LoadMessages({ Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END } });
    NextBox(Store);
    RefreshBox(Store, false);
    AddBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("A") + Text{ CC_BOX_BREAK } + Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("Text!") +
                              Text{ CC_BOX_BREAK } + Bytes("C") + Text{ CC_END }));
    EXPECT_EQ(Store.CurrentBox, 1u);
}

TEST_F(StoreTest, AddBoxOnABoxCopiedPastAnAltBreakKeepsTheMessageEnd)
{
    // The loaded box runs through the alternative break to the message's CC_END.
    LoadMessages({ Bytes("A") + Text{ CC_BOX_BREAK_ALT } + Bytes("B") + Text{ CC_END }, Bytes("N") + Text{ CC_END } });
    AddBox(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("A") + Text{ CC_BOX_BREAK_ALT } + Bytes("B") + Text{ CC_BOX_BREAK } + Bytes("Text!") +
                              Text{ CC_END }));
    EXPECT_EQ(Message(1), (Bytes("N") + Text{ CC_END }));
}

// ---- Colour, sound, icon -----------------------------------------------------------------------
TEST_F(StoreTest, ColourSelectionWrapsTheSelectedBytes)
{
    const Text hello = Bytes("Hello") + Text{ CC_END };
    const Text wrapped = Bytes("He") + Text{ CC_COLOR, 0x46 } + Bytes("llo") + Text{ CC_COLOR, 0x40, CC_END };
    LoadMessages({ hello, hello, hello });
    ColourSelection(Store, TextSelection{ 2, 4 }, 0x46);
    EXPECT_EQ(EditText(), wrapped);
    // Selected from right to left: the same bytes.
    NextMessage(Store);
    RefreshBox(Store, false);
    ColourSelection(Store, TextSelection{ 4, 2 }, 0x46);
    EXPECT_EQ(EditText(), wrapped);
    // No selection made yet: the first byte.
    NextMessage(Store);
    RefreshBox(Store, false);
    ColourSelection(Store, TextSelection{}, 0x43);
    EXPECT_EQ(EditText(), (Text{ CC_COLOR, 0x43, 'H', CC_COLOR, 0x40 } + Bytes("ello") + Text{ CC_END }));
}

TEST_F(StoreTest, ColourSelectionNeverColoursTheTerminator)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    ColourSelection(Store, TextSelection{ 2, 2 }, 0x41);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    ColourSelection(Store, TextSelection{ 1, 9 }, 0x41);
    EXPECT_EQ(EditText(), (Text{ 'H', CC_COLOR, 0x41, 'i', CC_COLOR, 0x40, CC_END }));
}

TEST_F(StoreTest, ColourSelectionNeverPartsACodeFromItsArguments)
{
    const Text iconBox = Text{ CC_ICON, 0x12 } + Bytes("Hi") + Text{ CC_END };
    const Text soundBox = Bytes("A") + Text{ CC_SOUND, 0x28, 0xE3 } + Bytes("B") + Text{ CC_END };
    LoadMessages({ iconBox, soundBox, soundBox });
    // No selection on a box that starts with an icon: the whole icon code is wrapped.
    ColourSelection(Store, TextSelection{}, 0x41);
    EXPECT_EQ(EditText(), (Text{ CC_COLOR, 0x41, CC_ICON, 0x12, CC_COLOR, 0x40 } + Bytes("Hi") + Text{ CC_END }));
    // Edges inside the sound code's arguments widen to the whole code.
    NextMessage(Store);
    RefreshBox(Store, false);
    ColourSelection(Store, TextSelection{ 2, 3 }, 0x42);
    EXPECT_EQ(EditText(), (Bytes("A") + Text{ CC_COLOR, 0x42, CC_SOUND, 0x28, 0xE3, CC_COLOR, 0x40 } + Bytes("B") + Text{ CC_END }));
    NextMessage(Store);
    RefreshBox(Store, false);
    ColourSelection(Store, TextSelection{ 4, 3 }, 0x42);
    EXPECT_EQ(EditText(), (Bytes("A") + Text{ CC_COLOR, 0x42, CC_SOUND, 0x28, 0xE3 } + Bytes("B") + Text{ CC_COLOR, 0x40, CC_END }));
}

TEST_F(StoreTest, SoundCodeIsInsertedReplacedAndRemoved)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    ASSERT_EQ(SoundIdTable[1], 0x28E3);
    SetBoxSound(Store, 0, 1, CODE_INSERT);
    EXPECT_EQ(EditText(), (Text{ CC_SOUND, 0x28, 0xE3, 'H', 'i', CC_END }));
    SetBoxSound(Store, 0, 6, CODE_REPLACE);
    EXPECT_EQ(EditText(), (Text{ CC_SOUND, (uint8_t)(SoundIdTable[6] >> 8), (uint8_t)SoundIdTable[6], 'H', 'i', CC_END }));
    SetBoxSound(Store, 0, 0, CODE_REMOVE);
    EXPECT_EQ(EditText(), (Bytes("Hi") + Text{ CC_END }));
    SetBoxSound(Store, 0, 0, CODE_REMOVE); // none left: nothing
    SetBoxSound(Store, 0, SOUND_COUNT, CODE_INSERT); // "no sound" is not an ID
    EXPECT_EQ(EditText(), (Bytes("Hi") + Text{ CC_END }));
}

TEST_F(StoreTest, IconCodeIsInsertedReplacedAndRemoved)
{
    LoadMessages({ Bytes("Hi") + Text{ CC_END } });
    SetBoxIcon(Store, 0, 0x2C, CODE_INSERT);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0x2C, 'H', 'i', CC_END }));
    SetBoxIcon(Store, 0, 0x04, CODE_REPLACE);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0x04, 'H', 'i', CC_END }));
    SetBoxIcon(Store, 0, 0, CODE_REMOVE);
    EXPECT_EQ(EditText(), (Bytes("Hi") + Text{ CC_END }));
    NextMessage(Store);
    RefreshBox(Store, false);
    EXPECT_EQ(Message(0), (Bytes("Hi") + Text{ CC_END }));
}

// ---- Entry edits -------------------------------------------------------------------------------
TEST_F(StoreTest, BoxTypeAndPositionChangeTheirNibbleAtOnce)
{
    BuildMessagePair({ Bytes("Hi") + Text{ CC_END } }, Table, Data);
    Table[2] = 0x21;
    LoadPair();
    SetBoxType(Store, 3);
    EXPECT_EQ(Store.MessageTable[2], 0x31);
    EXPECT_EQ(Store.CurrentEntry[2], 0x31);
    Store.MessageTable[2] = Store.CurrentEntry[2] = 0x21;
    SetBoxPosition(Store, 0);
    EXPECT_EQ(Store.MessageTable[2], 0x20);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
}

TEST_F(StoreTest, BoxTypeAfterAChangeOfEntryInTheSameFrameKeepsThatEntrysPosition)
{
    BuildMessagePair({ Bytes("A") + Text{ CC_END }, Bytes("B") + Text{ CC_END } }, Table, Data);
    Table[2] = 0x02;  // entry 0: center
    Table[10] = 0x01; // entry 1: top
    LoadPair();
    NextMessage(Store); // CurrentEntry still describes entry 0 until the next refresh
    SetBoxType(Store, 5);
    EXPECT_EQ(Store.MessageTable[10], 0x51);
    EXPECT_EQ(Store.MessageTable[2], 0x02);
}
