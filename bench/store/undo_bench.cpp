// The undo history on the realistic generated pair: the cost of one undo or redo step, and the
// memory the history takes after 10,000 edits spread over the messages.
#include "message_store.h"
#include "undo_history.h"
#include "pristine.h"
#include "testdata.h"

#include <benchmark/benchmark.h>

// ---- Set-up -------------------------------------------------------------------------------------

// One action as the editor runs it: the operation, a note, the end-of-frame load and its note.
template <typename Action> static void Act(MessageStore& store, UndoHistory& history, Action action)
{
    action();
    NoteChanges(history, store);
    if (RefreshBox(store, false)) NoteChanges(history, store);
}

// edits edits, each in another place: a message picked at random, a box of it, a cursor
// position, then a typed character, a Backspace, Return, a box type or Add Box. Moving to the
// next place commits the previous one, which is a step of its own.
static void MakeEdits(MessageStore& store, UndoHistory& history, int edits, uint32_t seed)
{
    TestRandom random(seed);
    const uint32_t entries = store.MessageTableSize / ENTRY_SIZE;
    for (int i = 0; i < edits; i++)
    {
        Act(store, history, [&] { SelectEntry(store, random.Below(entries) * ENTRY_SIZE); });
        Act(store, history, [&] { store.Cursor = random.Below(EditTextLength(store)); });
        uint32_t kind = random.Below(10);
        if (kind < 6) Act(store, history, [&] { TypeByte(store, (uint8_t)('a' + random.Below(26))); });
        else if (kind < 8) Act(store, history, [&] { EraseBack(store); });
        else if (kind < 9) Act(store, history, [&] { TypeByte(store, 0x01); });
        else if (random.Chance(50)) Act(store, history, [&] { SetBoxType(store, (uint8_t)random.Below(4)); });
        else Act(store, history, [&] { AddBox(store); });
    }
}

// ---- One step -------------------------------------------------------------------------------------
// Undo and redo of the newest step, a commit of a box near the start of the data: the whole tail
// of the data moves and most text offsets change.
static void BM_UndoRedoStep(benchmark::State& state)
{
    static MessageStore store;
    static UndoHistory history;
    static bool made = false;
    if (!made)
    {
        store = Pristine();
        ResetHistory(history, store);
        MakeEdits(store, history, 2000, 3);
        Act(store, history, [&] { SelectEntry(store, 10 * ENTRY_SIZE); });
        Act(store, history, [&] { TypeByte(store, 'x'); });
        Act(store, history, [&] { NextMessage(store); });
        made = true;
    }
    for (auto _ : state)
    {
        UndoChange(history, store);
        RedoChange(history, store);
    }
    // One iteration is two steps: an undo and its redo.
    state.counters["steps_per_iteration"] = 2;
    state.counters["data_bytes"] = store.MessageDataSize;
}
BENCHMARK(BM_UndoRedoStep)->Unit(benchmark::kMicrosecond);

// ---- History size ---------------------------------------------------------------------------------
static void BM_HistoryAfter10000Edits(benchmark::State& state)
{
    for (auto _ : state)
    {
        MessageStore store;
        UndoHistory history;
        store = Pristine();
        ResetHistory(history, store);
        MakeEdits(store, history, 10000, 5);
        state.counters["steps"] = (double)history.Steps.size();
        state.counters["history_MB"] = history.StepBytes / (1024.0 * 1024.0);
        state.counters["shadow_MB"] =
            (history.ShadowData.capacity() + history.ShadowTable.capacity() + sizeof(history.ShadowText)) /
            (1024.0 * 1024.0);
        state.counters["dropped"] = (double)history.BaseId;
    }
}
BENCHMARK(BM_HistoryAfter10000Edits)->Unit(benchmark::kMillisecond)->Iterations(1);
