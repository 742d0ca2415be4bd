// Edits of MessageData and the text offsets: the commit of the edited box, the 4-byte alignment
// of the messages, DeleteBox, and the entry edits of the box type and position.
// Every move is one memmove of the affected tail, never a copy per inserted byte.
#include "message_store.h"
#include "store_internal.h"
#include "encoding.h"

#include <cstring>

const uint32_t OFFSET_MASK = 0xFFFFFF;

// ---- Room ---------------------------------------------------------------------------------------
void EnsureDataCapacity(MessageStore& store, uint32_t needed)
{
    size_t capacity = store.MessageData.size();
    if (needed <= capacity) return;
    size_t grown = capacity * 2 > 64 ? capacity * 2 : 64;
    if (grown < needed) grown = needed;
    store.MessageData.resize(grown, 0);
}

// ---- Raw data moves -----------------------------------------------------------------------------
void InsertDataByte(MessageStore& store, uint32_t pos, uint8_t byte)
{
    if (pos > store.MessageDataSize) return;
    EnsureDataCapacity(store, store.MessageDataSize + 1);
    uint8_t* data = store.MessageData.data();
    memmove(data + pos + 1, data + pos, store.MessageDataSize - pos);
    data[pos] = byte;
    store.MessageDataSize++;
}

void DeleteDataBytes(MessageStore& store, uint32_t pos, uint32_t count)
{
    if (pos >= store.MessageDataSize) return;
    if (count > store.MessageDataSize - pos) count = store.MessageDataSize - pos;
    uint8_t* data = store.MessageData.data();
    memmove(data + pos, data + pos + count, store.MessageDataSize - pos - count);
    store.MessageDataSize -= count;
    // Bytes past the data stay zero, as they were after loading.
    memset(data + store.MessageDataSize, 0, count);
}

// ---- Text offsets -------------------------------------------------------------------------------
void ShiftTextOffsets(MessageStore& store, uint32_t fromEntryPos, int32_t delta)
{
    uint8_t* table = store.MessageTable.data();
    for (uint32_t e = fromEntryPos; e + ENTRY_SIZE <= store.MessageTableSize; e += ENTRY_SIZE)
        SetEntryOffset(table + e, (EntryOffset(table + e) + (uint32_t)delta) & OFFSET_MASK);
}

void ShiftOffsetsAbove(MessageStore& store, uint32_t fromEntryPos, uint32_t messageStart,
                       uint32_t changeStart, uint32_t oldEnd, uint32_t newEnd)
{
    if (oldEnd == newEnd) return;
    int64_t delta = (int64_t)newEnd - (int64_t)oldEnd;
    uint8_t* table = store.MessageTable.data();
    for (uint32_t e = fromEntryPos; e + ENTRY_SIZE <= store.MessageTableSize; e += ENTRY_SIZE)
    {
        uint32_t offset = EntryOffset(table + e);
        if (offset <= messageStart) continue;
        int64_t moved = (int64_t)offset + delta;
        // An offset that pointed into bytes that are gone would land below the edited bytes
        // (or wrap): it stops at the first byte after them instead.
        if (offset < oldEnd && moved < (int64_t)changeStart) moved = changeStart;
        SetEntryOffset(table + e, (uint32_t)moved & OFFSET_MASK);
    }
}

uint32_t RemoveMessageBytes(MessageStore& store, uint32_t entryPos, uint32_t start, uint32_t end)
{
    if (end > store.MessageDataSize) end = store.MessageDataSize;
    if (start >= end) return 0;
    uint32_t messageStart = ReadTextOffset(store, entryPos);
    DeleteDataBytes(store, start, end - start);
    ShiftOffsetsAbove(store, entryPos + ENTRY_SIZE, messageStart, start, end, start);
    return end - start;
}

void RemoveDataRange(MessageStore& store, uint32_t start, uint32_t end)
{
    RemoveMessageBytes(store, store.LoadedEntryPos, start, end);
}

// ---- Commit -------------------------------------------------------------------------------------
void CommitBox(MessageStore& store)
{
    if (!store.BoxLoaded) return;
    uint32_t start = store.LoadedBoxOffset;
    // A box held read-only goes back exactly as it was; so does one that lies outside the data.
    if (!store.BoxReadOnly && start <= store.MessageDataSize)
    {
        uint32_t oldLength = BoxLengthAt(store, start);
        uint32_t newLength = EditTextLength(store);
        uint32_t size = store.MessageDataSize;
        uint32_t tail = size - start - oldLength;
        EnsureDataCapacity(store, size - oldLength + newLength);
        uint8_t* data = store.MessageData.data();
        // One move of the tail, then the box's new bytes in place.
        memmove(data + start + newLength, data + start + oldLength, tail);
        memcpy(data + start, store.EditBuffer, newLength);
        store.MessageDataSize = size - oldLength + newLength;
        if (newLength < oldLength)
            memset(data + store.MessageDataSize, 0, oldLength - newLength);
        ShiftOffsetsAbove(store, store.LoadedEntryPos + ENTRY_SIZE, store.LoadedTextOffset,
                          start, start + oldLength, start + newLength);
    }
    AlignTextOffsets(store);
}

