// Fuzz target for the message store: arbitrary bytes become a table, a data file and a script of
// store operations (navigation, typing, erasing, cursor moves, AddBox, DeleteBox, type and
// position, sound, icon, colour selections, search, commits, save and reload). The invariants
// are checked inside; a violation aborts with a message.
//
// Input layout:
//   byte 0      flags: bits 0-1 which files exist (0, 1 both; 2 only one, bit 2 says which;
//               3 neither), bit 3 put the offsets in order inside the data first
//   bytes 1-2   table size (big-endian, cut to what is left)
//   bytes 3-4   data size (big-endian, cut to what is left)
//   then the table bytes, the data bytes, and the script (one opcode byte, then its arguments)
#include "message_store.h"
#include "file_layer.h"
#include "store_internal.h"
#include "encoding.h"
#include "sound_table.h"
#include "fuzz_common.h"

#include <cstring>
#include <vector>

// ---- Reading the input ------------------------------------------------------------------------
struct FuzzInput
{
    const uint8_t* Data;
    size_t Size;
    size_t Pos;
    bool Empty() const { return Pos >= Size; }
    uint8_t Byte() { return Pos < Size ? Data[Pos++] : 0; }
    uint32_t Word16() { uint32_t h = Byte(); return (h << 8) | Byte(); }
    uint32_t Word32() { uint32_t h = Word16(); return (h << 16) | Word16(); }
};

// ---- Invariants -------------------------------------------------------------------------------
struct PairShape
{
    bool Sound;        // the store took the files as they were
    bool AllEnded;     // the messages were well formed when loaded, each with its CC_END
};

// Every message still has a CC_END between its start and the next message's start (or the end
// of the data for the last one).
static bool EveryMessageEnded(const uint8_t* table, uint32_t tableSize, const uint8_t* data, uint32_t dataSize)
{
    if (tableSize < ENTRY_SIZE) return false;
    // From the back, so that the next message's start is known; entries sharing a message are
    // looked at once.
    uint32_t limit = dataSize;
    for (uint32_t e = tableSize - tableSize % ENTRY_SIZE; e >= ENTRY_SIZE; e -= ENTRY_SIZE)
    {
        uint32_t offset = EntryOffset(table + e - ENTRY_SIZE);
        if (limit != dataSize && offset == limit) continue; // same message as the one after it
        uint32_t p = offset;
        while (p < limit && data[p] != CC_END) p += ElementLength(data, p, dataSize);
        if (p >= limit) return false;
        limit = offset;
    }
    return true;
}

// Messages that do not overlap: each message's CC_END, found by the element walk that the box
// scan and the copy share, lies before the next message starts. Only for such pairs the store
// promises that every message keeps its CC_END: an entry that points into the middle of another
// message moves with that message's edits.
static bool MessagesWellFormed(const uint8_t* table, uint32_t tableSize, const uint8_t* data, uint32_t dataSize)
{
    if (tableSize < ENTRY_SIZE) return false;
    uint32_t searchFrom = 0; // first byte not yet known to belong to a message
    for (uint32_t e = 0; e + ENTRY_SIZE <= tableSize; e += ENTRY_SIZE)
    {
        uint32_t offset = EntryOffset(table + e);
        if (e > 0 && offset == EntryOffset(table + e - ENTRY_SIZE)) continue;
        if (offset < searchFrom) return false;
        uint32_t end = offset;
        while (end < dataSize && data[end] != CC_END) end += ElementLength(data, end, dataSize);
        if (end >= dataSize) return false;
        searchFrom = end + 1;
    }
    return true;
}

// Set VELLORAN_FUZZ_TRACE to follow a crashing input step by step.
static bool Tracing()
{
    static const bool on = getenv("VELLORAN_FUZZ_TRACE") != nullptr;
    return on;
}

static void Trace(const MessageStore& store, int op)
{
    fprintf(stderr, "op %2d entry %u box %u/%u cursor %u state %u size %u offsets", op, store.CurrentEntryPos,
            store.CurrentBox, store.LastBox, store.Cursor, store.EditState, store.MessageDataSize);
    for (uint32_t e = 0; e + ENTRY_SIZE <= store.MessageTableSize && e < 32 * ENTRY_SIZE; e += ENTRY_SIZE)
        fprintf(stderr, " %u", EntryOffset(&store.MessageTable[e]));
    fprintf(stderr, "\n  data:");
    for (uint32_t i = 0; i < store.MessageDataSize && i < 64; i++)
        fprintf(stderr, " %02x", store.MessageData[i]);
    fprintf(stderr, "\n  edit:");
    for (uint32_t i = 0; i < EDIT_BUFFER_SIZE && store.EditBuffer[i] != TEXT_NUL; i++)
        fprintf(stderr, " %02x", store.EditBuffer[i]);
    fprintf(stderr, "\n");
}

