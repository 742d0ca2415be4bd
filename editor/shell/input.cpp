// Input dispatch of the message area: fixed hit rectangles tested by hand in a fixed order.
#include "shell.h"
#include "encoding.h"

// ---- Hit rectangles (both edges included) ----
struct HitRect
{
    int Left, Top, Right, Bottom;
};

static const HitRect QUIT_BUTTON      = { 204, 24, 232, 52 };
static const HitRect COLLAPSE_BUTTON  = { 250, 24, 278, 52 };
static const HitRect SEARCH_BUTTON    = { 288, 24, 312, 48 };
static const HitRect TEXT_BUTTON      = { 320, 50, 344, 74 };
static const HitRect BOX_BUTTON       = { 344, 26, 368, 50 };
static const HitRect LEFT_ARROW       = { 14, 205, 38, 231 };
static const HitRect RIGHT_ARROW      = { 367, 205, 391, 231 };
static const HitRect PREVIOUS_MARKER  = { 192, 170, 208, 186 };
static const HitRect END_MARKER       = { 192, 250, 208, 266 };
static const HitRect ADD_BOX_TEXT     = { 16, 292, 76, 308 };
static const HitRect DELETE_BOX_TEXT  = { 16, 312, 91, 328 };
static const HitRect SEARCH_FIELD     = { 395, 40, 779, 56 };

static bool Hits(const HitRect& r, int x, int y)
{
    return r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom;
}

// ---- Mouse ----
void HandleMouseDown(Editor& editor, int x, int y)
{
    ShellState& shell = editor.Shell;
    MessageStore& store = editor.Store;
    const uint8_t panelBefore = shell.OpenPanel;

    // Every step is tested whatever the earlier ones did.
    ScanBoxStarts(store, store.CurrentTextOffset);
    if (x <= NARROW_WIDTH)
    {
        editor.Render.SelectionState = SELECT_PRESSED;
        shell.GoToOpen = false; // the box gets the keyboard back
    }
    if (Hits(QUIT_BUTTON, x, y))
        shell.KeepRunning = 0;
    else if (Hits(COLLAPSE_BUTTON, x, y) && shell.WindowWidth == WIDE_WIDTH)
        shell.OpenPanel = PANEL_NONE;
    if (panelBefore == PANEL_SEARCH && Hits(SEARCH_FIELD, x, y)) PressSearchField(editor);
    if (Hits(END_MARKER, x, y)) NextBox(store);
    if (Hits(PREVIOUS_MARKER, x, y)) PreviousBox(store);
    if (Hits(LEFT_ARROW, x, y)) PreviousMessage(store);
    if (Hits(RIGHT_ARROW, x, y)) NextMessage(store);
    if (Hits(ADD_BOX_TEXT, x, y)) AddBox(store);
    if (Hits(DELETE_BOX_TEXT, x, y)) DeleteBox(store);
    if (Hits(BOX_BUTTON, x, y)) shell.OpenPanel = PANEL_BOX;
    if (Hits(TEXT_BUTTON, x, y)) shell.OpenPanel = PANEL_TEXT;
    if (Hits(SEARCH_BUTTON, x, y))
    {
        SearchPanelClick(editor, x, y);
        return;
    }
    // The open panel gets the click too; its areas lie right of the message area.
    if (shell.OpenPanel == PANEL_BOX) BoxPanelClick(editor, x, y);
    else if (shell.OpenPanel == PANEL_TEXT) TextPanelClick(editor, x, y);
    else if (shell.OpenPanel == PANEL_SEARCH) SearchPanelClick(editor, x, y);
}

void HandleMouseUp(Editor& editor, int x)
{
    if (x > NARROW_WIDTH) return;
    uint8_t& state = editor.Render.SelectionState;
    if (state == SELECT_PRESSED) state = SELECT_IDLE;           // the press found no glyph
    else if (state == SELECT_DRAGGING) state = SELECT_MADE;     // the selection stays highlighted
}

// ---- Keyboard ----
void HandleKeyDown(Editor& editor, SDLKey key, uint16_t unicode, SDLMod mod)
{
    MessageStore& store = editor.Store;
    // The go-to field takes every key; Escape there only closes it.
    if (editor.Shell.GoToOpen)
    {
        GoToFieldKey(editor, key, unicode);
        return;
    }
    if (key == SDLK_ESCAPE) editor.Shell.KeepRunning = 0;
    // Ctrl with a key of its own is never a typed character; other Ctrl keys go on as before.
    if ((mod & KMOD_CTRL) && !(mod & KMOD_ALT) && HandleShortcut(editor, key, mod)) return;
    if (editor.Render.SelectionState == SEARCH_TYPING)
    {
        // The search field has the keyboard: nothing reaches the box.
        SearchFieldKey(editor, key, unicode);
        return;
    }
    if (unicode >= 32 && unicode <= 126) TypeByte(store, (uint8_t)(unicode & 0x7F));
    if (key == SDLK_RETURN) TypeByte(store, CC_LINE_BREAK);
    if (key == SDLK_BACKSPACE) EraseBack(store);
    if (key == SDLK_DELETE) EraseForward(store);
    if (key == SDLK_RIGHT) CursorRight(store);
    if (key == SDLK_LEFT) CursorLeft(store);
    if (!(mod & KMOD_CTRL)) HandlePagingKey(editor, key);
}
