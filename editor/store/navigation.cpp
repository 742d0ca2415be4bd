// Boxes of the current message, loading the current box, navigation and the cursor.
#include "message_store.h"
#include "store_internal.h"
#include "encoding.h"

// ---- Box structure ------------------------------------------------------------------------------
void ScanBoxStarts(MessageStore& store, uint32_t textOffset)
{
    store.LastBox = 0;
    store.BoxStarts.clear();
    store.BoxStarts.push_back(0);
    const uint8_t* data = store.MessageData.data();
    uint32_t size = store.MessageDataSize;
    uint32_t pos = textOffset;
    // A message without CC_END ends with the data.
    store.MessageEnd = size;
    // Element by element: an argument byte never ends the message or starts a box.
    while (pos < size)
    {
        uint8_t b = data[pos];
        if (b == CC_END)
        {
            store.MessageEnd = pos;
            break;
        }
        pos += ElementLength(data, pos, size);
        if (b == CC_BOX_BREAK || b == CC_BOX_BREAK_ALT)
        {
            store.LastBox++;
            store.BoxStarts.push_back(pos - textOffset);
        }
    }
}

uint32_t ScannedMessageLength(const MessageStore& store, uint32_t textOffset)
{
    if (textOffset > store.MessageEnd) return 0;
    return store.MessageEnd - textOffset + (store.MessageEnd < store.MessageDataSize ? 1 : 0);
}

uint32_t CurrentMessageLength(const MessageStore& store)
{
    uint32_t length = ScannedMessageLength(store, store.CurrentTextOffset);
    // A box held read-only goes back unchanged; an unmodified one is what MessageData holds.
    if (store.BoxLoaded && !store.BoxReadOnly && store.EditState == EDIT_MODIFIED &&
        store.LoadedEntryPos == store.CurrentEntryPos && store.LoadedBoxLength <= length)
        length = length - store.LoadedBoxLength + EditTextLength(store);
    return length;
}

uint32_t BoxLengthAt(const MessageStore& store, uint32_t pos, bool* terminated)
{
    if (pos >= store.MessageDataSize)
    {
        if (terminated) *terminated = false;
        return 0;
    }
    return BoxTextLength(store.MessageData.data() + pos, store.MessageDataSize - pos, terminated);
}

// The text of a box the store edits ends at the TEXT_NUL behind a terminator that starts an
// element (AddBox leaves two boxes until the reload). A zero byte before it (a message ID
// 0x00xx, icon 0) must not cut the box short, or the commit would drop the rest of it. A box held
// read-only has no terminator: its first zero ends it.
uint32_t EditTextLength(const MessageStore& store)
{
    const uint8_t* t = store.EditBuffer;
    if (store.BoxLoaded && !store.BoxReadOnly)
    {
        for (uint32_t p = 0; p + 1 < EDIT_BUFFER_SIZE; p += ElementLength(t, p, EDIT_BUFFER_SIZE))
            if (IsBoxTerminatorByte(t[p]) && t[p + 1] == TEXT_NUL) return p + 1;
    }
    uint32_t n = 0;
    while (n < EDIT_BUFFER_SIZE && t[n] != TEXT_NUL) n++;
    return n;
}

// A cursor inside a code's arguments moves back to the code: nothing is ever put or removed
// between a code and its arguments.
void KeepCursorOnElement(MessageStore& store)
{
    uint32_t length = EditTextLength(store);
    uint32_t last = length > 0 ? length - 1 : 0;
    if (store.Cursor > last) store.Cursor = last;
    store.Cursor = ElementStartOf(store.EditBuffer, 0, store.Cursor);
}

void LoadBox(MessageStore& store)
{
    if (store.BoxStarts.empty()) ScanBoxStarts(store, store.CurrentTextOffset);
    if (store.CurrentBox > store.LastBox) store.CurrentBox = store.LastBox;
    uint32_t start = store.CurrentTextOffset + store.BoxStarts[store.CurrentBox];
    bool terminated = false;
    uint32_t length = BoxLengthAt(store, start, &terminated);
    uint32_t shown = length < EDIT_TEXT_MAX ? length : EDIT_TEXT_MAX;
    for (uint32_t i = 0; i < shown; i++) store.EditBuffer[i] = store.MessageData[start + i];
    store.EditBuffer[shown] = TEXT_NUL;
    store.LoadedBoxLength = length;
    // A zero byte inside the box (icon 0, or stray data) does not end it: EditTextLength looks
    // for the zero behind the terminator.
    store.BoxReadOnly = !terminated || length > EDIT_TEXT_MAX;

    // The box's icon, for the panel and the preview: read as the preview reads the box, over
    // the argument bytes of codes, so that an argument (a gap of 19 pixels, say) is never taken
    // for an icon code or for the end of the box.
    store.LoadedIcon = NO_ICON;
    for (uint32_t i = 0; i < shown; i += 1 + ControlArgumentCount(store.EditBuffer[i]))
    {
        uint8_t b = store.EditBuffer[i];
        if (b == CC_BOX_BREAK || b == CC_END || b == CC_BOX_BREAK_ALT) break;
        if (b == CC_ICON)
        {
            if (i + 1 < shown) store.LoadedIcon = store.EditBuffer[i + 1];
            break;
        }
    }
    // The cursor never stays beyond the terminator of a shorter box, nor inside a code.
    uint32_t last = shown > 0 ? shown - 1 : 0;
    if (store.Cursor > last) store.Cursor = last;
    store.Cursor = ElementStartOf(store.EditBuffer, 0, store.Cursor);
}