// Checked after every commit of a pair the store took from disk.
static void CheckAfterCommit(const MessageStore& store, const PairShape& shape)
{
    if (Tracing()) Trace(store, -1);
    FUZZ_CHECK(store.MessageDataSize <= store.MessageData.size(), "data size beyond the buffer");
    FUZZ_CHECK(store.MessageTableSize == store.MessageTable.size(), "table size changed");
    const uint8_t* table = store.MessageTable.data();
    uint32_t previous = 0;
    for (uint32_t e = 0; e + ENTRY_SIZE <= store.MessageTableSize; e += ENTRY_SIZE)
    {
        uint32_t offset = EntryOffset(table + e);
        FUZZ_CHECK(offset % 4 == 0, "text offset not a multiple of 4 after a commit");
        FUZZ_CHECK(offset >= previous, "text offsets out of order after a commit");
        FUZZ_CHECK(offset < store.MessageDataSize, "text offset outside the data after a commit");
        previous = offset;
    }
    if (shape.AllEnded)
        FUZZ_CHECK(EveryMessageEnded(table, store.MessageTableSize, store.MessageData.data(), store.MessageDataSize),
                   "a message lost its CC_END");
    // Bytes past the data are not data: they stay zero.
    for (size_t i = store.MessageDataSize; i < store.MessageData.size(); i++)
        FUZZ_CHECK(store.MessageData[i] == 0, "non-zero byte past the data");
}

static void CheckEditBuffer(const MessageStore& store, bool cursorMoved)
{
    uint32_t length = EditTextLength(store);
    FUZZ_CHECK(length <= EDIT_TEXT_MAX, "EditBuffer lost its TEXT_NUL");
    // A box being edited stays one box whose codes are whole, and the keys leave the cursor
    // between elements.
    if (!store.BoxLoaded || store.BoxReadOnly || store.ReloadPending || store.EditState == EDIT_BOX_REMOVED) return;
    bool terminated = false;
    FUZZ_CHECK(BoxTextLength(store.EditBuffer, length, &terminated) == length && terminated,
               "an edit left the box without its terminator at an element start");
    if (cursorMoved)
        FUZZ_CHECK(store.Cursor < length && ElementStartOf(store.EditBuffer, 0, store.Cursor) == store.Cursor,
                   "the cursor stands inside a code");
}

// Once the frame's load is done the last box scan still describes the current message: the length
// it gives is what a walk of the data finds (and, while the box is unmodified, the editor's).
static void CheckMessageLength(const MessageStore& store)
{
    uint32_t size = store.MessageDataSize, start = store.CurrentTextOffset, p = start;
    if (!store.BoxLoaded || store.ReloadPending || start > size) return;
    while (p < size && store.MessageData[p] != CC_END) p += ElementLength(store.MessageData.data(), p, size);
    uint32_t walked = (p < size ? p + 1 : size) - start;
    FUZZ_CHECK(ScannedMessageLength(store, start) == walked, "the box scan no longer describes the current message");
    if (store.EditState != EDIT_MODIFIED)
        FUZZ_CHECK(CurrentMessageLength(store) == walked, "an unmodified box changed the message's length");
}

// ---- Files ------------------------------------------------------------------------------------
static std::string TablePath() { return FuzzDirectory() + "/" + TABLE_FILE_NAME; }
static std::string DataPath() { return FuzzDirectory() + "/" + DATA_FILE_NAME; }

static void CheckFile(const std::string& path, const uint8_t* bytes, uint32_t size, const char* what)
{
    std::vector<uint8_t> on;
    FUZZ_CHECK(ReadWholeFile(path, on) == READ_OK, what);
    FUZZ_CHECK(on.size() == size && (size == 0 || memcmp(on.data(), bytes, size) == 0), what);
}

static void CheckFileMissing(const std::string& path, const char* what)
{
    std::vector<uint8_t> on;
    FUZZ_CHECK(ReadWholeFile(path, on) == READ_MISSING, what);
}

struct DiskPair
{
    bool HasTable, HasData;
    std::vector<uint8_t> Table, Data;
};

