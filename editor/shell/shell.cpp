// Start-up, the frame and shutdown of the editor window, and the preview of the current box.
#include "shell.h"
#include "encoding.h"
#include "file_layer.h"
#include "text_measure.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#endif

// ---- Fixed texts ----
// The window's own strings, in the message encoding (plain ASCII needs no codes).
static const uint8_t CREDIT_LINE_1[] = "velloran - message box editor";
static const uint8_t CREDIT_LINE_2[] = "velloran editor";
static const uint8_t CREDIT_LINE_3[] = "Quit saves both files";
static const uint8_t ADD_BOX_TEXT[] = "Add Box";
static const uint8_t DELETE_BOX_TEXT[] = "Delete Box";

const int PREVIEW_X = 81, PREVIEW_Y = 202;
const int MESSAGE_ID_X = 65, MESSAGE_ID_Y = 272;
const int MARKER_SIZE = 16;
const int END_MARKER_X = 192, END_MARKER_Y = 250;
const int PREVIOUS_MARKER_X = 192, PREVIOUS_MARKER_Y = 170;
const uint8_t PREVIOUS_MARKER_CELL = 16;
// Overflow marks: a thin red bar inside the box graphic's right edge on every line that runs
// past the graphic or below it. Lines further down than these are off the window anyway.
const int OVERFLOW_MARK_WIDTH = 2;
const uint32_t OVERFLOW_MARK_LINES = 16;
const uint32_t OVERFLOW_MARK_COLOUR = 0xFF0000;

// ---- Images ----
// Decoded in this order at start; the window icon and the font sheet are handled on their own.
static const ImageId SHELL_IMAGES[] = {
    IMAGE_PANEL, IMAGE_BOX_END_MARKERS, IMAGE_ICON_STRIP, IMAGE_BACKGROUND, IMAGE_BOX_BLACK,
    IMAGE_BOX_SIGN, IMAGE_BOX_BLUE, IMAGE_BOX_STAFF, IMAGE_ICON_FRAME,
};

// Converts a decoded image to the window's pixel format: the per-frame blits then copy or
// blend without converting, and the pixels stay the same.
static SDL_Surface* ToDisplayFormat(SDL_Surface* image)
{
#ifdef __EMSCRIPTEN__
    // In the browser every surface is a canvas of the same format: nothing to convert.
    return image;
#else
    SDL_Surface* converted = (image->flags & SDL_SRCALPHA) ? SDL_DisplayFormatAlpha(image) : SDL_DisplayFormat(image);
    if (!converted) return image;
    SDL_FreeSurface(image);
    return converted;
#endif
}

static void FreeImages(ShellState& shell)
{
    for (int i = 0; i < IMAGE_COUNT; i++)
    {
        if (shell.Images[i]) SDL_FreeSurface(shell.Images[i]);
        shell.Images[i] = nullptr;
    }
}

static void Blit(SDL_Surface* image, int sx, int sy, int w, int h, SDL_Surface* screen, int x, int y)
{
    if (!image || !screen) return;
    SDL_Rect src = { (Sint16)sx, (Sint16)sy, (Uint16)w, (Uint16)h };
    SDL_Rect dst = { (Sint16)x, (Sint16)y, 0, 0 };
    SDL_BlitSurface(image, &src, screen, &dst);
}

static void BlitWhole(SDL_Surface* image, SDL_Surface* screen, int x, int y)
{
    if (image) Blit(image, 0, 0, image->w, image->h, screen, x, y);
}

// ---- Failures the user must see ----
// One line on standard error. A window program on Windows has no console when started by a
// double click, so there the same text is shown in a message box too; never under the dummy
// video driver or with VELLORAN_NO_MESSAGE_BOX set, so a headless run cannot block on it.
static void ShowFailureBox(const char* line)
{
#ifdef _WIN32
    const char* driver = getenv("SDL_VIDEODRIVER");
    if (getenv("VELLORAN_NO_MESSAGE_BOX") || (driver && strcmp(driver, "dummy") == 0)) return;
    wchar_t wide[512];
    if (MultiByteToWideChar(CP_UTF8, 0, line, -1, wide, 512) <= 0) return;
    MessageBoxW(NULL, wide, L"velloran", MB_OK | MB_ICONERROR);
#else
    (void)line;
#endif
}

