// The reference operations, step by step as the operations are first described.
#include "reference.h"
#include "encoding.h"

#include <cstring>

// ---- Entries ------------------------------------------------------------------------------------
static uint32_t ReadOffset(const ReferenceStore& s, uint32_t e)
{
    return ((uint32_t)s.Table[e + 5] << 16) | ((uint32_t)s.Table[e + 6] << 8) | s.Table[e + 7];
}

static void WriteOffset(ReferenceStore& s, uint32_t e, uint32_t v)
{
    s.Table[e + 5] = (uint8_t)(v >> 16);
    s.Table[e + 6] = (uint8_t)(v >> 8);
    s.Table[e + 7] = (uint8_t)v;
}

static void ShiftTextOffsets(ReferenceStore& s, uint32_t from, int32_t delta)
{
    for (uint32_t e = from; e < s.TableSize; e += 8)
        WriteOffset(s, e, (ReadOffset(s, e) + (uint32_t)delta) & 0xFFFFFF);
}

// ---- Data, one byte at a time through the scratch buffer ----------------------------------------
static void InsertDataByte(ReferenceStore& s, uint32_t pos, uint8_t byte)
{
    for (uint32_t i = 0; i < pos; i++) s.Scratch[i] = s.Data[i];
    s.Scratch[pos] = byte;
    for (uint32_t i = pos; i < s.DataSize; i++) s.Scratch[i + 1] = s.Data[i];
    s.DataSize++;
    for (uint32_t i = 0; i < s.DataSize; i++) s.Data[i] = s.Scratch[i];
}

static void DeleteDataBytes(ReferenceStore& s, uint32_t pos, uint32_t count)
{
    for (uint32_t i = 0; i < pos; i++) s.Scratch[i] = s.Data[i];
    for (uint32_t i = pos + count; i < s.DataSize; i++) s.Scratch[i - count] = s.Data[i];
    s.DataSize -= count;
    for (uint32_t i = 0; i < s.DataSize; i++) s.Data[i] = s.Scratch[i];
}

static void RemoveDataRange(ReferenceStore& s, uint32_t start, uint32_t end)
{
    DeleteDataBytes(s, start, end - start);
    ShiftTextOffsets(s, s.LoadedEntryPos + 8, (int32_t)start - (int32_t)end);
}

// ---- Commit and alignment -----------------------------------------------------------------------
void ReferenceCommitBox(ReferenceStore& s)
{
    uint32_t start = s.LoadedBoxOffset;
    uint32_t k = 0;
    while (!((s.Data[start + k] == CC_END || s.Data[start + k] == CC_BOX_BREAK) &&
             (k == 0 || (s.Data[start + k - 1] != CC_ICON && s.Data[start + k - 1] != CC_SHIFT))))
        k++;
    RemoveDataRange(s, start, start + k + 1);
    uint32_t n = 0;
    while (s.EditBuffer[n] != TEXT_NUL) n++;
    ShiftTextOffsets(s, s.LoadedEntryPos + 8, (int32_t)n);
    for (uint32_t i = n; i > 0; i--) InsertDataByte(s, start, s.EditBuffer[i - 1]);
    ReferenceAlignTextOffsets(s);
}

void ReferenceAlignTextOffsets(ReferenceStore& s)
{
    for (uint32_t e = 0; e < s.TableSize; e += 8)
    {
        uint32_t o = ReadOffset(s, e);
        if (o % 4 == 0) continue;
        uint32_t pad = 4 - o % 4;
        ShiftTextOffsets(s, e, (int32_t)pad);
        for (uint32_t i = 0; i < pad; i++) InsertDataByte(s, o, 0);
    }
}

// ---- DeleteBox, from the cursor with the box limit queries --------------------------------------
static bool IsEnd(uint8_t b) { return b == CC_END || b == CC_BOX_BREAK; }

static uint32_t FindBoxEnd(const ReferenceStore& s, uint32_t p, bool includeBreak)
{
    uint32_t q = p;
    while (!IsEnd(s.Data[q])) q++;
    return s.Data[q] == CC_END ? q : (includeBreak ? q + 1 : q);
}

