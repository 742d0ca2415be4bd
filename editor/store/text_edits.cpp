// Edits of the working copy of the current box. Every edit is all-or-nothing: it is built in
// EditTemp and kept only when the result still fits EditBuffer and still ends exactly at its
// own terminator (so that the box reloads as the same box after the commit).
#include "message_store.h"
#include "store_internal.h"
#include "encoding.h"
#include "sound_table.h"

#include <cstring>

// ---- The room and shape rule --------------------------------------------------------------------
// After DeleteBox the working copy no longer describes MessageData: it is only dropped.
static bool Editable(const MessageStore& store)
{
    return store.BoxLoaded && !store.BoxReadOnly && store.EditState != EDIT_BOX_REMOVED;
}

// True when the text holds exactly boxes box ends by the element walk, the last of them its last
// byte.
static bool EndsAtLastByte(const uint8_t* text, uint32_t length, int boxes)
{
    uint32_t p = 0;
    for (int box = 0; box < boxes; box++)
    {
        bool terminated = false;
        p += BoxTextLength(text + p, length - p, &terminated);
        if (!terminated) return false;
    }
    return p == length;
}

// Keeps the text of length bytes built in EditTemp when it is acceptable.
static bool AcceptEditTemp(MessageStore& store, uint32_t length, int boxes = 1)
{
    if (length > EDIT_TEXT_MAX || !EndsAtLastByte(store.EditTemp, length, boxes)) return false;
    memcpy(store.EditBuffer, store.EditTemp, length);
    store.EditBuffer[length] = TEXT_NUL;
    store.EditState = EDIT_MODIFIED;
    return true;
}

// Replaces remove bytes at index with count bytes; refused when index lies beyond the text.
static bool Splice(MessageStore& store, uint32_t index, uint32_t remove, const uint8_t* bytes, uint32_t count,
                   int boxes = 1)
{
    if (!Editable(store)) return false;
    uint32_t length = EditTextLength(store);
    if (index > length) return false;
    if (remove > length - index) remove = length - index;
    if (length - remove + count > EDIT_TEXT_MAX) return false;
    uint32_t tail = length - index - remove;
    memcpy(store.EditTemp, store.EditBuffer, index);
    if (count > 0) memcpy(store.EditTemp + index, bytes, count);
    memcpy(store.EditTemp + index + count, store.EditBuffer + index + remove, tail);
    return AcceptEditTemp(store, index + count + tail, boxes);
}

// First index of code in the text, or the text length when there is none. Argument bytes are
// stepped over as the preview reads them: icon 18 or a gap of 18 pixels is the byte of
// CC_SOUND, and taking it for one would overwrite the text behind it.
static uint32_t FindCode(const MessageStore& store, uint8_t code)
{
    uint32_t length = EditTextLength(store);
    for (uint32_t i = 0; i < length; i += ElementLength(store.EditBuffer, i, length))
        if (store.EditBuffer[i] == code) return i;
    return length;
}

// ---- Basic edits ----------------------------------------------------------------------------------
// True when index lies between two elements of the text (or at its end).
static bool AtElementBoundary(const MessageStore& store, uint32_t index)
{
    return index <= EditTextLength(store) && ElementStartOf(store.EditBuffer, 0, index) == index;
}

// Bytes go in and out only between whole elements, never between a code and its arguments. A
// code that carries arguments cannot go in alone: it would take the text after it for them.
bool InsertEditByte(MessageStore& store, uint32_t index, uint8_t byte)
{
    return ControlArgumentCount(byte) == 0 && AtElementBoundary(store, index) && Splice(store, index, 0, &byte, 1);
}

void DeleteEditBytes(MessageStore& store, uint32_t index, uint32_t count)
{
    if (count > 0 && RangeInside(index, count, EditTextLength(store)) && AtElementBoundary(store, index) &&
        AtElementBoundary(store, index + count))
        Splice(store, index, count, nullptr, 0);
}

void TypeByte(MessageStore& store, uint8_t byte)
{
    if (!Editable(store)) return;
    KeepCursorOnElement(store);
    if (InsertEditByte(store, store.Cursor, byte)) store.Cursor++;
}

void EraseBack(MessageStore& store)
{
    if (!Editable(store)) return;
    KeepCursorOnElement(store);
    if (store.Cursor == 0) return;
    // The element before the cursor goes whole: a code with its arguments.
    uint32_t start = ElementStartOf(store.EditBuffer, 0, store.Cursor - 1);
    if (Splice(store, start, store.Cursor - start, nullptr, 0)) store.Cursor = start;
}

void EraseForward(MessageStore& store)
{
    if (!Editable(store)) return;
    KeepCursorOnElement(store);
    uint8_t b = store.EditBuffer[store.Cursor];
    uint32_t length = EditTextLength(store);
    if (b != CC_END && b != CC_BOX_BREAK && store.Cursor + 1 < length)
        Splice(store, store.Cursor, ElementLength(store.EditBuffer, store.Cursor, length), nullptr, 0);
}

