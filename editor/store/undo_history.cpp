// Undo history: finds what an action changed by comparing the store with the history's copy of
// the state after the newest step, keeps that as a step, and plays steps back and forth.
#include "undo_history.h"
#include "store_internal.h"
#include "encoding.h"

#include <cstring>

const uint32_t OFFSET_MASK = 0xFFFFFF;
const size_t ALLOCATION_OVERHEAD = 16; // what the heap adds to each block, roughly

// memcpy and memcmp with a length of 0 may get the null pointer of an empty vector.
static void CopyBytes(uint8_t* to, const uint8_t* from, size_t count)
{
    if (count) memcpy(to, from, count);
}

static bool SameBytes(const uint8_t* a, const uint8_t* b, size_t count)
{
    return count == 0 || memcmp(a, b, count) == 0;
}

// ---- Where the store stands ------------------------------------------------------------------
static EditSpot ReadSpot(const MessageStore& store)
{
    EditSpot spot;
    spot.CurrentEntryPos = store.CurrentEntryPos;
    spot.CurrentBox = store.CurrentBox;
    spot.LoadedEntryPos = store.LoadedEntryPos;
    spot.LoadedBox = store.LoadedBox;
    spot.LoadedBoxOffset = store.LoadedBoxOffset;
    spot.LoadedTextOffset = store.LoadedTextOffset;
    spot.LoadedBoxLength = store.LoadedBoxLength;
    spot.LoadCount = store.LoadCount;
    spot.Cursor = store.Cursor;
    spot.EditState = store.EditState;
    spot.LoadedIcon = store.LoadedIcon;
    spot.BoxLoaded = store.BoxLoaded;
    spot.BoxReadOnly = store.BoxReadOnly;
    return spot;
}

// Puts the store at a spot and shows the box its working copy belongs to. A spot whose working
// copy is not a loaded box (none loaded yet, or its box just removed) reloads at the end of the
// frame; that load commits nothing.
static void PlaceSpot(MessageStore& store, const EditSpot& spot)
{
    store.LoadedEntryPos = spot.LoadedEntryPos;
    store.LoadedBox = spot.LoadedBox;
    store.LoadedBoxOffset = spot.LoadedBoxOffset;
    store.LoadedTextOffset = spot.LoadedTextOffset;
    store.LoadedBoxLength = spot.LoadedBoxLength;
    store.LoadedIcon = spot.LoadedIcon;
    store.BoxLoaded = spot.BoxLoaded;
    store.BoxReadOnly = spot.BoxReadOnly;
    store.EditState = spot.EditState;
    store.Cursor = spot.Cursor;
    if (!spot.BoxLoaded || spot.EditState == EDIT_BOX_REMOVED)
    {
        store.CurrentEntryPos = spot.CurrentEntryPos;
        store.CurrentBox = spot.CurrentBox;
        store.ReloadPending = 1;
    }
    else
    {
        // Never a pending reload here: it would commit the working copy again and count as a
        // new change.
        store.CurrentEntryPos = spot.LoadedEntryPos;
        store.CurrentBox = spot.LoadedBox;
        store.ReloadPending = 0;
    }
    RefreshCurrentEntry(store);
    ScanBoxStarts(store, store.CurrentTextOffset);
    if (store.CurrentBox > store.LastBox) store.CurrentBox = store.LastBox;
}

static void SetEditText(MessageStore& store, const uint8_t* text, uint32_t length)
{
    if (length > EDIT_TEXT_MAX) length = EDIT_TEXT_MAX;
    CopyBytes(store.EditBuffer, text, length);
    memset(store.EditBuffer + length, TEXT_NUL, EDIT_BUFFER_SIZE - length);
}

static uint32_t TextLength(const MessageStore& store)
{
    return store.BoxLoaded ? EditTextLength(store) : 0;
}

// ---- Shadow copy --------------------------------------------------------------------------------
static void SyncShadow(UndoHistory& history, const MessageStore& store, bool data, bool table)
{
    if (data)
    {
        history.ShadowData.assign(store.MessageData.begin(), store.MessageData.begin() + store.MessageDataSize);
        history.ShadowDataSize = store.MessageDataSize;
    }
    if (table) history.ShadowTable.assign(store.MessageTable.begin(), store.MessageTable.begin() + store.MessageTableSize);
    history.ShadowTextLength = TextLength(store);
    memcpy(history.ShadowText, store.EditBuffer, history.ShadowTextLength);
    history.ShadowSpot = ReadSpot(store);
}

