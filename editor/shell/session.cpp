// Keys of a working session beside the box editing itself: undo and redo, save now, go to a
// message by its ID, paging through messages and boxes; and what they report in the free area
// below the preview (the unsaved-changes mark and one status line).
#include "shell.h"
#include "encoding.h"
#include "glyph_table.h"
#include <cstdio>
#include <cstring>

// ---- The free area below the preview ----
// Right of the message ID line, and the row under the third credit line right of "Delete Box":
// nothing of the fixed layout stands there.
const int UNSAVED_MARK_X = 300, UNSAVED_MARK_Y = 272;
const int STATUS_X = 100, STATUS_Y = 323;
// Between "Add Box" and the second credit line: the widest description ends left of it.
const int ELEMENT_LINE_X = 84, ELEMENT_LINE_Y = 292;
const int ELEMENT_LINE_SIZE = 40;

static const uint8_t UNSAVED_MARK[] = { CC_COLOR, 0x46, '*', ' ', 'U', 'n', 's', 'a', 'v', 'e', 'd', TEXT_NUL };

void SetStatus(Editor& editor, const char* text)
{
    snprintf(editor.Shell.StatusText, sizeof(editor.Shell.StatusText), "%s", text);
    editor.Shell.StatusLoadCount = editor.Store.LoadCount;
}

void ComposeStatusLine(const Editor& editor, char* line, size_t size)
{
    const ShellState& shell = editor.Shell;
    const MessageStore& store = editor.Store;
    if (shell.GoToOpen)
    {
        snprintf(line, size, "Go to ID: %s|", (const char*)shell.GoToText);
        return;
    }
    // The outcome of a key pressed at this box comes first; one left from another box does not
    // hide the warning.
    bool fresh = shell.StatusText[0] && shell.StatusLoadCount == store.LoadCount;
    uint32_t length = store.BoxLoaded && !fresh ? CurrentMessageLength(store) : 0;
    if (length > GAME_MESSAGE_MAX)
        snprintf(line, size, "Message too long: %u of %u bytes", (unsigned)length, (unsigned)GAME_MESSAGE_MAX);
    else
        snprintf(line, size, "%s", shell.StatusText);
}

void DescribeElementAtCursor(const MessageStore& store, char* line, size_t size)
{
    line[0] = 0;
    uint32_t length = EditTextLength(store);
    if (!store.BoxLoaded || store.Cursor >= length) return;
    const uint8_t* text = store.EditBuffer;
    uint32_t at = ElementStartOf(text, 0, store.Cursor);
    uint8_t b = text[at];
    const ControlCodeInfo& code = ControlCode(b);
    if (code.Meaning)
        snprintf(line, size, code.Meaning, (int)ArgumentValue(text, at, length));
    else if (b == ' ')
        snprintf(line, size, "space");
    else if (IsCharacterByte(b))
        snprintf(line, size, "character \"%c\" (%02X)", (char)b, b);
    else if (b == TEXT_NUL)
        snprintf(line, size, "zero byte");
    else
        snprintf(line, size, "unassigned %s %02X", b < CONTROL_CODE_COUNT ? "code" : "byte", b);
}

void DrawSessionTexts(Editor& editor)
{
    char element[ELEMENT_LINE_SIZE];
    DescribeElementAtCursor(editor.Store, element, sizeof(element));
    if (element[0]) DrawPlainText(editor, ELEMENT_LINE_X, ELEMENT_LINE_Y, (const uint8_t*)element);
    if (HasUnsavedChanges(editor.History)) DrawPlainText(editor, UNSAVED_MARK_X, UNSAVED_MARK_Y, UNSAVED_MARK);
    char line[STATUS_TEXT_SIZE + 16];
    ComposeStatusLine(editor, line, sizeof(line));
    if (line[0]) DrawPlainText(editor, STATUS_X, STATUS_Y, (const uint8_t*)line);
}

// ---- Undo and redo ----
static void PlayStep(Editor& editor, bool redo)
{
    bool done = redo ? RedoChange(editor.History, editor.Store) : UndoChange(editor.History, editor.Store);
    if (!done)
    {
        SetStatus(editor, redo ? "Nothing to redo" : "Nothing to undo");
        return;
    }
    // The box shown may have changed without a load: the panel follows its icon, and an old
    // selection no longer means anything.
    editor.Shell.IconScroll = IconScrollFor(editor.Store.LoadedIcon);
    editor.Render.SelectionState = SELECT_IDLE;
    editor.Render.Selection = TextSelection();
    editor.Render.PendingIcon = NO_ICON;
    SetStatus(editor, redo ? "Redone" : "Undone");
}

