// Undo and redo of every change to the message files' content made in a session.
//
// A step records what one action changed, never a copy of the whole data: the replaced byte
// range of MessageData with its old and new bytes, the text offsets that moved (as runs of
// entries moved by the same amount) and the other table bytes that changed, the working copy of
// the box before and the bytes of it that the action replaced, and where the store stood
// before and after (message, box, cursor, commit state). The history finds the changes by
// comparing the store with its own copy of the state after the last step (NoteChanges), so the
// edit operations need to know nothing of it.
//
// One model covers the three levels of edits: typing into EditBuffer is a step of the working
// copy alone; a commit (navigation, Add Box, save) is a step of MessageData and MessageTable
// whose working copy goes from the edited box to the box loaded next; Delete Box and box type or
// position are steps of MessageData or MessageTable. Loading another box without committing
// anything is no step. Undoing every step therefore gives back the loaded images and the box as
// loaded, unedited, so a quit then writes the files as they were (when they were aligned).
#pragma once
#include "message_store.h"
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// Memory the steps may take; the oldest steps are dropped past it, never the newest.
const size_t UNDO_BUDGET_BYTES = 32u * 1024 * 1024;

// Where the store stood: the box EditBuffer holds and the state of its working copy.
struct EditSpot
{
    uint32_t CurrentEntryPos = 0, CurrentBox = 0;
    uint32_t LoadedEntryPos = 0, LoadedBox = 0, LoadedBoxOffset = 0, LoadedTextOffset = 0, LoadedBoxLength = 0;
    uint32_t LoadCount = 0;
    uint32_t Cursor = 0;
    uint8_t  EditState = EDIT_UNCHANGED;
    uint8_t  LoadedIcon = NO_ICON;
    bool     BoxLoaded = false;
    bool     BoxReadOnly = false;
};

// Text offsets of Count entries from entry position First moved by Delta (modulo 2^24).
struct OffsetRun
{
    uint32_t First, Count, Delta;
};

// A table byte other than a text offset (the type and position byte).
struct TableByteChange
{
    uint32_t Pos;
    uint8_t Old, New;
};

enum UndoStepKind : uint8_t
{
    STEP_EDIT,    // any change
    STEP_TYPING,  // printable characters typed one after the other in one place
};

struct UndoStep
{
    uint64_t Id = 0;
    UndoStepKind Kind = STEP_EDIT;
    EditSpot Before, After;
    // Working copy: the text before; the bytes [TextStart, TextStart + TextOldLength) of it were
    // replaced by TextNew.
    std::vector<uint8_t> BeforeText;
    uint32_t TextStart = 0, TextOldLength = 0;
    std::vector<uint8_t> TextNew;
    // MessageData: the bytes from DataStart, DataOld before and DataNew after.
    uint32_t DataStart = 0;
    std::vector<uint8_t> DataOld, DataNew;
    // MessageTable
    std::vector<OffsetRun> Runs;
    std::vector<TableByteChange> TableBytes;
    size_t Bytes = 0; // memory this step takes
};

struct UndoHistory
{
    std::deque<UndoStep> Steps;  // oldest first
    size_t Applied = 0;          // Steps[0, Applied) are done, the rest can be redone
    size_t StepBytes = 0;        // memory of all steps
    size_t Budget = UNDO_BUDGET_BYTES;
    uint64_t NextId = 1;
    uint64_t BaseId = 0;         // position when no step is applied (the last one dropped)
    uint64_t SavedId = 0;        // position when the files were last written or loaded
    bool CanCoalesce = false;    // the newest step may take in the next typed character

    // The store as of the newest step (or as loaded), to find what the next action changed.
    std::vector<uint8_t> ShadowData;
    uint32_t ShadowDataSize = 0;
    std::vector<uint8_t> ShadowTable;
    uint8_t ShadowText[EDIT_BUFFER_SIZE] = {};
    uint32_t ShadowTextLength = 0;
    EditSpot ShadowSpot;
};

// Starts an empty history over the store as it stands (after loading the files).
void ResetHistory(UndoHistory& history, const MessageStore& store);
// Records what changed since the last call as one step (or adds a typed character to the
// newest step). Returns true when a step was recorded or extended.
bool NoteChanges(UndoHistory& history, const MessageStore& store);
// Take back the newest applied step / apply the next undone one. The store is left at the box
// where the change happened, with the cursor where it was. False when there is nothing to do.
bool UndoChange(UndoHistory& history, MessageStore& store);
bool RedoChange(UndoHistory& history, MessageStore& store);
bool CanUndo(const UndoHistory& history);
bool CanRedo(const UndoHistory& history);

// The files now hold the store's content / does the store differ from what they hold.
void MarkSaved(UndoHistory& history);
bool HasUnsavedChanges(const UndoHistory& history);
