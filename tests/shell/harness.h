// Headless test harness of the editor: builds an Editor over message files written into a fresh
// temporary directory (under $TMPDIR), starts it under SDL's dummy video driver, pushes mouse and
// key events, runs frames one at a time (no delay) and reads pixels of the window surface.
//
//   EditorHarness h;
//   ASSERT_TRUE(OpenHarness(h, { Bytes("Hello") + Bytes("\x02") }));   // one message
//   RunFrames(h, 2);                       // frame 1 loads box 0, frame 2 shows it
//   PushKey(h, SDLK_UNKNOWN, 'A');         // events wait in SDL's queue ...
//   RunFrames(h, 1);                       // ... and are applied by the next frame
//   EXPECT_EQ(h.App->Store.EditBuffer[0], 'A');
//   PushKey(h, SDLK_ESCAPE);
//   RunFrames(h, 1);                       // quits: the harness saves, h.Ended is set
//   ReadTestFile(h.Dir, DATA_FILE_NAME, bytes);
//
// The harness (its destructor, or CloseHarness) releases the editor, shuts SDL down and removes
// the directory, so each test starts SDL afresh. One harness at a time (SDL has one window).
#pragma once
#include "shell.h"
#include <string>
#include <vector>

struct EditorHarness
{
    std::string Dir;            // the temporary working directory with the message files
    Editor* App = nullptr;      // the editor under test (heap: the store's buffers are large)
    bool Started = false;       // StartEditor succeeded
    bool Ended = false;         // a frame ended the program; ShutdownEditor has run
    int ExitStatus = -1;        // ShutdownEditor's result once Ended
    int Frames = 0;             // frames run so far

    EditorHarness() = default;
    EditorHarness(const EditorHarness&) = delete;
    EditorHarness& operator=(const EditorHarness&) = delete;
    ~EditorHarness();
};

// ---- Opening ----
// Writes the pair (skipped when both are empty: the editor then creates its placeholder pair),
// loads it and starts the editor. False when the directory, the files or the start failed.
bool OpenHarnessPair(EditorHarness& h, const std::vector<uint8_t>& table, const std::vector<uint8_t>& data);
// A pair holding the given messages (BuildMessagePair: IDs from 0x1000, aligned offsets).
bool OpenHarness(EditorHarness& h, const std::vector<std::vector<uint8_t>>& messages);
// No message files: the editor works on its placeholder pair.
bool OpenHarnessWithoutFiles(EditorHarness& h);
// Releases whatever is still open (without saving when no quit happened), shuts SDL down and
// removes the directory. Safe to call twice.
void CloseHarness(EditorHarness& h);

// ---- Frames ----
// Runs up to n frames; stops early when a frame ends the program (then saves like the program
// does and sets Ended and ExitStatus). Returns false once the program has ended.
bool RunFrames(EditorHarness& h, int n = 1);

// ---- Events (queued; the next frame applies them in order) ----
void PushMouseDown(EditorHarness& h, int x, int y, uint8_t button = SDL_BUTTON_LEFT);
void PushMouseUp(EditorHarness& h, int x, int y, uint8_t button = SDL_BUTTON_LEFT);
void PushMouseMotion(EditorHarness& h, int x, int y);
// A press and its release at the same point, both in the queue for the same frame.
void PushClick(EditorHarness& h, int x, int y);
// A key press with its typed character (0 for keys that type nothing).
void PushKey(EditorHarness& h, SDLKey key, uint16_t unicode = 0, SDLMod mod = KMOD_NONE);
void PushQuit(EditorHarness& h);

// ---- The screen ----
// Colour 0xRRGGBB of a pixel of the window surface; 0xFFFFFFFF when outside or no window.
uint32_t ScreenPixel(const EditorHarness& h, int x, int y);
int ScreenWidth(const EditorHarness& h);
// Pixels with this colour inside the rectangle (x, y, w, h), clipped to the surface.
int CountPixels(const EditorHarness& h, int x, int y, int w, int hgt, uint32_t rgb);
