// The message store: in-memory images of the two message files, the current message and box,
// the working copy of the box being edited, every edit operation and the search.
// No SDL here: the store is tested and measured on its own. Every operation works on the
// MessageStore passed in; the program keeps one (Store) for the whole run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// ---- Sizes -----------------------------------------------------------------------------------
const uint32_t ENTRY_SIZE        = 8;     // one MessageEntry in the table
const uint32_t EDIT_BUFFER_SIZE  = 4096;  // box text and its TEXT_NUL
const uint32_t EDIT_TEXT_MAX     = 4095;  // longest box text an edit may produce
const uint32_t TABLE_FILE_ENTRIES = 2116; // entries of a table extracted from the ROM image
const uint32_t GAME_MESSAGE_MAX  = 1280;  // the game copies a message, CC_END included, into
                                          // a buffer of this many bytes

const char* const TABLE_FILE_NAME = "table";
const char* const DATA_FILE_NAME  = "nes_message_data_static";

// Fields of a table entry: the message ID (bytes 0-1) and the box type (high nibble of byte 2).
inline uint32_t EntryMessageId(const uint8_t* entry) { return ((uint32_t)entry[0] << 8) | entry[1]; }
inline uint8_t EntryBoxType(const uint8_t* entry) { return entry[2] >> 4; }

// True when the width bytes from pos lie inside a buffer of size bytes. Compared as the room
// left after pos, never as pos + width, which wraps for a position near 2^32 and lets it pass.
inline bool RangeInside(uint32_t pos, uint32_t width, uint32_t size) { return width <= size && pos <= size - width; }

// The placeholder pair written or held when the message files are missing or damaged.
extern const uint8_t DEFAULT_TABLE[8];
extern const uint8_t DEFAULT_DATA[];
extern const uint32_t DEFAULT_DATA_SIZE;
// Held in memory (never written) when the files on disk break the store's assumptions.
extern const uint8_t DAMAGED_DATA[];
extern const uint32_t DAMAGED_DATA_SIZE;

// ---- Where the store's contents came from --------------------------------------------------
enum StoreSource
{
    SOURCE_FILES,          // both files loaded from disk; saved back at exit
    SOURCE_CREATED,        // both were missing: the placeholder pair was created on disk,
                           // is written at exit and deleted again
    SOURCE_ONE_MISSING,    // only one file present: placeholder held in memory, nothing written
    SOURCE_DAMAGED,        // files break the store's assumptions: "damaged" placeholder in memory
};

// EditState values
const uint8_t EDIT_UNCHANGED   = 0;
const uint8_t EDIT_MODIFIED    = 1;
const uint8_t EDIT_BOX_REMOVED = 2;

// SetBoxSound / SetBoxIcon modes
const int CODE_REPLACE = 0;
const int CODE_INSERT  = 1;
const int CODE_REMOVE  = 2;

const uint8_t NO_ICON       = 0xFF; // ShownIcon / PendingIcon "none"
const uint8_t REMOVE_ICON   = 0xFE; // PendingIcon: remove the box's icon code

struct MessageStore
{
    // Images of the two files. MessageData grows when an edit needs room; bytes past
    // MessageDataSize are not data.
    std::vector<uint8_t> MessageData;     // size() is the capacity
    std::vector<uint8_t> ScratchData;     // not needed: data moves happen in place (kept empty)
    uint32_t MessageDataSize = 0;
    std::vector<uint8_t> MessageTable;
    uint32_t MessageTableSize = 0;        // fixed for the run

    // Current entry (refreshed from MessageTable by RefreshCurrentEntry)
    uint32_t CurrentEntryPos = 0;         // byte position in MessageTable, multiple of 8
    uint8_t  CurrentEntry[8] = {};
    uint32_t CurrentTextOffset = 0;
    uint32_t CurrentMessageId = 0;

    // Boxes of the current message
    uint32_t CurrentBox = 0;
    uint32_t LastBox = 0;
    std::vector<uint32_t> BoxStarts;      // relative to CurrentTextOffset; no fixed box limit
    uint32_t MessageEnd = 0;              // MessageData position where ScanBoxStarts stopped
                                          // (the message's CC_END, or MessageDataSize)