void ResetHistory(UndoHistory& history, const MessageStore& store)
{
    history.Steps.clear();
    history.Applied = 0;
    history.StepBytes = 0;
    history.NextId = 1;
    history.BaseId = 0;
    history.SavedId = 0;
    history.CanCoalesce = false;
    SyncShadow(history, store, true, true);
}

// ---- Finding the changes ------------------------------------------------------------------------
// Common prefix and suffix of two byte strings: the middle of a is what b replaced.
static void DiffRange(const uint8_t* a, uint32_t aLength, const uint8_t* b, uint32_t bLength, uint32_t& start,
                      uint32_t& aEnd, uint32_t& bEnd)
{
    uint32_t shorter = aLength < bLength ? aLength : bLength;
    uint32_t p = 0;
    // Whole words first: the data runs to hundreds of kilobytes.
    while (RangeInside(p, 64, shorter) && memcmp(a + p, b + p, 64) == 0) p += 64;
    while (p < shorter && a[p] == b[p]) p++;
    uint32_t s = 0;
    uint32_t room = shorter - p;
    while (RangeInside(s, 64, room) && memcmp(a + aLength - s - 64, b + bLength - s - 64, 64) == 0) s += 64;
    while (s < room && a[aLength - s - 1] == b[bLength - s - 1]) s++;
    start = p;
    aEnd = aLength - s;
    bEnd = bLength - s;
}

static void DiffTable(UndoStep& step, const std::vector<uint8_t>& old, const MessageStore& store)
{
    const uint8_t* now = store.MessageTable.data();
    for (uint32_t e = 0; RangeInside(e, ENTRY_SIZE, store.MessageTableSize); e += ENTRY_SIZE)
    {
        for (uint32_t i = 0; i < 5; i++)
            if (old[e + i] != now[e + i]) step.TableBytes.push_back({ e + i, old[e + i], now[e + i] });
        uint32_t delta = (EntryOffset(now + e) - EntryOffset(&old[e])) & OFFSET_MASK;
        if (delta == 0) continue;
        OffsetRun* last = step.Runs.empty() ? nullptr : &step.Runs.back();
        if (last && last->Delta == delta && last->First + last->Count * ENTRY_SIZE == e)
            last->Count++;
        else
            step.Runs.push_back({ e, 1, delta });
    }
}

static size_t VectorBytes(size_t capacity, size_t elementSize)
{
    return capacity ? capacity * elementSize + ALLOCATION_OVERHEAD : 0;
}

static size_t MeasureStep(const UndoStep& step)
{
    return sizeof(UndoStep) + VectorBytes(step.BeforeText.capacity(), 1) + VectorBytes(step.TextNew.capacity(), 1) +
           VectorBytes(step.DataOld.capacity(), 1) + VectorBytes(step.DataNew.capacity(), 1) +
           VectorBytes(step.Runs.capacity(), sizeof(OffsetRun)) +
           VectorBytes(step.TableBytes.capacity(), sizeof(TableByteChange)) + 2 * ALLOCATION_OVERHEAD;
}

// The working copy's change of a step: from BeforeText to the text given.
static void DiffText(UndoStep& step, const uint8_t* after, uint32_t afterLength)
{
    uint32_t start, oldEnd, newEnd;
    DiffRange(step.BeforeText.data(), (uint32_t)step.BeforeText.size(), after, afterLength, start, oldEnd, newEnd);
    step.TextStart = start;
    step.TextOldLength = oldEnd - start;
    step.TextNew.assign(after + start, after + newEnd);
    step.TextNew.shrink_to_fit();
}

// Exactly one printable byte went in at the cursor, which moved past it.
static bool IsTypedCharacter(const UndoHistory& history, const MessageStore& store, uint32_t length)
{
    const EditSpot& before = history.ShadowSpot;
    uint32_t c = before.Cursor;
    if (length != history.ShadowTextLength + 1 || store.Cursor != c + 1 || c >= length) return false;
    uint8_t b = store.EditBuffer[c];
    return b >= 0x20 && b <= 0x7E && memcmp(store.EditBuffer, history.ShadowText, c) == 0 &&
           memcmp(store.EditBuffer + c + 1, history.ShadowText + c, length - c - 1) == 0;
}

// The step's change of MessageData and MessageTable: from the shadow copy to the store.
static void DiffStore(UndoStep& step, const UndoHistory& history, const MessageStore& store, bool dataChanged,
                      bool tableChanged)
{
    if (dataChanged)
    {
        uint32_t start, oldEnd, newEnd;
        DiffRange(history.ShadowData.data(), history.ShadowDataSize, store.MessageData.data(), store.MessageDataSize,
                  start, oldEnd, newEnd);
        step.DataStart = start;
        step.DataOld.assign(history.ShadowData.begin() + start, history.ShadowData.begin() + oldEnd);
        step.DataNew.assign(store.MessageData.begin() + start, store.MessageData.begin() + newEnd);
    }
    if (tableChanged)
    {
        DiffTable(step, history.ShadowTable, store);
        step.Runs.shrink_to_fit();
        step.TableBytes.shrink_to_fit();
    }
}

