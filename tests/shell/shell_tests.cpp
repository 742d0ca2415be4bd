// The editor window driven headless: events pushed into SDL's queue, frames run one at a time,
// then the store, the shell state and the window's pixels are checked.
#include "harness.h"
#include "encoding.h"
#include "glyph_table.h"
#include "testdata.h"
#include "file_layer.h"
#include <cstdlib>
#include <gtest/gtest.h>

// ---- Sample messages ----
static const std::vector<uint8_t> END = { CC_END };
static const std::vector<uint8_t> BREAK = { CC_BOX_BREAK };

// Message 0x1000: one box; 0x1001: three boxes; 0x1002: one box.
static std::vector<std::vector<uint8_t>> ThreeMessages()
{
    return { Bytes("ABCDEF") + END, Bytes("One") + BREAK + Bytes("Two") + BREAK + Bytes("Three") + END,
             Bytes("Last") + END };
}

// Opens the editor on the messages and runs the two frames after which box 0 is shown.
static void OpenShown(EditorHarness& h, const std::vector<std::vector<uint8_t>>& messages)
{
    ASSERT_TRUE(OpenHarness(h, messages));
    ASSERT_TRUE(RunFrames(h, 2));
}

static std::string EditText(const EditorHarness& h)
{
    return std::string((const char*)h.App->Store.EditBuffer);
}

// x of glyph k of a PREVIEW line starting at x 81.
static int GlyphX(const char* line, int k)
{
    int x = 81;
    for (int i = 0; i < k; i++) x += GlyphAdvance((uint8_t)line[i]);
    return x;
}

static const uint32_t HIGHLIGHT = 0xD3AFFF;
static const uint32_t WHITE = 0xFFFFFF;

// ---- Typing and the cursor keys ----
TEST(ShellKeys, TypingReturnAndErasingAtTheirLimits)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    MessageStore& s = h.App->Store;
    ASSERT_EQ(EditText(h), "ABCDEF\x02");
    ASSERT_EQ(s.Cursor, 0u);

    // Backspace and Left at index 0 do nothing.
    PushKey(h, SDLK_BACKSPACE, 8);
    PushKey(h, SDLK_LEFT);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 0u);
    EXPECT_EQ(s.EditState, EDIT_UNCHANGED);

    // A typed character and Return go in at the cursor; other characters are dropped.
    PushKey(h, SDLK_x, 'x');
    PushKey(h, SDLK_RETURN, 13);
    PushKey(h, SDLK_UNKNOWN, 0xE9);
    PushKey(h, SDLK_UNKNOWN, 0x1F);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "x\x01" "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 2u);
    EXPECT_EQ(s.EditState, EDIT_MODIFIED);

    // Right stops on the terminator; Delete there does nothing.
    for (int i = 0; i < 10; i++) PushKey(h, SDLK_RIGHT);
    RunFrames(h);
    EXPECT_EQ(s.Cursor, 8u);
    PushKey(h, SDLK_DELETE, 127);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "x\x01" "ABCDEF\x02");

    // Backspace removes the byte before the cursor, Delete the one under it.
    PushKey(h, SDLK_BACKSPACE, 8);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "x\x01" "ABCDE\x02");
    EXPECT_EQ(s.Cursor, 7u);
    for (int i = 0; i < 3; i++) PushKey(h, SDLK_LEFT);
    PushKey(h, SDLK_DELETE, 127);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "x\x01" "ABDE\x02");
    EXPECT_EQ(s.Cursor, 4u);
}

TEST(ShellKeys, TypedTextIsShownInTheSameFrame)
{
    EditorHarness h;
    OpenShown(h, { Bytes("") + END });
    // An empty box: the cursor mark alone at (81, 210).
    int before = CountPixels(h, 90, 205, 100, 25, WHITE);
    PushKey(h, SDLK_m, 'M');
    PushKey(h, SDLK_m, 'M');
    RunFrames(h);
    EXPECT_GT(CountPixels(h, 81, 205, 100, 25, WHITE), before + 20);
}

