// Literal byte-by-byte reference implementations of the store's data edits and search, kept for
// comparison in the benchmarks only: every inserted or removed byte copies all of the data
// through a scratch buffer and back, every pad byte shifts the rest of the table.
#pragma once
#include <cstdint>
#include <vector>

struct ReferenceStore
{
    std::vector<uint8_t> Data;    // capacity
    std::vector<uint8_t> Scratch; // same capacity
    uint32_t DataSize = 0;
    std::vector<uint8_t> Table;
    uint32_t TableSize = 0;
    // Editing state as the operations see it
    uint8_t EditBuffer[4096] = {};
    uint32_t LoadedBoxOffset = 0;
    uint32_t LoadedEntryPos = 0;
    uint32_t CurrentEntryPos = 0;
    uint32_t CurrentTextOffset = 0;
    uint32_t CurrentBox = 0;
    uint32_t LastBox = 0;
    uint32_t Cursor = 0;
};

void ReferenceCommitBox(ReferenceStore& s);
void ReferenceAlignTextOffsets(ReferenceStore& s);
void ReferenceDeleteBox(ReferenceStore& s);
// Returns the number of matching entries.
uint32_t ReferenceSearchMessages(const ReferenceStore& s, const char* text);
