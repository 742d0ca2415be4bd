// The undo history against the store alone: random edits of every kind on the generated pair,
// all undone and all redone, and the memory budget.
#include "store_fixture.h"
#include "undo_history.h"

struct UndoTest : StoreTest
{
    UndoHistory History;
    Text TextAtLastStep; // the working copy when the newest step was recorded, as a redo shows it
    // One user action: the operation, then the end-of-frame load when it asked for one, each
    // noted as the shell notes them.
    template <typename Action> void Act(Action action)
    {
        action();
        if (NoteChanges(History, Store)) TextAtLastStep = EditText();
        if (RefreshBox(Store, false) && NoteChanges(History, Store)) TextAtLastStep = EditText();
    }
};

TEST_F(UndoTest, RandomEditsUndoToTheLoadedPairAndRedoToTheEditedOne)
{
    GenerateMessagePair(7, Table, Data);
    LoadPair();
    ResetHistory(History, Store);
    TestRandom random(11);
    const uint32_t entries = Store.MessageTableSize / ENTRY_SIZE;
    for (int i = 0; i < 600; i++)
    {
        switch (random.Below(9))
        {
        case 3: Act([&] { EraseBack(Store); }); break;
        case 4: Act([&] { Store.Cursor = random.Below(EditTextLength(Store)); }); break;
        case 5: Act([&] { SelectEntry(Store, random.Below(entries) * ENTRY_SIZE); }); break;
        case 6: Act([&] { random.Chance(50) ? AddBox(Store) : DeleteBox(Store); }); break;
        case 7: Act([&] { SetBoxType(Store, (uint8_t)random.Below(6)); }); break;
        case 8: Act([&] { NextBox(Store); }); break;
        default: Act([&] { TypeByte(Store, (uint8_t)(0x20 + random.Below(95))); }); break;
        }
    }
    const Text editedData = DataBytes(), editedTable = Store.MessageTable, editedText = TextAtLastStep;
    const size_t steps = History.Steps.size();
    ASSERT_GT(steps, 100u);

    while (UndoChange(History, Store)) {}
    EXPECT_FALSE(HasUnsavedChanges(History));
    RefreshBox(Store, true); // as a quit leaves it: the pair as loaded, byte for byte
    EXPECT_TRUE(DataBytes() == Data);
    EXPECT_TRUE(Store.MessageTable == Table);

    for (size_t k = 0; k < steps; k++) ASSERT_TRUE(RedoChange(History, Store));
    EXPECT_FALSE(RedoChange(History, Store));
    EXPECT_TRUE(DataBytes() == editedData);
    EXPECT_TRUE(Store.MessageTable == editedTable);
    EXPECT_EQ(EditText(), editedText);
}

TEST_F(UndoTest, PastTheBudgetTheOldestStepsGoAndTheNewestStay)
{
    LoadMessages({ Bytes("One") + Text{ CC_END }, Bytes("Two") + Text{ CC_END } });
    ResetHistory(History, Store);
    History.Budget = 4096;
    for (int i = 0; i < 200; i++)
    {
        Act([&] { Store.Cursor = 0; TypeByte(Store, 'q'); }); // not one run: the cursor jumps back
        Act([&] { EraseBack(Store); });
    }
    EXPECT_LE(History.StepBytes, History.Budget);
    EXPECT_LT(History.Steps.size(), 400u);
    ASSERT_TRUE(UndoChange(History, Store)); // the newest step is still there and still right
    EXPECT_EQ(EditText(), Bytes("qOne") + Text{ CC_END });
    // Undoing everything kept cannot reach the loaded text: the history says there are changes.
    while (UndoChange(History, Store)) {}
    EXPECT_TRUE(HasUnsavedChanges(History));
    Act([&] { TypeByte(Store, 'z'); }); // a new change after undoing drops the redo steps
    EXPECT_FALSE(CanRedo(History));
}