// ---- End of frame -------------------------------------------------------------------------------
bool RefreshBox(MessageStore& store, bool quitting)
{
    if (!store.ReloadPending && !quitting) return false;
    if (store.MessageTableSize < ENTRY_SIZE) return false;
    if (store.BoxLoaded)
    {
        // An unchanged box needs no write-back, and a removed one must not get one; the files
        // are still written aligned.
        if (store.EditState == EDIT_MODIFIED)
            CommitBox(store);
        else if (quitting)
            AlignTextOffsets(store);
    }
    RefreshCurrentEntry(store);
    ScanBoxStarts(store, store.CurrentTextOffset);
    if (store.CurrentBox > store.LastBox) store.CurrentBox = store.LastBox;
    LoadBox(store);
    store.ReloadPending = 0;
    store.LoadedBoxOffset = store.CurrentTextOffset + store.BoxStarts[store.CurrentBox];
    store.EditState = EDIT_UNCHANGED;
    store.LoadedEntryPos = store.CurrentEntryPos;
    store.LoadedTextOffset = store.CurrentTextOffset;
    store.LoadedBox = store.CurrentBox;
    store.LoadCount++;
    store.BoxLoaded = true;
    return true;
}

// ---- Navigation ---------------------------------------------------------------------------------
void NextBox(MessageStore& store)
{
    if (store.CurrentBox < store.LastBox)
    {
        store.CurrentBox++;
        store.ReloadPending = 1;
    }
}

void PreviousBox(MessageStore& store)
{
    if (store.CurrentBox > 0)
    {
        store.CurrentBox--;
        store.ReloadPending = 1;
    }
}

void NextMessage(MessageStore& store)
{
    // The entry after this one when the table holds it whole, otherwise the first.
    bool wraps = !RangeInside(store.CurrentEntryPos, 2 * ENTRY_SIZE, store.MessageTableSize);
    store.CurrentEntryPos = wraps ? 0 : store.CurrentEntryPos + ENTRY_SIZE;
    store.CurrentBox = 0;
    store.ReloadPending = 1;
}

void PreviousMessage(MessageStore& store)
{
    if (store.CurrentEntryPos == 0 || store.CurrentEntryPos > store.MessageTableSize)
        store.CurrentEntryPos = store.MessageTableSize;
    store.CurrentEntryPos = store.CurrentEntryPos >= ENTRY_SIZE ? store.CurrentEntryPos - ENTRY_SIZE : 0;
    store.CurrentBox = 0;
    store.ReloadPending = 1;
}

void SelectEntry(MessageStore& store, uint32_t entryPos)
{
    // Only a real entry can be selected.
    if (!IsEntryPos(store, entryPos)) return;
    store.CurrentEntryPos = entryPos;
    store.CurrentBox = 0;
    store.ReloadPending = 1;
}

// ---- Cursor -------------------------------------------------------------------------------------
void CursorLeft(MessageStore& store)
{
    if (!store.BoxLoaded) return;
    KeepCursorOnElement(store);
    if (store.Cursor > 0) store.Cursor = ElementStartOf(store.EditBuffer, 0, store.Cursor - 1);
}

void CursorRight(MessageStore& store)
{
    if (!store.BoxLoaded) return;
    KeepCursorOnElement(store);
    // The cursor stops on the terminator and steps over a code together with its arguments.
    uint32_t length = EditTextLength(store);
    uint8_t b = store.EditBuffer[store.Cursor];
    if (b != CC_END && b != CC_BOX_BREAK && store.Cursor + 1 < length)
        store.Cursor += ElementLength(store.EditBuffer, store.Cursor, length);
}