    // Working copy of the current box
    uint8_t  EditBuffer[EDIT_BUFFER_SIZE] = {};
    uint8_t  EditTemp[EDIT_BUFFER_SIZE] = {};
    uint32_t Cursor = 0;
    uint8_t  EditState = EDIT_UNCHANGED;
    uint8_t  ReloadPending = 1;
    bool     BoxLoaded = false;           // no edit applies before the first LoadBox
    uint32_t LoadedBoxOffset = 0;
    uint32_t LoadedEntryPos = 0;
    uint32_t LoadedBoxLength = 0;         // bytes the loaded box occupies in MessageData
    uint8_t  LoadedIcon = NO_ICON;        // first CC_ICON argument of the box as loaded
    uint32_t LoadedTextOffset = 0;        // text offset of LoadedEntryPos when the box was loaded
    uint32_t LoadedBox = 0;               // box index of the loaded box within its message
    uint32_t LoadCount = 0;               // boxes loaded so far: tells a load from an edit
    // The loaded box is longer than EDIT_TEXT_MAX or runs to the end of the data without a
    // terminator: EditBuffer shows its start, text edits are refused and the commit leaves the
    // box in MessageData exactly as it was. DeleteBox still works on it.
    bool     BoxReadOnly = false;

    // Work area of AlignTextOffsets (pairs of position and pad), kept between calls
    std::vector<uint32_t> AlignWork;

    // Files
    StoreSource Source = SOURCE_FILES;
    bool FilesCreated = false;            // the placeholder pair was created on disk at start
    std::string Directory;                // where the two files live ("." for the program)
};

// Text selection made in the preview; owned by the renderer, read by ColourSelection.
struct TextSelection
{
    uint32_t SelectionAnchor = 0;
    uint32_t SelectionEnd = 0;
};

// Search state, program-wide for the editor.
const int SEARCH_TEXT_SIZE = 24;
const int SEARCH_MAX_LENGTH = 20;
const int SEARCH_MIN_LENGTH = 5;
const int SEARCH_START_POSITIONS = 18;

struct SearchState
{
    uint8_t SearchText[SEARCH_TEXT_SIZE] = {}; // zero-terminated
    uint8_t SearchLength = 0;
    std::vector<uint32_t> SearchResults;       // MessageTable positions, table order
    uint32_t SearchResultCount = 0;
};

// ---- Message files ---------------------------------------------------------------------------
// Loads both files from directory (or works on a placeholder pair, see StoreSource).
void LoadMessageFiles(MessageStore& store, const char* directory = ".");
// Writes both files all-or-nothing (data file first). Returns false after one line on stderr
// when they could not be written; the originals then stay as they were.
bool SaveMessageFiles(MessageStore& store);
void RefreshCurrentEntry(MessageStore& store);

// For the console programs: loads both files exactly as they are, never creating or holding a
// placeholder. Anything but LOAD_OK leaves the store empty.
enum LoadOutcome
{
    LOAD_OK,
    LOAD_MISSING,     // either file is missing
    LOAD_UNREADABLE,  // present but could not be read
    LOAD_DAMAGED,     // breaks the store's assumptions (see TakeMessagePair)
};
LoadOutcome LoadExistingMessageFiles(MessageStore& store, const char* directory = ".");
// Takes a pair held in memory as if loaded from files in the store's Directory (saved back by
// SaveMessageFiles). False, and the store left empty, when the pair breaks the store's
// assumptions: a whole non-empty table, non-empty data, every text offset inside the data and
// the offsets non-decreasing in table order.
bool TakeMessagePair(MessageStore& store, const uint8_t* table, uint32_t tableSize,
                     const uint8_t* data, uint32_t dataSize);
// Deletes a placeholder pair created at start, then releases the buffers.
void CloseMessageStore(MessageStore& store);