void ReportShellFailure(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof(line), format, args);
    va_end(args);
    fprintf(stderr, "velloran: %s\n", line);
    ShowFailureBox(line);
}

// Sets the video mode; on failure the window is gone and the program ends after its commit.
static void SetWindowWidth(Editor& editor, int width)
{
    ShellState& shell = editor.Shell;
    shell.Screen = SDL_SetVideoMode(width, WINDOW_HEIGHT, 32, 0);
    shell.WindowWidth = width;
    if (!shell.Screen)
    {
        ReportShellFailure("the window could not be resized: %s", SDL_GetError());
        shell.WindowLost = true;
        shell.KeepRunning = 0;
    }
}

// ---- Start-up ----
bool StartEditor(Editor& editor)
{
    ShellState& shell = editor.Shell;
    // Only the video (and its timer) are used: no sound is played, and asking for more would
    // fail or stall on machines without audio or joystick devices.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) < 0)
    {
        ReportShellFailure("the window could not be opened: %s", SDL_GetError());
        return false;
    }
    shell.Screen = SDL_SetVideoMode(NARROW_WIDTH, WINDOW_HEIGHT, 32, 0);
    if (!shell.Screen)
    {
        ReportShellFailure("the window could not be opened: %s", SDL_GetError());
        return false;
    }
    shell.WindowWidth = NARROW_WIDTH;
    SDL_WM_SetCaption("velloran", NULL);
    shell.Images[IMAGE_WINDOW_ICON] = DecodeEmbeddedImage(IMAGE_WINDOW_ICON);
    if (!shell.Images[IMAGE_WINDOW_ICON])
    {
        ReportShellFailure("the image %s could not be decoded", GetEmbeddedImage(IMAGE_WINDOW_ICON).Name);
        return false;
    }
    SDL_WM_SetIcon(shell.Images[IMAGE_WINDOW_ICON], NULL);
    SDL_EnableUNICODE(1);
    ResetSearch(editor.Search);

    for (ImageId id : SHELL_IMAGES)
    {
        SDL_Surface* image = DecodeEmbeddedImage(id);
        if (!image)
        {
            ReportShellFailure("the image %s could not be decoded", GetEmbeddedImage(id).Name);
            FreeImages(shell);
            return false;
        }
        shell.Images[id] = ToDisplayFormat(image);
    }
    if (!InitRenderer(editor.Render, shell.Images[IMAGE_ICON_STRIP]))
    {
        ReportShellFailure("the image %s could not be decoded", GetEmbeddedImage(IMAGE_FONT_SHEET).Name);
        FreeImages(shell);
        return false;
    }

    shell.OpenPanel = PANEL_NONE;
    shell.IconScroll = 0;
    shell.KeepRunning = 1;
    shell.FirstFrame = true;
    editor.Render.PendingIcon = NO_ICON;
    editor.Store.ReloadPending = 1;
    ResetHistory(editor.History, editor.Store);
    shell.SavePending = false;
    shell.GoToOpen = false;
    shell.StatusText[0] = 0;
    return true;
}

// ---- Drawing helpers ----
void DrawPlainText(Editor& editor, int x, int y, const uint8_t* text, bool fixedAdvance)
{
    SDL_Rect position = { (Sint16)x, (Sint16)y, 0, 0 };
    DrawEncodedText(editor.Render, editor.Store, position, 0, editor.Shell.Screen, PLAIN, text, fixedAdvance);
}

static void DrawFixedTexts(Editor& editor)
{
    DrawPlainText(editor, 16, 12, CREDIT_LINE_1);
    DrawPlainText(editor, 280, 290, CREDIT_LINE_2);
    DrawPlainText(editor, 240, 306, CREDIT_LINE_3);
    DrawPlainText(editor, 16, 292, ADD_BOX_TEXT);
    DrawPlainText(editor, 16, 312, DELETE_BOX_TEXT);
}