static void DropRedoSteps(UndoHistory& history)
{
    while (history.Steps.size() > history.Applied)
    {
        history.StepBytes -= history.Steps.back().Bytes;
        history.Steps.pop_back();
    }
}

static void KeepWithinBudget(UndoHistory& history)
{
    while (history.StepBytes > history.Budget && history.Steps.size() > 1 && history.Applied > 1)
    {
        history.BaseId = history.Steps.front().Id;
        history.StepBytes -= history.Steps.front().Bytes;
        history.Steps.pop_front();
        history.Applied--;
    }
}

bool NoteChanges(UndoHistory& history, const MessageStore& store)
{
    if (history.ShadowTable.size() != store.MessageTableSize) ResetHistory(history, store);
    bool dataChanged = store.MessageDataSize != history.ShadowDataSize ||
                       !SameBytes(store.MessageData.data(), history.ShadowData.data(), store.MessageDataSize);
    bool tableChanged = !SameBytes(store.MessageTable.data(), history.ShadowTable.data(), store.MessageTableSize);
    uint32_t length = TextLength(store);
    bool textChanged = length != history.ShadowTextLength || memcmp(store.EditBuffer, history.ShadowText, length) != 0;
    bool loaded = store.LoadCount != history.ShadowSpot.LoadCount;
    // Delete Box drops the uncommitted edits of the box: a change even where it removes nothing.
    bool dropped = history.ShadowSpot.EditState == EDIT_MODIFIED && store.EditState == EDIT_BOX_REMOVED;
    if (!dataChanged && !tableChanged && !dropped && (!textChanged || loaded))
    {
        // Navigation or a plain load: nothing to undo.
        SyncShadow(history, store, false, false);
        return false;
    }

    bool typed = !dataChanged && !tableChanged && !loaded && IsTypedCharacter(history, store, length);
    if (typed && history.CanCoalesce && history.Applied == history.Steps.size() && history.Applied > 0)
    {
        UndoStep& last = history.Steps.back();
        if (last.Kind == STEP_TYPING && last.After.Cursor == history.ShadowSpot.Cursor &&
            last.After.LoadCount == store.LoadCount)
        {
            history.StepBytes -= last.Bytes;
            DiffText(last, store.EditBuffer, length);
            last.After = ReadSpot(store);
            last.Id = history.NextId++;
            last.Bytes = MeasureStep(last);
            history.StepBytes += last.Bytes;
            SyncShadow(history, store, false, false);
            return true;
        }
    }

    // A commit that reloads the box it came from (save now) shows nothing new: it joins the
    // edits of that box made just before it, so one undo takes back what the user sees.
    bool sameBoxCommit = (dataChanged || tableChanged) && loaded && !textChanged && !dropped &&
                         store.LoadedEntryPos == history.ShadowSpot.LoadedEntryPos &&
                         store.LoadedBox == history.ShadowSpot.LoadedBox;
    if (sameBoxCommit && history.Applied == history.Steps.size() && history.Applied > 0)
    {
        UndoStep& last = history.Steps.back();
        bool textOnly = last.DataOld.empty() && last.DataNew.empty() && last.Runs.empty() && last.TableBytes.empty();
        if (textOnly && last.After.LoadCount == history.ShadowSpot.LoadCount)
        {
            history.StepBytes -= last.Bytes;
            DiffText(last, store.EditBuffer, length);
            DiffStore(last, history, store, dataChanged, tableChanged);
            last.Kind = STEP_EDIT;
            last.After = ReadSpot(store);
            last.Id = history.NextId++;
            last.Bytes = MeasureStep(last);
            history.StepBytes += last.Bytes;
            history.CanCoalesce = false;
            KeepWithinBudget(history);
            SyncShadow(history, store, dataChanged, tableChanged);
            return true;
        }
    }

    DropRedoSteps(history);
    history.Steps.emplace_back();
    UndoStep& step = history.Steps.back();
    step.Id = history.NextId++;
    step.Kind = typed ? STEP_TYPING : STEP_EDIT;
    step.Before = history.ShadowSpot;
    step.After = ReadSpot(store);
    step.BeforeText.assign(history.ShadowText, history.ShadowText + history.ShadowTextLength);
    DiffText(step, store.EditBuffer, length);
    DiffStore(step, history, store, dataChanged, tableChanged);
    step.Bytes = MeasureStep(step);
    history.StepBytes += step.Bytes;
    history.Applied = history.Steps.size();
    history.CanCoalesce = typed;
    KeepWithinBudget(history);
    SyncShadow(history, store, dataChanged, tableChanged);
    return true;
}

