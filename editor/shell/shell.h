// The editor shell: the window, the frame loop, input dispatch and the side panels.
#pragma once
#include "assets.h"
#include "message_store.h"
#include "text_render.h"
#include "undo_history.h"
#include <SDL/SDL.h>
#include <cstdint>

const int WINDOW_HEIGHT = 340;
const int NARROW_WIDTH = 400;
const int WIDE_WIDTH = 800;

// OpenPanel values
const uint8_t PANEL_NONE   = 0;
const uint8_t PANEL_BOX    = 1;
const uint8_t PANEL_TEXT   = 2;
const uint8_t PANEL_SEARCH = 3;

const int GOTO_MAX_DIGITS = 4;     // a message ID is 16 bits
const int STATUS_TEXT_SIZE = 48;

struct ShellState
{
    SDL_Surface* Screen = nullptr;
    int32_t  WindowWidth = NARROW_WIDTH;
    uint8_t  OpenPanel = PANEL_NONE;
    uint8_t  KeepRunning = 1;
    SDL_Event LastEvent = {};
    int16_t  IconScroll = 0;
    bool     FirstFrame = true;         // no box is loaded before the end of the first frame
    bool     WindowLost = false;        // a video mode change failed: commit, save, exit 1
    uint32_t FinalFrameDelay = 45;      // ms the last frame stays up at shutdown (tests: 0)
    SDL_Surface* Images[IMAGE_COUNT] = {}; // decoded at start, indexed by ImageId

    // Save now, the go-to field and the status line (the free area below the preview)
    bool     SavePending = false;       // Ctrl+S: commit and write at the end of the frame
    bool     GoToOpen = false;          // the go-to field has the keyboard
    uint8_t  GoToText[GOTO_MAX_DIGITS + 1] = {}; // hex digits typed, zero-terminated
    uint8_t  GoToLength = 0;
    char     StatusText[STATUS_TEXT_SIZE] = {}; // last outcome of a save, a go-to, an undo
    uint32_t StatusLoadCount = 0;       // the store's LoadCount when StatusText was set
};

// Everything the editor keeps for the whole run. The program has one; tests build their own.
struct Editor
{
    MessageStore Store;
    SearchState Search;
    RenderState Render;
    ShellState Shell;
    UndoHistory History;
};

// ---- Start-up, frame, shutdown --------------------------------------------------------------
// Opens the window, decodes the images, prepares the renderer. False (after one line on stderr)
// when the window cannot be opened or an image cannot be decoded.
bool StartEditor(Editor& editor);
// One line "velloran: ..." on stderr; on Windows also a message box (not under the dummy video
// driver or with VELLORAN_NO_MESSAGE_BOX set).
void ReportShellFailure(const char* format, ...);
// One frame without the delay. Returns false when the program is to end (after the final commit).
bool RunFrame(Editor& editor);
// Saves both files, draws the last frame, frees the images, closes the store.
// Returns the program's exit status: 0, or 1 when the files could not be saved.
int ShutdownEditor(Editor& editor);
// Frees the images and the renderer's sheets and closes the store, without saving (also what
// ShutdownEditor ends with). SDL itself is left to the caller (atexit in the program).
void ReleaseEditor(Editor& editor);

// IconScroll that shows an icon's page in the Box Options strip (the No Icon page for NO_ICON).
int16_t IconScrollFor(uint8_t icon);

// ---- Input dispatch -------------------------------------------------------------------------
void HandleMouseDown(Editor& editor, int x, int y);
void HandleMouseUp(Editor& editor, int x);
// mod: the modifier keys held (Ctrl for the shortcuts below).
void HandleKeyDown(Editor& editor, SDLKey key, uint16_t unicode, SDLMod mod = KMOD_NONE);

// ---- Session keys (undo, save now, go to, paging) and the status line -------------------------
// Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z, Ctrl+S, Ctrl+G, Ctrl+J, Ctrl+Page Down/Up. True when the key was
// one.
bool HandleShortcut(Editor& editor, SDLKey key, SDLMod mod);
// Page Down/Up, Home, End while the box has the keyboard. True when the key was one.
bool HandlePagingKey(Editor& editor, SDLKey key);
// A key while the go-to field is open (Escape included).
void GoToFieldKey(Editor& editor, SDLKey key, uint16_t unicode);
void CloseGoToField(Editor& editor);
// Ctrl+S at the end of the frame, after the commit: writes both files unless the store holds a
// placeholder pair; the outcome goes to the status line.
void SaveNow(Editor& editor);
// The element at the cursor, the unsaved-changes mark and the status line or the go-to field.
void DrawSessionTexts(Editor& editor);
// Words for the element at the cursor, in the text encoding: a code by its meaning and
// arguments, a character by itself and its byte. Empty when no box is loaded.
void DescribeElementAtCursor(const MessageStore& store, char* line, size_t size);
void SetStatus(Editor& editor, const char* text);
// What the status line shows: the go-to field; else a status set since the box was loaded; else
// that the message is longer than the game's buffer; else an older status. Empty for nothing.
void ComposeStatusLine(const Editor& editor, char* line, size_t size);

// ---- Side panels ----------------------------------------------------------------------------
void DrawBoxPanel(Editor& editor);
void BoxPanelClick(Editor& editor, int x, int y);
void DrawTextPanel(Editor& editor);
void TextPanelClick(Editor& editor, int x, int y);
void DrawSearchPanel(Editor& editor);
void PressSearchField(Editor& editor);
void SearchFieldKey(Editor& editor, SDLKey key, uint16_t unicode);
void SearchPanelClick(Editor& editor, int x, int y);

// Draws a zero-terminated interface string in PLAIN mode at (x, y).
void DrawPlainText(Editor& editor, int x, int y, const uint8_t* text, bool fixedAdvance = false);