TEST(ShellKeys, SearchFieldKeepsTheKeyboardUntilAClickInTheMessageArea)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    h.App->Render.SelectionState = SEARCH_TYPING;
    PushKey(h, SDLK_a, 'a');
    PushKey(h, SDLK_BACKSPACE, 8);
    PushKey(h, SDLK_RETURN, 13);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(h.App->Store.EditState, EDIT_UNCHANGED);

    // Any button, the wheel included, is a click: the box gets the keyboard back.
    PushMouseDown(h, 300, 120, SDL_BUTTON_WHEELUP);
    PushMouseUp(h, 300, 120, SDL_BUTTON_WHEELUP);
    PushKey(h, SDLK_a, 'a');
    RunFrames(h);
    EXPECT_EQ(EditText(h), "aABCDEF\x02");

    // Escape quits while the search field has the keyboard.
    h.App->Render.SelectionState = SEARCH_TYPING;
    PushKey(h, SDLK_ESCAPE, 27);
    EXPECT_FALSE(RunFrames(h));
    EXPECT_EQ(h.ExitStatus, 0);
}

// ---- Pointer and selection ----
TEST(ShellSelection, PressAndReleaseInOneFrameMoveNothing)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushClick(h, GlyphX("ABCDEF", 3) + 3, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_IDLE);
    EXPECT_EQ(h.App->Store.Cursor, 0u);
}

TEST(ShellSelection, PressAndReleaseInTwoFramesPlaceTheCursor)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushMouseDown(h, GlyphX("ABCDEF", 3) + 3, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_DRAGGING);
    EXPECT_EQ(h.App->Store.Cursor, 3u);
    PushMouseUp(h, GlyphX("ABCDEF", 3) + 3, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_MADE);
    EXPECT_EQ(h.App->Render.Selection.SelectionAnchor, 3u);
    EXPECT_EQ(h.App->Render.Selection.SelectionEnd, 3u);
    // Anchor and end on the same glyph: nothing is highlighted.
    EXPECT_EQ(CountPixels(h, 0, 0, 400, 340, HIGHLIGHT), 0);
}

// Highlight pixels lie over glyphs first..last of "ABCDEF" and nowhere else.
static void ExpectHighlightOver(const EditorHarness& h, int first, int last)
{
    const char* line = "ABCDEF";
    int inside = 0;
    for (int k = 0; k < 6; k++)
    {
        int x = GlyphX(line, k), w = GlyphAdvance((uint8_t)line[k]);
        int n = CountPixels(h, x, 210, w, 16, HIGHLIGHT);
        if (k >= first && k <= last)
            EXPECT_GT(n, 0) << "glyph " << k;
        else
            EXPECT_EQ(n, 0) << "glyph " << k;
        inside += n;
    }
    EXPECT_EQ(CountPixels(h, 0, 0, 400, 340, HIGHLIGHT), inside);
}

TEST(ShellSelection, DragLeftToRightHighlightsTheSelectedGlyphs)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushMouseDown(h, GlyphX("ABCDEF", 1) + 3, 218);
    RunFrames(h);
    PushMouseMotion(h, GlyphX("ABCDEF", 2) + 3, 218);
    PushMouseMotion(h, GlyphX("ABCDEF", 4) + 3, 218);
    // The end follows the pointer while the line is drawn, so glyphs left of the pointer show
    // the new end from the next frame on.
    RunFrames(h, 2);
    EXPECT_EQ(h.App->Render.Selection.SelectionAnchor, 1u);
    EXPECT_EQ(h.App->Render.Selection.SelectionEnd, 4u);
    ExpectHighlightOver(h, 1, 4);

    // Released: the selection stays and the pointer no longer changes it.
    PushMouseUp(h, GlyphX("ABCDEF", 4) + 3, 218);
    RunFrames(h);
    PushMouseMotion(h, GlyphX("ABCDEF", 5) + 3, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_MADE);
    EXPECT_EQ(h.App->Render.Selection.SelectionEnd, 4u);
    ExpectHighlightOver(h, 1, 4);
    EXPECT_EQ(h.App->Store.Cursor, 1u);
}

