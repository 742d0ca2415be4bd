// An editor running headless under the dummy video driver on a message pair of the test's own,
// driven by pushed SDL events and single frames.
#pragma once
#include "shell.h"
#include "encoding.h"
#include "sound_table.h"
#include "testdata.h"

#include <gtest/gtest.h>
#include <cstdlib>

using Text = std::vector<uint8_t>;

struct PixelBox
{
    int Count = 0;
    int Left = 1 << 30, Right = -1, Top = 1 << 30, Bottom = -1;
};

struct PanelTest : ::testing::Test
{
    std::string Dir;
    Editor E;
    bool Started = false;

    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        Dir = MakeTempDir();
        ASSERT_FALSE(Dir.empty());
    }
    void TearDown() override
    {
        if (Started) ShutdownEditor(E);
        RemoveTempDir(Dir);
    }

    // Writes the messages (entry i gets type byte types[i] when given), starts the editor on
    // them and runs the first frame, which loads box 0 of entry 0.
    void Start(const std::vector<Text>& messages, const std::vector<uint8_t>& types = {})
    {
        Text table, data;
        BuildMessagePair(messages, table, data);
        for (size_t i = 0; i < types.size(); i++) table[i * ENTRY_SIZE + 2] = types[i];
        ASSERT_TRUE(WriteMessagePair(Dir, table, data));
        LoadMessageFiles(E.Store, Dir.c_str());
        ASSERT_EQ(E.Store.Source, SOURCE_FILES);
        E.Shell.FinalFrameDelay = 0;
        ASSERT_TRUE(StartEditor(E));
        Started = true;
        Frame();
    }

    // ---- Input ----
    void Push(SDL_Event& event) { ASSERT_EQ(SDL_PushEvent(&event), 0); }
    void Press(int x, int y)
    {
        SDL_Event event = {};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = SDL_PRESSED;
        event.button.x = (Uint16)x;
        event.button.y = (Uint16)y;
        Push(event);
    }
    void Release(int x, int y)
    {
        SDL_Event event = {};
        event.type = SDL_MOUSEBUTTONUP;
        event.button.type = SDL_MOUSEBUTTONUP;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = SDL_RELEASED;
        event.button.x = (Uint16)x;
        event.button.y = (Uint16)y;
        Push(event);
    }
    // A click on the panel: press and release in one frame.
    void Click(int x, int y)
    {
        Press(x, y);
        Release(x, y);
    }
    void Key(SDLKey key, uint16_t unicode)
    {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.type = SDL_KEYDOWN;
        event.key.state = SDL_PRESSED;
        event.key.keysym.sym = key;
        event.key.keysym.unicode = unicode;
        Push(event);
    }
    void Type(const char* text)
    {
        for (const char* p = text; *p; p++) Key((SDLKey)(unsigned char)*p, (uint16_t)(unsigned char)*p);
    }
    // Runs one frame; false when the program has ended.
    bool Frame() { return RunFrame(E); }
    void Frames(int n)
    {
        for (int i = 0; i < n; i++) Frame();
    }
    // Clicks at (x, y), handles the click in one frame and draws its result in the next.
    void ClickAndShow(int x, int y)
    {
        Click(x, y);
        Frames(2);
    }
    // Opens a panel with its button in the message area and lets the window widen.
    void OpenBoxPanel() { ClickAndShow(356, 38); }
    void OpenTextPanel() { ClickAndShow(332, 62); }
    void OpenSearchPanel() { ClickAndShow(300, 36); }

    // ---- Screen ----
    uint32_t Pixel(int x, int y) const
    {
        SDL_Surface* s = E.Shell.Screen;
        uint32_t raw = *(const uint32_t*)((const uint8_t*)s->pixels + y * s->pitch + x * 4);
        Uint8 r, g, b;
        SDL_GetRGB(raw, s->format, &r, &g, &b);
        return ((uint32_t)r << 16) | ((uint32_t)g << 8) | b;
    }
    static bool IsYellow(uint32_t c) { return (c >> 16) >= 0xC0 && ((c >> 8) & 0xFF) >= 0xC0 && (c & 0xFF) <= 0x40; }
    static bool IsWhite(uint32_t c) { return (c >> 16) >= 0xC0 && ((c >> 8) & 0xFF) >= 0xC0 && (c & 0xFF) >= 0xC0; }
    // Bounding box of the pixels in the inclusive area that satisfy the test.
    template <typename Test>
    PixelBox Find(int left, int top, int right, int bottom, Test test) const
    {
        PixelBox box;
        for (int y = top; y <= bottom; y++)
            for (int x = left; x <= right; x++)
                if (test(Pixel(x, y)))
                {
                    box.Count++;
                    if (x < box.Left) box.Left = x;
                    if (x > box.Right) box.Right = x;
                    if (y < box.Top) box.Top = y;
                    if (y > box.Bottom) box.Bottom = y;
                }
        return box;
    }
    PixelBox Yellow(int left, int top, int right, int bottom) const { return Find(left, top, right, bottom, IsYellow); }
    PixelBox White(int left, int top, int right, int bottom) const { return Find(left, top, right, bottom, IsWhite); }

    // ---- Store ----
    Text EditText() const { return Text(E.Store.EditBuffer, E.Store.EditBuffer + EditTextLength(E.Store)); }
    uint8_t TypeByte2() const { return E.Store.MessageTable[E.Store.CurrentEntryPos + 2]; }
};
