// The undo history against the store alone: random edits of every kind on the generated pair,
// all undone and all redone, and the memory budget.
#include "store_fixture.h"
#include "undo_history.h"

using Images = std::pair<Text, Text>; // data, table

static Images ImagesOf(const MessageStore& s)
{
    return { Text(s.MessageData.begin(), s.MessageData.begin() + s.MessageDataSize), s.MessageTable };
}

struct UndoTest : StoreTest
{
    UndoHistory History;
    Text TextAtLastStep; // the working copy when the newest step was recorded

    void Start() { ResetHistory(History, Store); }
    void Note()
    {
        if (NoteChanges(History, Store)) TextAtLastStep = EditText();
    }
    // One user action: the operation, the end-of-frame load when it asked for one, each noted as
    // the shell notes them.
    template <typename Action> void Act(Action action)
    {
        action();
        Note();
        if (RefreshBox(Store, false)) Note();
    }
};

// ---- Every kind of edit, undone to the loaded files and redone -----------------------------------
TEST_F(UndoTest, RandomEditsUndoToTheLoadedPairAndRedoToTheEditedOne)
{
    GenerateMessagePair(7, Table, Data);
    LoadPair();
    Start();
    TestRandom random(11);
    const uint32_t entries = Store.MessageTableSize / ENTRY_SIZE;
    for (int i = 0; i < 600; i++)
    {
        switch (random.Below(9))
        {
        case 0: case 1: case 2:
            Act([&] { TypeByte(Store, (uint8_t)(0x20 + random.Below(95))); });
            break;
        case 3: Act([&] { EraseBack(Store); }); break;
        case 4: Act([&] { Store.Cursor = random.Below(EditTextLength(Store)); }); break;
        case 5: Act([&] { SelectEntry(Store, random.Below(entries) * ENTRY_SIZE); }); break;
        case 6: Act([&] { random.Chance(50) ? AddBox(Store) : DeleteBox(Store); }); break;
        case 7: Act([&] { SetBoxType(Store, (uint8_t)random.Below(6)); }); break;
        default: Act([&] { NextBox(Store); }); break;
        }
    }
    Images edited = ImagesOf(Store);
    Text editedText = TextAtLastStep;
    size_t steps = History.Steps.size();
    ASSERT_GT(steps, 100u);

    while (UndoChange(History, Store)) {}
    EXPECT_EQ(History.Applied, 0u);
    EXPECT_EQ(Store.EditState, EDIT_UNCHANGED);
    EXPECT_FALSE(HasUnsavedChanges(History));
    // As a quit would leave it: the pair as loaded, byte for byte.
    RefreshBox(Store, true);
    EXPECT_TRUE(ImagesOf(Store) == Images(Data, Table));

    for (size_t k = 0; k < steps; k++) ASSERT_TRUE(RedoChange(History, Store));
    EXPECT_FALSE(RedoChange(History, Store));
    EXPECT_TRUE(ImagesOf(Store) == edited);
    EXPECT_EQ(EditText(), editedText);
}

// ---- Where an undo leaves the store ----------------------------------------------------------------
TEST_F(UndoTest, UndoOfACommitReturnsToTheEditedBoxWithItsEdits)
{
    LoadMessages({ Bytes("Hello") + Text{ CC_END }, Bytes("Next") + Text{ CC_END } });
    Store.Cursor = 2;
    Start();
    for (char c : std::string("ab")) Act([&] { TypeByte(Store, (uint8_t)c); });
    EXPECT_EQ(History.Steps.size(), 1u); // a run of typed characters is one step
    Act([&] { NextMessage(Store); });
    ASSERT_EQ(Store.CurrentEntryPos, 8u);
    ASSERT_EQ(History.Steps.size(), 2u); // the commit

    ASSERT_TRUE(UndoChange(History, Store));
    EXPECT_EQ(Store.CurrentEntryPos, 0u);
    EXPECT_EQ(Store.Cursor, 4u);
    EXPECT_EQ(EditText(), Bytes("Heabllo") + Text{ CC_END });
    EXPECT_EQ(Store.EditState, EDIT_MODIFIED);
    EXPECT_EQ(Store.ReloadPending, 0);
    EXPECT_TRUE(ImagesOf(Store) == Images(Data, Table));

    ASSERT_TRUE(UndoChange(History, Store));
    EXPECT_EQ(EditText(), Bytes("Hello") + Text{ CC_END });
    EXPECT_EQ(Store.Cursor, 2u);

    // A new change drops the redo steps.
    Act([&] { TypeByte(Store, 'z'); });
    EXPECT_FALSE(CanRedo(History));
    EXPECT_EQ(History.Steps.size(), 1u);
}

TEST_F(UndoTest, DeleteBoxOnTheOnlyBoxGivesBackTheDroppedEdits)
{
    LoadMessages({ Bytes("Solo") + Text{ CC_END } });
    Start();
    Act([&] { TypeByte(Store, 'x'); });
    Act([&] { DeleteBox(Store); });
    EXPECT_EQ(EditText(), Bytes("Solo") + Text{ CC_END });
    ASSERT_TRUE(UndoChange(History, Store));
    EXPECT_EQ(EditText(), Bytes("xSolo") + Text{ CC_END });
    EXPECT_EQ(Store.EditState, EDIT_MODIFIED);
}

// ---- Memory ------------------------------------------------------------------------------------------
TEST_F(UndoTest, PastTheBudgetTheOldestStepsGoAndTheNewestStay)
{
    LoadMessages({ Bytes("One") + Text{ CC_END }, Bytes("Two") + Text{ CC_END } });
    Start();
    History.Budget = 4096;
    for (int i = 0; i < 200; i++)
    {
        Act([&] { Store.Cursor = 0; TypeByte(Store, 'q'); }); // not one run: the cursor jumps back
        Act([&] { EraseBack(Store); });
    }
    EXPECT_LE(History.StepBytes, History.Budget);
    EXPECT_GT(History.Steps.size(), 2u);
    EXPECT_LT(History.Steps.size(), 400u);
    // The newest steps are still there and still right.
    ASSERT_TRUE(UndoChange(History, Store));
    EXPECT_EQ(EditText(), Bytes("qOne") + Text{ CC_END });
    // Undoing everything kept cannot reach the loaded text: the history says there are changes.
    while (UndoChange(History, Store)) {}
    EXPECT_TRUE(HasUnsavedChanges(History));
}