TEST(ShellSelection, DragRightToLeftHighlightsFromPointerToAnchor)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushMouseDown(h, GlyphX("ABCDEF", 4) + 3, 218);
    RunFrames(h);
    PushMouseMotion(h, GlyphX("ABCDEF", 2) + 3, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.Selection.SelectionAnchor, 4u);
    EXPECT_EQ(h.App->Render.Selection.SelectionEnd, 2u);
    EXPECT_EQ(h.App->Store.Cursor, 4u);
    ExpectHighlightOver(h, 2, 4);
}

TEST(ShellSelection, ReleaseOverThePanelKeepsDragging)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushMouseDown(h, GlyphX("ABCDEF", 0) + 3, 218);
    RunFrames(h);
    PushMouseUp(h, 401, 218);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_DRAGGING);
}

// ---- Buttons: hit rectangles include both edges ----
TEST(ShellButtons, MessageAreaEndsAtX400)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushMouseDown(h, 400, 100);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_PRESSED);
    PushMouseUp(h, 400, 100);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_IDLE);
    PushMouseDown(h, 401, 100);
    RunFrames(h);
    EXPECT_EQ(h.App->Render.SelectionState, SELECT_IDLE);
}

// Clicks one point and returns OpenPanel after the frame (the panel is collapsed before).
static uint8_t PanelAfterClick(EditorHarness& h, int x, int y)
{
    h.App->Shell.OpenPanel = PANEL_NONE;
    PushClick(h, x, y);
    RunFrames(h);
    return h.App->Shell.OpenPanel;
}

TEST(ShellButtons, PanelButtonCornersAndOverlap)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    // Box: x 344..368, y 26..50; Text: x 320..344, y 50..74; Search: x 288..312, y 24..48.
    EXPECT_EQ(PanelAfterClick(h, 344, 26), PANEL_BOX);
    EXPECT_EQ(PanelAfterClick(h, 368, 50), PANEL_BOX);
    EXPECT_EQ(PanelAfterClick(h, 369, 40), PANEL_NONE);
    EXPECT_EQ(PanelAfterClick(h, 356, 25), PANEL_NONE);
    EXPECT_EQ(PanelAfterClick(h, 344, 50), PANEL_TEXT); // on both Box and Text: Text wins
    EXPECT_EQ(PanelAfterClick(h, 320, 74), PANEL_TEXT);
    EXPECT_EQ(PanelAfterClick(h, 319, 60), PANEL_NONE);
    EXPECT_EQ(PanelAfterClick(h, 330, 75), PANEL_NONE);
    EXPECT_EQ(PanelAfterClick(h, 288, 24), PANEL_SEARCH);
    EXPECT_EQ(PanelAfterClick(h, 312, 48), PANEL_SEARCH);
    EXPECT_EQ(PanelAfterClick(h, 313, 40), PANEL_NONE);
}

TEST(ShellButtons, WindowWidensAndNarrowsInTheFrameAfterTheClick)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    EXPECT_EQ(ScreenWidth(h), 400);
    // Collapse does nothing while no panel is open.
    PushClick(h, 264, 38);
    RunFrames(h);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_NONE);

    PushClick(h, 356, 38); // Box
    RunFrames(h);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_BOX);
    EXPECT_EQ(ScreenWidth(h), 400);
    RunFrames(h);
    EXPECT_EQ(ScreenWidth(h), 800);
    EXPECT_EQ(h.App->Shell.WindowWidth, 800);

    PushClick(h, 332, 62); // Text while Box is open: stays wide
    RunFrames(h, 2);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_TEXT);
    EXPECT_EQ(ScreenWidth(h), 800);

    PushClick(h, 250, 52); // Collapse, lower left corner
    RunFrames(h);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_NONE);
    EXPECT_EQ(ScreenWidth(h), 800);
    RunFrames(h);
    EXPECT_EQ(ScreenWidth(h), 400);
    EXPECT_EQ(h.App->Shell.WindowWidth, 400);
}