// Commits, saves, and checks what reached the disk: the store's images when it owns the files,
// the untouched originals when it refused them.
static void SaveAndCheck(MessageStore& store, const DiskPair& disk, const PairShape& shape)
{
    // Before the first load there is nothing to commit, and the files go back as loaded.
    bool loaded = store.BoxLoaded;
    RefreshBox(store, true);
    if (loaded && shape.Sound)
        CheckAfterCommit(store, shape);
    bool saved = SaveMessageFiles(store);
    FUZZ_CHECK(saved, "saving to a writable directory failed");
    if (store.Source == SOURCE_FILES || store.Source == SOURCE_CREATED)
    {
        CheckFile(DataPath(), store.MessageData.data(), store.MessageDataSize, "saved data differs from the store");
        CheckFile(TablePath(), store.MessageTable.data(), store.MessageTableSize, "saved table differs from the store");
    }
    else
    {
        // Refused files are never written.
        if (disk.HasTable) CheckFile(TablePath(), disk.Table.data(), (uint32_t)disk.Table.size(), "refused table was written");
        else CheckFileMissing(TablePath(), "a table appeared beside a refused pair");
        if (disk.HasData) CheckFile(DataPath(), disk.Data.data(), (uint32_t)disk.Data.size(), "refused data was written");
        else CheckFileMissing(DataPath(), "a data file appeared beside a refused pair");
    }
    FUZZ_CHECK(OnlyMessageFilesIn(FuzzDirectory(), nullptr), "a temporary file was left behind");
}

// Saves, then loads what was saved: a pair the store wrote is one it takes back unchanged.
static void SaveAndReload(MessageStore& store, DiskPair& disk, PairShape& shape)
{
    SaveAndCheck(store, disk, shape);
    if (store.Source != SOURCE_FILES && store.Source != SOURCE_CREATED) return;
    std::vector<uint8_t> table(store.MessageTable.begin(), store.MessageTable.begin() + store.MessageTableSize);
    std::vector<uint8_t> data(store.MessageData.begin(), store.MessageData.begin() + store.MessageDataSize);
    bool created = store.FilesCreated;
    LoadMessageFiles(store, FuzzDirectory().c_str());
    FUZZ_CHECK(store.Source == SOURCE_FILES, "the store refused a pair it wrote itself");
    FUZZ_CHECK(store.MessageTableSize == table.size() && memcmp(store.MessageTable.data(), table.data(), table.size()) == 0,
               "reloaded table differs");
    FUZZ_CHECK(store.MessageDataSize == data.size() && memcmp(store.MessageData.data(), data.data(), data.size()) == 0,
               "reloaded data differs");
    store.FilesCreated = created; // still ours to delete at the end
    if (created) store.Source = SOURCE_CREATED;
    disk.HasTable = disk.HasData = true;
    disk.Table = table;
    disk.Data = data;
}