// ---- Alignment ----------------------------------------------------------------------------------
void AlignTextOffsets(MessageStore& store)
{
    // Pass over the table: every misaligned message gets zero bytes before it, which moves it and
    // everything behind it. The insertions are collected as (original position, pad) pairs.
    std::vector<uint32_t>& work = store.AlignWork;
    work.clear();
    uint32_t shift = 0;
    uint32_t lastInsert = 0;
    uint32_t size = store.MessageDataSize;
    uint8_t* table = store.MessageTable.data();
    for (uint32_t e = 0; e + ENTRY_SIZE <= store.MessageTableSize; e += ENTRY_SIZE)
    {
        uint32_t original = EntryOffset(table + e);
        // The zero bytes go into the data only where the store's order holds; an offset out of
        // order or outside the data is not the start of a message the store can move.
        bool movable = original >= lastInsert && original <= size;
        uint32_t offset = movable ? (original + shift) & OFFSET_MASK : original;
        if (offset % 4 != 0)
        {
            uint32_t pad = 4 - offset % 4;
            if (movable)
            {
                work.push_back(original);
                work.push_back(pad);
                shift += pad;
                lastInsert = original;
                offset = (offset + pad) & OFFSET_MASK;
            }
        }
        if (offset != original) SetEntryOffset(table + e, offset);
    }
    if (shift == 0) return;
    uint32_t total = shift;

    // One pass over the data from the back: each segment moves up by the pads before it.
    EnsureDataCapacity(store, size + shift);
    uint8_t* data = store.MessageData.data();
    uint32_t segmentEnd = size;
    for (size_t i = work.size(); i > 0; i -= 2)
    {
        uint32_t pos = work[i - 2];
        uint32_t pad = work[i - 1];
        memmove(data + pos + shift, data + pos, segmentEnd - pos);
        shift -= pad;
        memset(data + pos + shift, 0, pad);
        segmentEnd = pos;
    }
    store.MessageDataSize = size + total;
}

// ---- Deleting a box -----------------------------------------------------------------------------
void DeleteBox(MessageStore& store)
{
    if (store.MessageTableSize < ENTRY_SIZE) return;
    // The box limits come from the message as it stands in MessageData now.
    RefreshCurrentEntry(store);
    ScanBoxStarts(store, store.CurrentTextOffset);
    if (store.CurrentBox > store.LastBox) store.CurrentBox = store.LastBox;
    uint32_t text = store.CurrentTextOffset;
    uint32_t box = store.CurrentBox;
    uint32_t removed = 0;
    // A message that runs to the end of the data without CC_END has no known end: removing one
    // of its boxes could take the rest of the data with it, so nothing is removed.
    bool ended = store.MessageEnd < store.MessageDataSize;
    if (store.LastBox > 0 && ended)
    {
        if (box < store.LastBox)
            removed = RemoveMessageBytes(store, store.CurrentEntryPos, text + store.BoxStarts[box],
                                         text + store.BoxStarts[box + 1]);
        else
        {
            // The last box goes with the break before it (and the break's delay); the
            // message's CC_END stays.
            const uint8_t* data = store.MessageData.data();
            uint32_t breakPos = ElementStartOf(data, text + store.BoxStarts[box - 1], text + store.BoxStarts[box] - 1);
            removed = RemoveMessageBytes(store, store.CurrentEntryPos, breakPos, store.MessageEnd);
        }
    }
    if (removed > 0 && store.CurrentBox > 0) store.CurrentBox--;
    store.ReloadPending = 1;
    store.EditState = EDIT_BOX_REMOVED;
}

// ---- Entry edits --------------------------------------------------------------------------------
// The byte is read from the table itself, so a change of entry earlier in the same frame
// cannot carry another entry's nibble over.
static void SetTypePositionNibble(MessageStore& store, uint8_t keepMask, uint8_t bits)
{
    if (store.CurrentEntryPos % ENTRY_SIZE != 0 || !EntryInTable(store, store.CurrentEntryPos)) return;
    uint8_t& b = store.MessageTable[store.CurrentEntryPos + 2];
    b = (uint8_t)((b & keepMask) | bits);
    store.CurrentEntry[2] = b;
}

void SetBoxType(MessageStore& store, uint8_t type)
{
    SetTypePositionNibble(store, 0x0F, (uint8_t)((type & 0x0F) << 4));
}

void SetBoxPosition(MessageStore& store, uint8_t position)
{
    SetTypePositionNibble(store, 0xF0, (uint8_t)(position & 0x0F));
}