uint32_t ReadTextOffset(const MessageStore& store, uint32_t entryPos);
void WriteTextOffset(MessageStore& store, uint32_t entryPos, uint32_t offset);

// ---- Navigation ------------------------------------------------------------------------------
void ScanBoxStarts(MessageStore& store, uint32_t textOffset);
// Bytes of the message the last ScanBoxStarts walked from textOffset, its CC_END included (to
// the end of the data when it has none).
uint32_t ScannedMessageLength(const MessageStore& store, uint32_t textOffset);
// Bytes of the current message as a commit would leave it, CC_END included: its last box scan
// with the working copy in place of the loaded box. Every load, undo and redo scans the
// message, so it holds once the frame's reload is done. O(box) while the box is modified, else O(1).
uint32_t CurrentMessageLength(const MessageStore& store);
void LoadBox(MessageStore& store);
// Commits when due and loads the current box. Returns true when a box was loaded (then
// LoadedIcon holds the box's icon for the panel).
bool RefreshBox(MessageStore& store, bool quitting);
void NextBox(MessageStore& store);
void PreviousBox(MessageStore& store);
void NextMessage(MessageStore& store);
void PreviousMessage(MessageStore& store);
void SelectEntry(MessageStore& store, uint32_t entryPos);
// Left and Right step over a whole element: a code together with its arguments.
void CursorLeft(MessageStore& store);
void CursorRight(MessageStore& store);
uint32_t EditTextLength(const MessageStore& store);
// Length of the box starting at pos by the element walk (terminator included), bounded by
// MessageDataSize; terminated says whether a terminator was found before the end of the data.
uint32_t BoxLengthAt(const MessageStore& store, uint32_t pos, bool* terminated = nullptr);

// ---- Text edits (EditBuffer) -----------------------------------------------------------------
// Each is all-or-nothing: an edit that would make the box text longer than EDIT_TEXT_MAX, or
// would leave the box's terminator anywhere but at its last byte (a byte behind it, a
// CC_END/CC_BOX_BREAK at an element start inside, a code whose arguments would take it in),
// changes nothing, the cursor included. Nothing applies before the first box has been loaded,
// to a box held read-only, or after DeleteBox until the next load. Codes stay whole: bytes go
// in and out only between elements, and a cursor inside a code's arguments, or past the
// terminator, acts at the code or the terminator. A zero byte is an ordinary byte of the text
// (a message ID 0x00xx, icon 0): the text ends at the TEXT_NUL behind its terminator.
// InsertEditByte returns whether the byte was inserted.
bool InsertEditByte(MessageStore& store, uint32_t index, uint8_t byte);
void DeleteEditBytes(MessageStore& store, uint32_t index, uint32_t count);
void TypeByte(MessageStore& store, uint8_t byte);
void EraseBack(MessageStore& store);
void EraseForward(MessageStore& store);
void AddBox(MessageStore& store);
void SetBoxSound(MessageStore& store, uint32_t index, int soundIndex, int mode);
void SetBoxIcon(MessageStore& store, uint32_t index, uint8_t icon, int mode);
void ColourSelection(MessageStore& store, const TextSelection& selection, uint8_t colour);

// ---- Data edits (MessageData, text offsets) --------------------------------------------------
void InsertDataByte(MessageStore& store, uint32_t pos, uint8_t byte);
void DeleteDataBytes(MessageStore& store, uint32_t pos, uint32_t count);
void RemoveDataRange(MessageStore& store, uint32_t start, uint32_t end);
void ShiftTextOffsets(MessageStore& store, uint32_t fromEntryPos, int32_t delta);
void CommitBox(MessageStore& store);
void AlignTextOffsets(MessageStore& store);
void DeleteBox(MessageStore& store);

// ---- Entry edits -----------------------------------------------------------------------------
void SetBoxType(MessageStore& store, uint8_t type);
void SetBoxPosition(MessageStore& store, uint8_t position);

// ---- Search ----------------------------------------------------------------------------------
void ResetSearch(SearchState& search); // the placeholder text, no results
void SearchMessages(const MessageStore& store, SearchState& search);