TEST(ShellButtons, CollapseWaitsForTheWideWindow)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    // Box and Collapse in one frame: the window is still 400 wide, so Collapse does nothing.
    PushClick(h, 356, 38);
    PushClick(h, 264, 38);
    RunFrames(h);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_BOX);
    // The next frame widens the window before its events, so Collapse now closes the panel.
    PushClick(h, 264, 38);
    RunFrames(h);
    EXPECT_EQ(h.App->Shell.WindowWidth, 800);
    EXPECT_EQ(h.App->Shell.OpenPanel, PANEL_NONE);
    RunFrames(h);
    EXPECT_EQ(ScreenWidth(h), 400);
}

TEST(ShellButtons, MessageArrowsWrapAround)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    MessageStore& s = h.App->Store;
    PushClick(h, 14, 205); // left arrow on entry 0: the last entry
    RunFrames(h);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    EXPECT_EQ(EditText(h), "Last\x02");
    PushClick(h, 391, 231); // right arrow on the last entry: entry 0
    RunFrames(h);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    PushClick(h, 13, 218); // just left of the left arrow
    PushClick(h, 392, 218); // just right of the right arrow
    RunFrames(h);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    EXPECT_EQ(s.ReloadPending, 0);
}

TEST(ShellButtons, MessageChangeShowsNewIdWithOldTextForOneFrame)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushClick(h, 380, 218);
    RunFrames(h);
    // The new message's ID is drawn with the old box text, which reloads at the frame's end.
    EXPECT_EQ(h.App->Store.CurrentMessageId, 0x1001u);
    EXPECT_EQ(EditText(h), "One\x04");
}

TEST(ShellButtons, BoxMarkersOnlyWhenAllowed)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    MessageStore& s = h.App->Store;
    RenderState& r = h.App->Render;
    // A single box: square end marker, no previous-box marker, and the markers do nothing.
    EXPECT_EQ(r.EndMarkerCell, 32);
    PushClick(h, 192, 250);
    PushClick(h, 192, 170);
    RunFrames(h);
    EXPECT_EQ(s.CurrentBox, 0u);
    EXPECT_EQ(s.ReloadPending, 0);

    PushClick(h, 391, 205); // message 0x1001, three boxes
    RunFrames(h, 2);
    EXPECT_EQ(EditText(h), "One\x04");
    EXPECT_EQ(r.EndMarkerCell, 0); // down triangle

    PushClick(h, 208, 266); // end marker, lower right corner
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentBox, 1u);
    EXPECT_EQ(EditText(h), "Two\x04");
    EXPECT_EQ(r.EndMarkerCell, 16); // the up marker was drawn last

    PushClick(h, 200, 258);
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentBox, 2u);
    PushClick(h, 200, 258); // last box: no next
    RunFrames(h);
    EXPECT_EQ(s.CurrentBox, 2u);
    EXPECT_EQ(s.ReloadPending, 0);

    PushClick(h, 192, 170); // previous marker, upper left corner
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentBox, 1u);
    PushClick(h, 208, 186);
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentBox, 0u);
    PushClick(h, 200, 178); // box 0: no previous
    RunFrames(h);
    EXPECT_EQ(s.CurrentBox, 0u);
    EXPECT_EQ(s.ReloadPending, 0);
}

TEST(ShellButtons, MarkersDrawnOnlyWhereTheyApply)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    // One-box message: the up marker area shows the same pixels as on a screen without it.
    std::vector<uint32_t> single;
    for (int y = 170; y < 186; y++)
        for (int x = 192; x < 208; x++) single.push_back(ScreenPixel(h, x, y));
    PushClick(h, 391, 205);
    RunFrames(h, 2);
    PushClick(h, 200, 258);
    RunFrames(h, 2);
    ASSERT_EQ(h.App->Store.CurrentBox, 1u);
    int changed = 0, i = 0;
    for (int y = 170; y < 186; y++)
        for (int x = 192; x < 208; x++, i++)
            if (ScreenPixel(h, x, y) != single[i]) changed++;
    EXPECT_GT(changed, 10);
}