// ---- The target -------------------------------------------------------------------------------
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    FuzzInput in = { bytes, size, 0 };
    uint8_t flags = in.Byte();
    uint32_t tableSize = in.Word16();
    uint32_t dataSize = in.Word16();
    if (tableSize > size - in.Pos) tableSize = (uint32_t)(size - in.Pos);
    std::vector<uint8_t> table(bytes + in.Pos, bytes + in.Pos + tableSize);
    in.Pos += tableSize;
    if (dataSize > size - in.Pos) dataSize = (uint32_t)(size - in.Pos);
    std::vector<uint8_t> data(bytes + in.Pos, bytes + in.Pos + dataSize);
    in.Pos += dataSize;

    // Offsets put in order inside the data, so that the fuzzer reaches the edits quickly.
    if ((flags & 8) && dataSize > 0)
    {
        uint32_t previous = 0;
        for (uint32_t e = 0; e + ENTRY_SIZE <= tableSize; e += ENTRY_SIZE)
        {
            uint32_t offset = EntryOffset(&table[e]) % dataSize;
            if (offset < previous) offset = previous;
            SetEntryOffset(&table[e], offset);
            previous = offset;
        }
    }

    DiskPair disk = {};
    uint8_t presence = flags & 3;
    disk.HasTable = presence <= 1 || (presence == 2 && (flags & 4));
    disk.HasData = presence <= 1 || (presence == 2 && !(flags & 4));
    ClearFuzzDirectory();
    if (disk.HasTable) { disk.Table = table; WriteFuzzFile(TablePath(), table); }
    if (disk.HasData) { disk.Data = data; WriteFuzzFile(DataPath(), data); }

    static MessageStore store; // kept between runs like the program's one store
    LoadMessageFiles(store, FuzzDirectory().c_str());
    PairShape shape = {};
    shape.Sound = store.Source == SOURCE_FILES || store.Source == SOURCE_CREATED;
    shape.AllEnded = MessagesWellFormed(store.MessageTable.data(), store.MessageTableSize,
                                       store.MessageData.data(), store.MessageDataSize);
    if (Tracing()) fprintf(stderr, "source %d, well formed %d\n", (int)store.Source, (int)shape.AllEnded);
    if (store.Source == SOURCE_FILES)
    {
        FUZZ_CHECK(store.MessageTableSize == tableSize && store.MessageDataSize == dataSize, "loaded sizes differ");
        FUZZ_CHECK(MessagePairIsSound(table.data(), tableSize, dataSize), "an unsound pair was taken");
    }
    else if (disk.HasTable && disk.HasData)
        FUZZ_CHECK(store.Source == SOURCE_DAMAGED, "a present pair was neither loaded nor refused");

    TextSelection selection;
    SearchState search;
    ResetSearch(search);
    int steps = 0;
    while (!in.Empty() && steps++ < 4000)
    {
        uint8_t op = in.Byte();
        switch (op % 26)
        {
        case 0: case 1: case 2: // the end of a frame is the most common step
        {
            bool committing = store.ReloadPending && store.EditState == EDIT_MODIFIED;
            RefreshBox(store, false);
            if (committing && shape.Sound) CheckAfterCommit(store, shape);
            break;
        }
        case 3: NextBox(store); break;
        case 4: PreviousBox(store); break;
        case 5: NextMessage(store); break;
        case 6: PreviousMessage(store); break;
        case 7: SelectEntry(store, in.Word16() * ENTRY_SIZE); break;
        case 8: SelectEntry(store, in.Word32()); break;
        case 9: CursorLeft(store); break;
        case 10: CursorRight(store); break;
        case 11: store.Cursor = in.Word16(); break; // the pointer's hit test sets it freely
        case 12: case 13: TypeByte(store, in.Byte()); break;
        case 14: EraseBack(store); break;
        case 15: EraseForward(store); break;
        case 16: AddBox(store); break;
        case 17: DeleteBox(store); break;
        case 18: SetBoxType(store, in.Byte()); break;
        case 19: SetBoxPosition(store, in.Byte()); break;
        case 20:
        {
            uint32_t index = in.Word16();
            int sound = (int)in.Byte() - 8;
            SetBoxSound(store, index, sound, in.Byte() % 4);
            break;
        }
        case 21:
        {
            uint32_t index = in.Word16();
            uint8_t icon = in.Byte();
            SetBoxIcon(store, index, icon, in.Byte() % 4);
            break;
        }
        case 22:
            selection.SelectionAnchor = in.Word16();
            selection.SelectionEnd = in.Word16();
            ColourSelection(store, selection, in.Byte());
            break;
        case 23:
        {
            uint8_t length = in.Byte() % (SEARCH_MAX_LENGTH + 1);
            memset(search.SearchText, 0, sizeof(search.SearchText));
            for (uint8_t i = 0; i < length; i++) search.SearchText[i] = (uint8_t)(0x20 + in.Byte() % 0x5F);
            search.SearchLength = length;
            SearchMessages(store, search);
            FUZZ_CHECK(search.SearchResultCount == search.SearchResults.size(), "result count differs");
            for (uint32_t i = 0; i < search.SearchResultCount; i++)
            {
                uint32_t p = search.SearchResults[i];
                FUZZ_CHECK(p % ENTRY_SIZE == 0 && p + ENTRY_SIZE <= store.MessageTableSize, "result outside the table");
                FUZZ_CHECK(i == 0 || p > search.SearchResults[i - 1], "results not in table order");
            }
            if (search.SearchResultCount > 0)
                SelectEntry(store, search.SearchResults[in.Byte() % search.SearchResultCount]);
            break;
        }
        case 24:
        {
            bool loaded = store.BoxLoaded;
            RefreshBox(store, true); // the commit of the program's last frame
            if (loaded && shape.Sound) CheckAfterCommit(store, shape);
            break;
        }
        case 25:
            SaveAndReload(store, disk, shape);
            break;
        }
        uint8_t kind = op % 26;
        CheckEditBuffer(store, kind == 9 || kind == 10 || (kind >= 12 && kind <= 15));
        CheckMessageLength(store);
        if (Tracing()) Trace(store, op % 26);
    }

    SaveAndCheck(store, disk, shape);
    CloseMessageStore(store);
    if (store.Source == SOURCE_CREATED)
    {
        CheckFileMissing(TablePath(), "the created table was not deleted");
        CheckFileMissing(DataPath(), "the created data file was not deleted");
    }
    return 0;
}