// Marks the lines of the box text that the box graphic cannot hold, measured by the same rules
// as the renderer and the script's check.
static void DrawOverflowMarks(Editor& editor)
{
    MessageStore& store = editor.Store;
    SDL_Surface* screen = editor.Shell.Screen;
    if (!store.BoxLoaded || !screen) return;
    LineMeasure lines[OVERFLOW_MARK_LINES];
    BoxType type = (BoxType)EntryBoxType(store.CurrentEntry);
    BoxMeasure measure = MeasureBoxText(store.EditBuffer, EditTextLength(store), type, lines, OVERFLOW_MARK_LINES);
    if (measure.TooWideCount == 0 && measure.BelowCount == 0) return;
    Uint32 red = SDL_MapRGB(screen->format, (OVERFLOW_MARK_COLOUR >> 16) & 0xFF, (OVERFLOW_MARK_COLOUR >> 8) & 0xFF,
                            OVERFLOW_MARK_COLOUR & 0xFF);
    for (uint32_t i = 0; i < measure.LinesStored; i++)
    {
        if (!lines[i].TooWide && !lines[i].BelowBox) continue;
        SDL_Rect bar = { (Sint16)(measure.RightEdge + 1 - OVERFLOW_MARK_WIDTH), (Sint16)lines[i].Y,
                         (Uint16)OVERFLOW_MARK_WIDTH, (Uint16)PREVIEW_LINE_HEIGHT };
        SDL_FillRect(screen, &bar, red);
    }
}

// The box of the current message: text, icon, message ID and the box markers.
static void DrawPreview(Editor& editor)
{
    ShellState& shell = editor.Shell;
    MessageStore& store = editor.Store;
    RenderState& render = editor.Render;
    SDL_Rect position = { PREVIEW_X, PREVIEW_Y, 0, 0 };
    DrawEncodedText(render, store, position, 0, shell.Screen, PREVIEW, store.EditBuffer, false);
    DrawOverflowMarks(editor);

    char id[32];
    snprintf(id, sizeof(id), "Message ID: %04X", (unsigned)store.CurrentMessageId);
    DrawPlainText(editor, MESSAGE_ID_X, MESSAGE_ID_Y, (const uint8_t*)id);

    SDL_Surface* markers = shell.Images[IMAGE_BOX_END_MARKERS];
    Blit(markers, render.EndMarkerCell, 0, MARKER_SIZE, MARKER_SIZE, shell.Screen, END_MARKER_X, END_MARKER_Y);
    if (store.CurrentBox > 0)
    {
        render.EndMarkerCell = PREVIOUS_MARKER_CELL;
        Blit(markers, render.EndMarkerCell, 0, MARKER_SIZE, MARKER_SIZE, shell.Screen, PREVIOUS_MARKER_X,
             PREVIOUS_MARKER_Y);
    }
}

// ---- Events ----
// Every change to the content becomes an undo step; a new one makes an old status stale.
static void NoteEdit(Editor& editor)
{
    if (NoteChanges(editor.History, editor.Store)) editor.Shell.StatusText[0] = 0;
}

static void DispatchEvent(Editor& editor, const SDL_Event& event)
{
    RenderState& render = editor.Render;
    switch (event.type)
    {
    case SDL_MOUSEMOTION:
        render.PointerX = (int16_t)event.motion.x;
        render.PointerY = (int16_t)event.motion.y;
        break;
    case SDL_MOUSEBUTTONDOWN:
        render.PointerX = (int16_t)event.button.x;
        render.PointerY = (int16_t)event.button.y;
        HandleMouseDown(editor, event.button.x, event.button.y);
        NoteEdit(editor);
        break;
    case SDL_MOUSEBUTTONUP:
        render.PointerX = (int16_t)event.button.x;
        render.PointerY = (int16_t)event.button.y;
        HandleMouseUp(editor, event.button.x);
        break;
    case SDL_KEYDOWN:
        HandleKeyDown(editor, (SDLKey)event.key.keysym.sym, event.key.keysym.unicode, (SDLMod)event.key.keysym.mod);
        NoteEdit(editor);
        break;
    case SDL_QUIT:
        editor.Shell.KeepRunning = 0;
        break;
    default:
        break;
    }
}

