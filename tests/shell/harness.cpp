#include "harness.h"
#include "testdata.h"
#include <cstdlib>

EditorHarness::~EditorHarness() { CloseHarness(*this); }

// ---- Opening ----
static bool StartHarness(EditorHarness& h)
{
    // Always headless, whatever the caller's environment holds.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    h.App = new Editor();
    h.App->Shell.FinalFrameDelay = 0;
    LoadMessageFiles(h.App->Store, h.Dir.c_str());
    h.Started = StartEditor(*h.App);
    return h.Started;
}

bool OpenHarnessPair(EditorHarness& h, const std::vector<uint8_t>& table, const std::vector<uint8_t>& data)
{
    CloseHarness(h);
    h.Dir = MakeTempDir();
    if (h.Dir.empty()) return false;
    if ((!table.empty() || !data.empty()) && !WriteMessagePair(h.Dir, table, data)) return false;
    return StartHarness(h);
}

bool OpenHarness(EditorHarness& h, const std::vector<std::vector<uint8_t>>& messages)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair(messages, table, data);
    return OpenHarnessPair(h, table, data);
}

bool OpenHarnessWithoutFiles(EditorHarness& h)
{
    return OpenHarnessPair(h, {}, {});
}

void CloseHarness(EditorHarness& h)
{
    if (h.App)
    {
        if (!h.Ended) ReleaseEditor(*h.App);
        delete h.App;
        h.App = nullptr;
        SDL_Quit();
    }
    if (!h.Dir.empty()) RemoveTempDir(h.Dir);
    h.Dir.clear();
    h.Started = false;
    h.Ended = false;
    h.ExitStatus = -1;
    h.Frames = 0;
}

// ---- Frames ----
bool RunFrames(EditorHarness& h, int n)
{
    if (!h.Started || h.Ended) return false;
    for (int i = 0; i < n; i++)
    {
        h.Frames++;
        if (!RunFrame(*h.App))
        {
            h.ExitStatus = ShutdownEditor(*h.App);
            h.Ended = true;
            return false;
        }
    }
    return true;
}

// ---- Events ----
static void PushButton(Uint8 type, int x, int y, uint8_t button)
{
    SDL_Event e = {};
    e.type = type;
    e.button.type = type;
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = (Uint16)x;
    e.button.y = (Uint16)y;
    SDL_PushEvent(&e);
}

void PushMouseDown(EditorHarness&, int x, int y, uint8_t button) { PushButton(SDL_MOUSEBUTTONDOWN, x, y, button); }
void PushMouseUp(EditorHarness&, int x, int y, uint8_t button) { PushButton(SDL_MOUSEBUTTONUP, x, y, button); }

void PushMouseMotion(EditorHarness&, int x, int y)
{
    SDL_Event e = {};
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = (Uint16)x;
    e.motion.y = (Uint16)y;
    SDL_PushEvent(&e);
}

void PushClick(EditorHarness& h, int x, int y)
{
    PushMouseDown(h, x, y);
    PushMouseUp(h, x, y);
}

void PushKey(EditorHarness&, SDLKey key, uint16_t unicode, SDLMod mod)
{
    SDL_Event e = {};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = key;
    e.key.keysym.unicode = unicode;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

void PushQuit(EditorHarness&)
{
    SDL_Event e = {};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

// ---- The screen ----
uint32_t ScreenPixel(const EditorHarness& h, int x, int y)
{
    SDL_Surface* s = h.App ? h.App->Shell.Screen : nullptr;
    if (!s || x < 0 || y < 0 || x >= s->w || y >= s->h || s->format->BytesPerPixel != 4) return 0xFFFFFFFFu;
    Uint32 v = *(const Uint32*)((const Uint8*)s->pixels + y * s->pitch + x * 4);
    Uint8 r, g, b;
    SDL_GetRGB(v, s->format, &r, &g, &b);
    return (uint32_t)r << 16 | (uint32_t)g << 8 | b;
}

int ScreenWidth(const EditorHarness& h)
{
    return h.App && h.App->Shell.Screen ? h.App->Shell.Screen->w : 0;
}

int CountPixels(const EditorHarness& h, int x, int y, int w, int hgt, uint32_t rgb)
{
    int count = 0;
    for (int py = y; py < y + hgt; py++)
        for (int px = x; px < x + w; px++)
            if (ScreenPixel(h, px, py) == rgb) count++;
    return count;
}