// ---- Boxes ----------------------------------------------------------------------------------------
void AddBox(MessageStore& store)
{
    if (!Editable(store)) return;
    uint32_t length = EditTextLength(store);
    if (length == 0) return;
    // The new box takes over the old terminator's role: it ends the message when the old box
    // did, otherwise another box follows it.
    uint8_t oldEnd = store.EditBuffer[length - 1];
    const uint8_t added[7] = { CC_BOX_BREAK, 'T', 'e', 'x', 't', '!', oldEnd == CC_END ? CC_END : CC_BOX_BREAK };
    if (Splice(store, length - 1, 1, added, sizeof(added), 2)) store.ReloadPending = 1;
}

// ---- Codes ----------------------------------------------------------------------------------------
// A whole code of length bytes goes in at index or out from it; the cursor stays on the element
// it stood on (the code's own when it stood inside one), so it never lands inside a code. A
// cursor set beyond the text (it acts at the terminator) is left as it is.
static uint32_t CursorElement(const MessageStore& store, uint32_t textLength)
{
    return store.Cursor < textLength ? ElementStartOf(store.EditBuffer, 0, store.Cursor) : store.Cursor;
}

static void InsertCode(MessageStore& store, uint32_t index, const uint8_t* code, uint32_t length)
{
    uint32_t before = EditTextLength(store);
    uint32_t cursor = CursorElement(store, before);
    if (!AtElementBoundary(store, index) || !Splice(store, index, 0, code, length)) return;
    if (cursor < before && cursor >= index) cursor += length;
    store.Cursor = cursor;
}

static void RemoveCode(MessageStore& store, uint32_t index, uint32_t length)
{
    uint32_t before = EditTextLength(store);
    uint32_t cursor = CursorElement(store, before);
    if (!AtElementBoundary(store, index) || index >= before ||
        ElementLength(store.EditBuffer, index, before) != length || !Splice(store, index, length, nullptr, 0))
        return;
    if (cursor < before && cursor > index) cursor -= length;
    store.Cursor = cursor;
}

void SetBoxSound(MessageStore& store, uint32_t index, int soundIndex, int mode)
{
    if (!Editable(store)) return;
    uint32_t found = FindCode(store, CC_SOUND);
    bool present = found < EditTextLength(store);
    if (mode == CODE_REMOVE)
    {
        if (present) RemoveCode(store, found, 3);
        return;
    }
    if (soundIndex < 0 || soundIndex >= SOUND_COUNT) return;
    uint16_t id = SoundIdTable[soundIndex];
    uint8_t code[3] = { CC_SOUND, (uint8_t)(id >> 8), (uint8_t)id };
    if (mode == CODE_REPLACE)
    {
        if (present) Splice(store, found + 1, 2, code + 1, 2);
    }
    else if (mode == CODE_INSERT)
        InsertCode(store, index, code, 3);
}

void SetBoxIcon(MessageStore& store, uint32_t index, uint8_t icon, int mode)
{
    if (!Editable(store)) return;
    if (mode == CODE_REPLACE)
    {
        uint32_t found = FindCode(store, CC_ICON);
        if (found < EditTextLength(store)) Splice(store, found + 1, 1, &icon, 1);
    }
    else if (mode == CODE_INSERT)
    {
        uint8_t code[2] = { CC_ICON, icon };
        InsertCode(store, index, code, 2);
    }
    else if (mode == CODE_REMOVE)
        RemoveCode(store, index, 2);
}

void ColourSelection(MessageStore& store, const TextSelection& selection, uint8_t colour)
{
    if (!Editable(store)) return;
    uint32_t length = EditTextLength(store);
    uint32_t terminator = length - 1;
    // A selection made from right to left colours the same bytes; the terminator is never
    // coloured, so the white code cannot land behind it.
    uint32_t first = selection.SelectionAnchor < selection.SelectionEnd ? selection.SelectionAnchor : selection.SelectionEnd;
    uint32_t last = selection.SelectionAnchor < selection.SelectionEnd ? selection.SelectionEnd : selection.SelectionAnchor;
    if (first >= terminator) return;
    if (last >= terminator) last = terminator - 1;
    // The colour codes go between whole codes: a selection edge inside a code's arguments (a
    // stale selection from another box, or the first byte of a box that starts with an icon)
    // widens to take in the whole code, so no code is ever parted from its argument bytes.
    uint32_t codeStart = 0;
    while (codeStart < terminator)
    {
        uint32_t codeEnd = codeStart + ControlArgumentCount(store.EditBuffer[codeStart]);
        if (codeEnd >= terminator) codeEnd = terminator - 1;
        if (codeStart <= first && first <= codeEnd) first = codeStart;
        if (codeStart <= last && last <= codeEnd) { last = codeEnd; break; }
        codeStart = codeEnd + 1;
    }
    if (length + 4 > EDIT_TEXT_MAX) return;
    uint8_t* t = store.EditTemp;
    uint32_t n = 0;
    memcpy(t, store.EditBuffer, first);
    n = first;
    t[n++] = CC_COLOR;
    t[n++] = colour;
    memcpy(t + n, store.EditBuffer + first, last + 1 - first);
    n += last + 1 - first;
    t[n++] = CC_COLOR;
    t[n++] = COLOR_WHITE;
    memcpy(t + n, store.EditBuffer + last + 1, length - (last + 1));
    n += length - (last + 1);
    AcceptEditTemp(store, n);
}