// ---- One frame ----
bool RunFrame(Editor& editor)
{
    ShellState& shell = editor.Shell;
    MessageStore& store = editor.Store;

    // 1-2: the window follows OpenPanel; the panel shows the state of the previous frame.
    RefreshCurrentEntry(store);
    shell.KeepRunning = shell.WindowLost ? 0 : 1;
    if (shell.OpenPanel != PANEL_NONE)
    {
        if (shell.WindowWidth != WIDE_WIDTH) SetWindowWidth(editor, WIDE_WIDTH);
        BlitWhole(shell.Images[IMAGE_PANEL], shell.Screen, NARROW_WIDTH, 0);
        if (shell.Screen)
        {
            if (shell.OpenPanel == PANEL_BOX) DrawBoxPanel(editor);
            else if (shell.OpenPanel == PANEL_TEXT) DrawTextPanel(editor);
            else if (shell.OpenPanel == PANEL_SEARCH) DrawSearchPanel(editor);
        }
    }
    else if (shell.WindowWidth != NARROW_WIDTH)
        SetWindowWidth(editor, NARROW_WIDTH);

    // 3-4: background and the box of the current type.
    BlitWhole(shell.Images[IMAGE_BACKGROUND], shell.Screen, 0, 0);
    uint8_t boxType = EntryBoxType(store.CurrentEntry);
    if (boxType <= 3) BlitWhole(shell.Images[IMAGE_BOX_BLACK + boxType], shell.Screen, 0, 0);

    // 5-6: every pending event, in order, before anything further is drawn.
    while (SDL_PollEvent(&shell.LastEvent)) DispatchEvent(editor, shell.LastEvent);

    // 7-10: the preview.
    RefreshCurrentEntry(store);
    bool iconPending = editor.Render.PendingIcon != NO_ICON;
    DrawPreview(editor);
    if (iconPending) NoteEdit(editor); // the preview applies an icon chosen in the panel

    // 11: commit and reload. No box is loaded before the end of the first frame, so a quit
    // there writes the files unchanged. Ctrl+S commits as a quit does, then the box reloads.
    bool saving = shell.SavePending && shell.KeepRunning && !shell.FirstFrame;
    if (store.ReloadPending || !shell.KeepRunning || saving)
    {
        bool quitting = !shell.KeepRunning && !shell.FirstFrame;
        bool commitAll = saving && store.Source == SOURCE_FILES;
        if (RefreshBox(store, quitting || commitAll))
        {
            editor.Render.ShownIcon = store.LoadedIcon;
            shell.IconScroll = IconScrollFor(store.LoadedIcon);
            NoteEdit(editor);
        }
    }
    if (saving)
    {
        shell.SavePending = false;
        SaveNow(editor);
    }
    shell.FirstFrame = false;
    if (!shell.KeepRunning) return false;

    // 12-14: fixed texts and the flip. The loop around the frame waits.
    DrawFixedTexts(editor);
    DrawSessionTexts(editor);
    if (shell.Screen) SDL_Flip(shell.Screen);
    return true;
}

// ---- Shutdown ----
int ShutdownEditor(Editor& editor)
{
    ShellState& shell = editor.Shell;
    bool saved = SaveMessageFiles(editor.Store);
    if (shell.Screen)
    {
        DrawFixedTexts(editor);
        SDL_Flip(shell.Screen);
        if (shell.FinalFrameDelay) SDL_Delay(shell.FinalFrameDelay);
    }
    ReleaseEditor(editor);
    // The file layer has put its line on standard error; without a console it is not seen.
    if (!saved)
    {
        char line[600];
        snprintf(line, sizeof(line), "the message files could not be saved: %s", LastFileFailure());
        ShowFailureBox(line);
    }
    return saved && !shell.WindowLost ? 0 : 1;
}

void ReleaseEditor(Editor& editor)
{
    ShutdownRenderer(editor.Render);
    FreeImages(editor.Shell);
    CloseMessageStore(editor.Store);
}