TEST(ShellButtons, AddBoxAndDeleteBoxThroughTheScreen)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    MessageStore& s = h.App->Store;
    PushClick(h, 76, 308); // "Add Box", lower right corner
    RunFrames(h, 2);
    EXPECT_EQ(s.LastBox, 1u);
    EXPECT_EQ(EditText(h), "ABCDEF\x04");
    EXPECT_EQ(std::string((const char*)s.MessageData.data(), 13), "ABCDEF\x04Text!\x02");

    PushClick(h, 200, 258);
    RunFrames(h, 2);
    EXPECT_EQ(EditText(h), "Text!\x02");
    PushClick(h, 91, 328); // "Delete Box", lower right corner
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentBox, 0u);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(std::string((const char*)s.MessageData.data(), 7), "ABCDEF\x02");

    // Outside the texts' rectangles nothing happens.
    PushClick(h, 77, 300);
    PushClick(h, 92, 320);
    RunFrames(h, 2);
    EXPECT_EQ(s.LastBox, 0u);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
}

// ---- Quitting writes both files ----
struct QuitInput
{
    const char* Name;
    void (*Push)(EditorHarness&);
};

static const QuitInput QUIT_INPUTS[] = {
    { "Escape", [](EditorHarness& h) { PushKey(h, SDLK_ESCAPE, 27); } },
    { "Quit button", [](EditorHarness& h) { PushClick(h, 232, 52); } },
    { "Quit button corner", [](EditorHarness& h) { PushClick(h, 204, 24); } },
    { "close", [](EditorHarness& h) { PushQuit(h); } },
};

TEST(ShellQuit, EveryQuitInputCommitsAndWritesBothFiles)
{
    for (const QuitInput& quit : QUIT_INPUTS)
    {
        SCOPED_TRACE(quit.Name);
        EditorHarness h;
        OpenShown(h, ThreeMessages());
        PushKey(h, SDLK_z, 'z');
        quit.Push(h);
        EXPECT_FALSE(RunFrames(h));
        ASSERT_TRUE(h.Ended);
        EXPECT_EQ(h.ExitStatus, 0);
        std::vector<uint8_t> table, data;
        ASSERT_TRUE(ReadTestFile(h.Dir, TABLE_FILE_NAME, table));
        ASSERT_TRUE(ReadTestFile(h.Dir, DATA_FILE_NAME, data));
        EXPECT_EQ(std::string((const char*)data.data(), 8), std::string("zABCDEF\x02", 8));
        // One typed byte and three bytes of alignment before the next message.
        EXPECT_EQ(TableOffset(table, 8), 12u);
        EXPECT_EQ(table.size(), 24u);
    }
}

TEST(ShellQuit, EventsAfterAQuitInTheSameFrameAreStillApplied)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushKey(h, SDLK_ESCAPE, 27);
    PushKey(h, SDLK_q, 'q');
    EXPECT_FALSE(RunFrames(h));
    std::vector<uint8_t> data;
    ASSERT_TRUE(ReadTestFile(h.Dir, DATA_FILE_NAME, data));
    EXPECT_EQ(data[0], 'q');
}

TEST(ShellQuit, QuitInTheFirstFrameWritesTheFilesUnchanged)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair(ThreeMessages(), table, data);
    EditorHarness h;
    ASSERT_TRUE(OpenHarnessPair(h, table, data));
    PushKey(h, SDLK_a, 'a'); // no box is loaded yet: ignored
    PushKey(h, SDLK_ESCAPE, 27);
    EXPECT_FALSE(RunFrames(h));
    EXPECT_EQ(h.Frames, 1);
    EXPECT_EQ(h.ExitStatus, 0);
    std::vector<uint8_t> tableAfter, dataAfter;
    ASSERT_TRUE(ReadTestFile(h.Dir, TABLE_FILE_NAME, tableAfter));
    ASSERT_TRUE(ReadTestFile(h.Dir, DATA_FILE_NAME, dataAfter));
    EXPECT_EQ(tableAfter, table);
    EXPECT_EQ(dataAfter, data);
}