// ---- Save now ----
void SaveNow(Editor& editor)
{
    MessageStore& store = editor.Store;
    if (store.Source == SOURCE_CREATED)
    {
        SetStatus(editor, "Not saved: placeholder message");
        return;
    }
    if (store.Source != SOURCE_FILES)
    {
        SetStatus(editor, "Not saved: files missing or damaged");
        return;
    }
    if (SaveMessageFiles(store))
    {
        MarkSaved(editor.History);
        SetStatus(editor, "Saved");
    }
    else
        // The file layer has named the file and the reason on stderr; nothing on disk changed.
        SetStatus(editor, "Save failed: files left as they were");
}

// ---- Go to a message ----
static void OpenGoToField(Editor& editor)
{
    ShellState& shell = editor.Shell;
    shell.GoToOpen = true;
    shell.GoToLength = 0;
    memset(shell.GoToText, 0, sizeof(shell.GoToText));
    shell.StatusText[0] = 0;
}

void CloseGoToField(Editor& editor)
{
    editor.Shell.GoToOpen = false;
}

static int HexDigit(uint16_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The first entry with the message ID, as a click on a search result selects it.
static void GoToMessage(Editor& editor, uint32_t id)
{
    MessageStore& store = editor.Store;
    for (uint32_t e = 0; e + ENTRY_SIZE <= store.MessageTableSize; e += ENTRY_SIZE)
    {
        if (EntryMessageId(&store.MessageTable[e]) == id)
        {
            SelectEntry(store, e);
            return;
        }
    }
    char text[STATUS_TEXT_SIZE];
    snprintf(text, sizeof(text), "No message with ID %04X", (unsigned)id);
    SetStatus(editor, text);
}

static void GoToTypedId(Editor& editor)
{
    ShellState& shell = editor.Shell;
    if (shell.GoToLength == 0) return;
    uint32_t id = 0;
    for (int i = 0; i < shell.GoToLength; i++) id = id * 16 + (uint32_t)HexDigit(shell.GoToText[i]);
    CloseGoToField(editor);
    GoToMessage(editor, id);
}

// Ctrl+J: the message the box goes on with, named by its first CC_NEXT_MESSAGE.
static void FollowNextMessageCode(Editor& editor)
{
    const MessageStore& store = editor.Store;
    uint32_t length = store.BoxLoaded ? EditTextLength(store) : 0;
    for (uint32_t i = 0; i < length; i += ElementLength(store.EditBuffer, i, length))
    {
        if (store.EditBuffer[i] == CC_NEXT_MESSAGE && ElementLength(store.EditBuffer, i, length) == 3)
        {
            GoToMessage(editor, ArgumentValue(store.EditBuffer, i, length));
            return;
        }
    }
    SetStatus(editor, "This box names no next message");
}

void GoToFieldKey(Editor& editor, SDLKey key, uint16_t unicode)
{
    ShellState& shell = editor.Shell;
    if (key == SDLK_ESCAPE)
        CloseGoToField(editor);
    else if (key == SDLK_RETURN || key == SDLK_KP_ENTER)
        GoToTypedId(editor);
    else if (key == SDLK_BACKSPACE)
    {
        if (shell.GoToLength > 0) shell.GoToText[--shell.GoToLength] = 0;
    }
    else if (HexDigit(unicode) >= 0 && shell.GoToLength < GOTO_MAX_DIGITS)
    {
        uint8_t c = (uint8_t)unicode;
        shell.GoToText[shell.GoToLength++] = (c >= 'a' && c <= 'f') ? (uint8_t)(c - 0x20) : c;
    }
}

// ---- Shortcuts and paging ----
bool HandleShortcut(Editor& editor, SDLKey key, SDLMod mod)
{
    MessageStore& store = editor.Store;
    switch (key)
    {
    case SDLK_z:
        PlayStep(editor, (mod & KMOD_SHIFT) != 0);
        return true;
    case SDLK_y:
        PlayStep(editor, true);
        return true;
    case SDLK_s:
        editor.Shell.SavePending = true;
        return true;
    case SDLK_g:
        OpenGoToField(editor);
        return true;
    case SDLK_j:
        FollowNextMessageCode(editor);
        return true;
    case SDLK_PAGEDOWN:
        // The same test as the end-of-box marker: the boxes as they stand in MessageData.
        ScanBoxStarts(store, store.CurrentTextOffset);
        NextBox(store);
        return true;
    case SDLK_PAGEUP:
        ScanBoxStarts(store, store.CurrentTextOffset);
        PreviousBox(store);
        return true;
    default:
        return false;
    }
}

bool HandlePagingKey(Editor& editor, SDLKey key)
{
    MessageStore& store = editor.Store;
    switch (key)
    {
    case SDLK_PAGEDOWN:
        NextMessage(store);
        return true;
    case SDLK_PAGEUP:
        PreviousMessage(store);
        return true;
    case SDLK_HOME:
        if (store.BoxLoaded) store.Cursor = 0;
        return true;
    case SDLK_END:
    {
        uint32_t length = EditTextLength(store);
        if (store.BoxLoaded && length > 0) store.Cursor = length - 1;
        return true;
    }
    default:
        return false;
    }
}
