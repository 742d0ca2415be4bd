// Helpers shared by the store's source files; not part of the store's interface.
#pragma once
#include "message_store.h"

// Text offset of a table entry (bytes 5..7, big-endian) and its rewrite; byte 4 is kept.
inline uint32_t EntryOffset(const uint8_t* entry)
{
    return ((uint32_t)entry[5] << 16) | ((uint32_t)entry[6] << 8) | entry[7];
}
inline void SetEntryOffset(uint8_t* entry, uint32_t offset)
{
    entry[5] = (uint8_t)(offset >> 16);
    entry[6] = (uint8_t)(offset >> 8);
    entry[7] = (uint8_t)offset;
}

// True when an entry at pos lies whole inside the table; a pos near 2^32 does not wrap past it.
inline bool EntryInTable(const MessageStore& store, uint32_t pos)
{
    return store.MessageTableSize >= ENTRY_SIZE && pos <= store.MessageTableSize - ENTRY_SIZE;
}

// Makes MessageData hold at least needed bytes, growing by doubling; bytes past
// MessageDataSize stay zero.
void EnsureDataCapacity(MessageStore& store, uint32_t needed);

// Repairs the text offsets of the entries from fromEntryPos on after the bytes [changeStart,
// oldEnd) of the message at messageStart were replaced by [changeStart, newEnd): offsets above
// messageStart move by the difference (modulo 2^24), but one that pointed into the replaced
// bytes never lands below changeStart, so the table stays in order. Entries that share the
// edited message's first byte keep pointing at it.
void ShiftOffsetsAbove(MessageStore& store, uint32_t fromEntryPos, uint32_t messageStart,
                       uint32_t changeStart, uint32_t oldEnd, uint32_t newEnd);

// Removes [start, end) from MessageData (clamped to the data) and moves later messages of the
// table after entryPos down by the removed length. Returns the number of bytes removed.
uint32_t RemoveMessageBytes(MessageStore& store, uint32_t entryPos, uint32_t start, uint32_t end);

// Loads the store's images from a pair held in memory and resets every editing field.
void SetStorePair(MessageStore& store, const uint8_t* table, uint32_t tableSize,
                  const uint8_t* data, uint32_t dataSize);

// True when a pair meets the store's assumptions: whole non-empty table, non-empty data,
// every text offset inside the data, offsets non-decreasing in table order.
bool MessagePairIsSound(const uint8_t* table, uint32_t tableSize, uint32_t dataSize);

// Moves a cursor beyond the terminator back onto it, and one inside a code's arguments back to
// the code.
void KeepCursorOnElement(MessageStore& store);