// ---- Playing steps ------------------------------------------------------------------------------
// Replaces remove bytes of MessageData at start with the given bytes.
static void ReplaceData(MessageStore& store, uint32_t start, uint32_t remove, const std::vector<uint8_t>& bytes)
{
    uint32_t size = store.MessageDataSize;
    if (start > size) return;
    if (remove > size - start) remove = size - start;
    uint32_t count = (uint32_t)bytes.size();
    uint32_t newSize = size - remove + count;
    EnsureDataCapacity(store, newSize);
    uint8_t* data = store.MessageData.data();
    memmove(data + start + count, data + start + remove, size - start - remove);
    CopyBytes(data + start, bytes.data(), count);
    // Bytes past the data stay zero, as after loading.
    if (newSize < size) memset(data + newSize, 0, size - newSize);
    store.MessageDataSize = newSize;
}

static void MoveOffsets(MessageStore& store, const UndoStep& step, bool forward)
{
    uint8_t* table = store.MessageTable.data();
    for (const OffsetRun& run : step.Runs)
        for (uint32_t k = 0, e = run.First; k < run.Count && RangeInside(e, ENTRY_SIZE, store.MessageTableSize);
             k++, e += ENTRY_SIZE)
            SetEntryOffset(table + e, (EntryOffset(table + e) + (forward ? run.Delta : 0u - run.Delta)) & OFFSET_MASK);
    for (const TableByteChange& change : step.TableBytes)
        if (change.Pos < store.MessageTableSize) table[change.Pos] = forward ? change.New : change.Old;
}

bool CanUndo(const UndoHistory& history) { return history.Applied > 0; }
bool CanRedo(const UndoHistory& history) { return history.Applied < history.Steps.size(); }

bool UndoChange(UndoHistory& history, MessageStore& store)
{
    // Whatever changed since the last note is the newest step.
    NoteChanges(history, store);
    if (!CanUndo(history)) return false;
    const UndoStep& step = history.Steps[history.Applied - 1];
    bool data = !step.DataOld.empty() || !step.DataNew.empty();
    if (data) ReplaceData(store, step.DataStart, (uint32_t)step.DataNew.size(), step.DataOld);
    MoveOffsets(store, step, false);
    SetEditText(store, step.BeforeText.data(), (uint32_t)step.BeforeText.size());
    PlaceSpot(store, step.Before);
    history.Applied--;
    history.CanCoalesce = false;
    SyncShadow(history, store, data, !step.Runs.empty() || !step.TableBytes.empty());
    return true;
}

bool RedoChange(UndoHistory& history, MessageStore& store)
{
    NoteChanges(history, store);
    if (!CanRedo(history)) return false;
    const UndoStep& step = history.Steps[history.Applied];
    bool data = !step.DataOld.empty() || !step.DataNew.empty();
    if (data) ReplaceData(store, step.DataStart, (uint32_t)step.DataOld.size(), step.DataNew);
    MoveOffsets(store, step, true);
    // The text after: BeforeText with its changed middle replaced.
    uint8_t* t = store.EditTemp;
    uint32_t n = step.TextStart;
    CopyBytes(t, step.BeforeText.data(), n);
    CopyBytes(t + n, step.TextNew.data(), step.TextNew.size());
    n += (uint32_t)step.TextNew.size();
    uint32_t tail = (uint32_t)step.BeforeText.size() - step.TextStart - step.TextOldLength;
    CopyBytes(t + n, step.BeforeText.data() + step.TextStart + step.TextOldLength, tail);
    n += tail;
    SetEditText(store, t, n);
    PlaceSpot(store, step.After);
    history.Applied++;
    history.CanCoalesce = false;
    SyncShadow(history, store, data, !step.Runs.empty() || !step.TableBytes.empty());
    return true;
}

// ---- Saved state --------------------------------------------------------------------------------
static uint64_t Position(const UndoHistory& history)
{
    return history.Applied > 0 ? history.Steps[history.Applied - 1].Id : history.BaseId;
}

void MarkSaved(UndoHistory& history) { history.SavedId = Position(history); }

bool HasUnsavedChanges(const UndoHistory& history) { return Position(history) != history.SavedId; }
