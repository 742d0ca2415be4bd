// The panels' tests: an editor in the headless harness on a message pair of the test's own,
// driven by pushed SDL events and single frames, with pixel searches over the window.
#pragma once
#include "harness.h"
#include "shell.h"
#include "encoding.h"
#include "sound_table.h"
#include "testdata.h"

#include <gtest/gtest.h>

using Text = std::vector<uint8_t>;

struct PixelBox
{
    int Count = 0;
    int Left = 1 << 30, Right = -1, Top = 1 << 30, Bottom = -1;
};

struct PanelTest : ::testing::Test
{
    EditorHarness H;
    Editor* App = nullptr;

    // Writes the messages (entry i gets type byte types[i] when given), starts the editor on
    // them and runs the first frame, which loads box 0 of entry 0.
    void Start(const std::vector<Text>& messages, const std::vector<uint8_t>& types = {})
    {
        Text table, data;
        BuildMessagePair(messages, table, data);
        for (size_t i = 0; i < types.size(); i++) table[i * ENTRY_SIZE + 2] = types[i];
        ASSERT_TRUE(OpenHarnessPair(H, table, data));
        App = H.App;
        ASSERT_EQ(App->Store.Source, SOURCE_FILES);
        Frame();
    }

    // ---- Input ----
    void Press(int x, int y) { PushMouseDown(H, x, y); }
    void Release(int x, int y) { PushMouseUp(H, x, y); }
    void Motion(int x, int y) { PushMouseMotion(H, x, y); }
    // A click on the panel: press and release in one frame.
    void Click(int x, int y) { PushClick(H, x, y); }
    void Key(SDLKey key, uint16_t unicode) { PushKey(H, key, unicode); }
    void Type(const char* text)
    {
        for (const char* p = text; *p; p++) Key((SDLKey)(unsigned char)*p, (uint16_t)(unsigned char)*p);
    }
    // Runs one frame; false when the program has ended.
    bool Frame() { return RunFrames(H, 1); }
    void Frames(int n) { RunFrames(H, n); }
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
    uint32_t Pixel(int x, int y) const { return ScreenPixel(H, x, y); }
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
    Text EditText() const { return Text(App->Store.EditBuffer, App->Store.EditBuffer + EditTextLength(App->Store)); }
    uint8_t TypeByte2() const { return App->Store.MessageTable[App->Store.CurrentEntryPos + 2]; }
};