static uint32_t FindBoxStart(const ReferenceStore& s, uint32_t p)
{
    if (p == 0) return 0;
    if (s.Data[p] == CC_END) return p + 1;
    if (s.Data[p] == CC_BOX_BREAK) return p;
    for (uint32_t q = p - 1; q >= 1; q--)
    {
        if (s.Data[q] == CC_BOX_BREAK) return q;
        if (s.Data[q] == CC_END) return q + 1 > s.CurrentTextOffset ? q + 1 : s.CurrentTextOffset;
    }
    return s.CurrentTextOffset;
}

static bool FollowsBoxBreak(const ReferenceStore& s, uint32_t p)
{
    if (p == 0) return false;
    if (IsEnd(s.Data[p])) return s.Data[p] == CC_BOX_BREAK;
    for (uint32_t q = p - 1; q >= 1; q--)
        if (IsEnd(s.Data[q])) return s.Data[q] == CC_BOX_BREAK;
    return false;
}

void ReferenceDeleteBox(ReferenceStore& s)
{
    // Box starts of the current message, then p = CursorDataPos.
    std::vector<uint32_t> starts(1, 0);
    for (uint32_t i = 0;;)
    {
        uint8_t b = s.Data[s.CurrentTextOffset + i];
        if (b == CC_ICON) i += 2;
        else if (b == CC_BOX_BREAK || b == CC_BOX_BREAK_ALT) starts.push_back(++i);
        else if (b == CC_END) break;
        else i++;
    }
    s.LastBox = (uint32_t)starts.size() - 1;
    uint32_t p = s.CurrentTextOffset + starts[s.CurrentBox] + s.Cursor;
    uint32_t q = p;
    while (!IsEnd(s.Data[q])) q++;
    bool removed = false;
    if (s.Data[q] == CC_END)
    {
        if (FollowsBoxBreak(s, p))
        {
            uint32_t end = FindBoxEnd(s, p, false);
            RemoveDataRange(s, FindBoxStart(s, p), end);
            removed = true;
        }
    }
    else
    {
        uint32_t end = FindBoxEnd(s, p, s.CurrentBox != s.LastBox);
        uint32_t start = FollowsBoxBreak(s, p) ? FindBoxStart(s, p) + 1 : FindBoxStart(s, p);
        RemoveDataRange(s, start, end);
        removed = true;
    }
    if (removed && s.CurrentBox > 0) s.CurrentBox--;
}

// ---- Search -------------------------------------------------------------------------------------
uint32_t ReferenceSearchMessages(const ReferenceStore& s, const char* text)
{
    uint8_t upper[24] = {};
    uint32_t n = 0;
    for (; text[n] && n < 20; n++)
    {
        uint8_t c = (uint8_t)text[n];
        upper[n] = c >= 0x61 && c <= 0x7F ? (uint8_t)(c - 0x20) : c;
    }
    uint32_t found = 0;
    for (uint32_t p = 0; p < s.TableSize; p += 8)
    {
        uint32_t t = ReadOffset(s, p);
        bool match = n == 0;
        for (uint32_t start = t; !match && start < t + 18; start++)
        {
            uint32_t pos = start, j = 0;
            bool failedOnEnd = false, failed = false;
            while (!failed && j < n)
            {
                if (pos >= s.DataSize) { failed = failedOnEnd = true; break; }
                uint8_t b = s.Data[pos];
                if (b == CC_COLOR || b == CC_SHIFT) { pos += 2; continue; }
                if (b == CC_PASS_08 || b == CC_PASS_09) { pos++; continue; }
                uint8_t c = b == CC_LINE_BREAK ? 0x20 : (b > 0x60 ? (uint8_t)(b - 0x20) : b);
                if (c == upper[j]) { j++; pos++; }
                else { failed = true; failedOnEnd = b == CC_END; }
            }
            if (!failed) match = true;
            else if (failedOnEnd) break;
        }
        found += match;
    }
    return found;
}