TEST(ShellQuit, DeleteBoxThenQuitInOneFrameKeepsTheDeletion)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    PushClick(h, 391, 205);
    RunFrames(h, 2);
    PushClick(h, 200, 258);
    RunFrames(h, 2);
    ASSERT_EQ(EditText(h), "Two\x04");
    PushKey(h, SDLK_k, 'k');
    PushClick(h, 50, 320); // Delete Box
    PushKey(h, SDLK_ESCAPE, 27);
    EXPECT_FALSE(RunFrames(h));
    std::vector<uint8_t> table, data;
    ASSERT_TRUE(ReadTestFile(h.Dir, TABLE_FILE_NAME, table));
    ASSERT_TRUE(ReadTestFile(h.Dir, DATA_FILE_NAME, data));
    uint32_t offset = TableOffset(table, 8);
    EXPECT_EQ(std::string((const char*)data.data() + offset, 10), "One\x04Three\x02");
}

TEST(ShellQuit, PlaceholderPairLeavesNoFileBehind)
{
    EditorHarness h;
    ASSERT_TRUE(OpenHarnessWithoutFiles(h));
    ASSERT_TRUE(RunFrames(h, 2));
    EXPECT_TRUE(TestFileExists(h.Dir, TABLE_FILE_NAME));
    EXPECT_GT(EditText(h).size(), 10u); // the placeholder message is shown
    PushKey(h, SDLK_a, 'a');
    PushClick(h, 218, 38);
    EXPECT_FALSE(RunFrames(h));
    EXPECT_EQ(h.ExitStatus, 0);
    EXPECT_FALSE(TestFileExists(h.Dir, TABLE_FILE_NAME));
    EXPECT_FALSE(TestFileExists(h.Dir, DATA_FILE_NAME));
}

// ---- The preview ----
TEST(ShellPreview, FirstFrameShowsAnEmptyPreview)
{
    EditorHarness h;
    ASSERT_TRUE(OpenHarness(h, { Bytes("WWWWWWWWWW") + END }));
    ASSERT_TRUE(RunFrames(h));
    // The box is loaded at the end of the first frame, after the preview was drawn.
    EXPECT_EQ(CountPixels(h, 98, 200, 200, 40, WHITE), 0);
    EXPECT_EQ(EditText(h), "WWWWWWWWWW\x02");
    ASSERT_TRUE(RunFrames(h));
    EXPECT_GT(CountPixels(h, 98, 200, 200, 40, WHITE), 100);
}

TEST(ShellPreview, MessageIdAndFixedTextsAreDrawn)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    // White text on the black bottom band: the ID line, "Add Box", "Delete Box", the credits.
    EXPECT_GT(CountPixels(h, 65, 272, 150, 16, WHITE), 50);
    EXPECT_GT(CountPixels(h, 16, 292, 60, 16, WHITE), 30);
    EXPECT_GT(CountPixels(h, 16, 312, 75, 16, WHITE), 30);
    EXPECT_GT(CountPixels(h, 16, 12, 150, 9, WHITE), 30);
    EXPECT_GT(CountPixels(h, 280, 290, 120, 16, WHITE), 30);
    EXPECT_GT(CountPixels(h, 240, 306, 160, 16, WHITE), 30);

    // The ID line changes with the message.
    std::vector<uint32_t> before;
    for (int x = 65; x < 215; x++) before.push_back(ScreenPixel(h, x, 280));
    PushClick(h, 380, 218);
    RunFrames(h);
    int changed = 0;
    for (int x = 65; x < 215; x++)
        if (ScreenPixel(h, x, 280) != before[x - 65]) changed++;
    EXPECT_GT(changed, 0);
}

TEST(ShellPreview, BoxTypeChoosesTheBackground)
{
    EditorHarness h;
    OpenShown(h, ThreeMessages());
    // Inside the box graphic, left of the text: the Black box darkens the scene; type 4 shows
    // the plain scene; the Sign is brown.
    uint32_t black = ScreenPixel(h, 50, 240);
    SetBoxType(h.App->Store, 4);
    RunFrames(h);
    uint32_t none = ScreenPixel(h, 50, 240);
    SetBoxType(h.App->Store, 1);
    RunFrames(h);
    uint32_t sign = ScreenPixel(h, 50, 240);
    EXPECT_NE(black, none);
    EXPECT_NE(sign, none);
    EXPECT_NE(sign, black);
    int r = sign >> 16, g = (sign >> 8) & 0xFF, b = sign & 0xFF;
    EXPECT_GT(r, b);
    EXPECT_GE(g, b);
}

TEST(ShellPreview, IconOfTheBoxAndItsScrollPage)
{
    EditorHarness h;
    const std::vector<uint8_t> icon = { CC_ICON, 0x10 };
    OpenShown(h, { icon + Bytes("Item") + END, Bytes("Plain") + END });
    EXPECT_EQ(h.App->Render.ShownIcon, 0x10);
    EXPECT_EQ(h.App->Shell.IconScroll, 2 * 320);
    PushClick(h, 380, 218);
    RunFrames(h, 2);
    EXPECT_EQ(h.App->Render.ShownIcon, NO_ICON);
    EXPECT_EQ(h.App->Shell.IconScroll, 4160);
}

// ---- Failures ----
static bool FailEveryCreate(FileStep step, const char*) { return step == FILE_STEP_CREATE; }

TEST(ShellFailures, FailedSaveGivesExitStatusOneAndKeepsTheOriginals)
{
    std::vector<uint8_t> table, data;
    BuildMessagePair(ThreeMessages(), table, data);
    EditorHarness h;
    ASSERT_TRUE(OpenHarnessPair(h, table, data));
    RunFrames(h, 2);
    PushKey(h, SDLK_a, 'a');
    PushKey(h, SDLK_ESCAPE, 27);
    FileFaultHook = FailEveryCreate;
    EXPECT_FALSE(RunFrames(h));
    FileFaultHook = nullptr;
    EXPECT_EQ(h.ExitStatus, 1);
    std::vector<uint8_t> tableAfter, dataAfter;
    ASSERT_TRUE(ReadTestFile(h.Dir, TABLE_FILE_NAME, tableAfter));
    ASSERT_TRUE(ReadTestFile(h.Dir, DATA_FILE_NAME, dataAfter));
    EXPECT_EQ(tableAfter, table);
    EXPECT_EQ(dataAfter, data);
}

TEST(ShellFailures, WindowThatCannotOpenLeavesTheFilesAsTheyWere)
{
    // Without message files: the placeholder pair created at load is removed again.
    std::string dir = MakeTempDir();
    ASSERT_FALSE(dir.empty());
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    setenv("VELLORAN_NO_MESSAGE_BOX", "1", 1); // the Windows build would show the failure
    {
        Editor* editor = new Editor();
        LoadMessageFiles(editor->Store, dir.c_str());
        EXPECT_TRUE(TestFileExists(dir, TABLE_FILE_NAME));
        EXPECT_FALSE(StartEditor(*editor));
        ReleaseEditor(*editor);
        delete editor;
        SDL_Quit();
    }
    EXPECT_FALSE(TestFileExists(dir, TABLE_FILE_NAME));
    EXPECT_FALSE(TestFileExists(dir, DATA_FILE_NAME));

    // With message files: they stay byte for byte.
    std::vector<uint8_t> table, data, tableAfter, dataAfter;
    BuildMessagePair(ThreeMessages(), table, data);
    ASSERT_TRUE(WriteMessagePair(dir, table, data));
    {
        Editor* editor = new Editor();
        LoadMessageFiles(editor->Store, dir.c_str());
        EXPECT_FALSE(StartEditor(*editor));
        ReleaseEditor(*editor);
        delete editor;
        SDL_Quit();
    }
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_TRUE(ReadTestFile(dir, TABLE_FILE_NAME, tableAfter));
    ASSERT_TRUE(ReadTestFile(dir, DATA_FILE_NAME, dataAfter));
    EXPECT_EQ(tableAfter, table);
    EXPECT_EQ(dataAfter, data);
    RemoveTempDir(dir);
}
