// The session keys in the window, headless: undo and redo back to the loaded files, save now,
// the go-to field, the paging keys at their limits and the overflow marks.
#include "harness.h"
#include "encoding.h"
#include "file_layer.h"
#include "text_measure.h"
#include "testdata.h"
#include <gtest/gtest.h>

static const std::vector<uint8_t> END = { CC_END }, BREAK = { CC_BOX_BREAK }, LINE = { CC_LINE_BREAK };

// Message 0x1000: one box; 0x1001: three boxes; 0x1002: one box.
static void OpenShown(EditorHarness& h, std::vector<uint8_t>& table, std::vector<uint8_t>& data)
{
    BuildMessagePair({ Bytes("ABCDEF") + END, Bytes("One") + BREAK + Bytes("Two") + BREAK + Bytes("Three") + END,
                       Bytes("Last") + END }, table, data);
    ASSERT_TRUE(OpenHarnessPair(h, table, data));
    ASSERT_TRUE(RunFrames(h, 2));
}

// A key as SDL gives it (Ctrl+letter brings a control character), each time followed by two
// frames: the second loads another box when the key asked for one.
static void Press(EditorHarness& h, SDLKey key, int mod = KMOD_NONE, int times = 1)
{
    uint16_t unicode = key < 128 ? (uint16_t)key : 0;
    if ((mod & KMOD_CTRL) && key >= SDLK_a && key <= SDLK_z) unicode = (uint16_t)(key - SDLK_a + 1);
    for (int i = 0; i < times; i++)
    {
        PushKey(h, key, unicode, (SDLMod)mod);
        RunFrames(h, 2);
    }
}
static void Type(EditorHarness& h, const std::string& text)
{
    for (char c : text) PushKey(h, (SDLKey)c, (uint16_t)c);
    RunFrames(h);
}
static std::string EditText(const EditorHarness& h) { return (const char*)h.App->Store.EditBuffer; }
static std::vector<uint8_t> FileBytes(const EditorHarness& h, const char* name)
{
    std::vector<uint8_t> bytes;
    ReadTestFile(h.Dir, name, bytes);
    return bytes;
}

// ---- Undo and redo; go to a message; paging keys ----
TEST(SessionUndoAndMove, EditsUndoToIdenticalFilesAndTheGoToAndPagingKeysChangeNothing)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    Type(h, "xy");
    Press(h, SDLK_RETURN);
    PushClick(h, 380, 218);     // the right arrow commits message 0x1000
    RunFrames(h, 2);
    PushClick(h, 20, 318);      // Delete Box removes "One"
    RunFrames(h, 2);
    ASSERT_EQ(EditText(h), "Two\x04");
    PushClick(h, 356, 38);      // Box panel, then Staff
    RunFrames(h);
    PushClick(h, 700, 225);
    RunFrames(h);
    ASSERT_EQ(s.MessageTable[8 + 2] >> 4, 3);

    // Newest first (the type, the deleted box, the commit), each shown where it was made.
    Press(h, SDLK_z, KMOD_LCTRL, 2);
    EXPECT_EQ(EditText(h), "One\x04");
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 3u);
    Press(h, SDLK_z, KMOD_LCTRL, 2);             // Return, then "xy" as one step
    EXPECT_EQ(s.Cursor, 0u);
    Press(h, SDLK_z, KMOD_LCTRL);                // nothing left to undo
    // Redo with both keys, then back again.
    Press(h, SDLK_y, KMOD_LCTRL);
    Press(h, SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    Press(h, SDLK_z, KMOD_LCTRL, 2);

    // Back at the loaded state: the go-to field, then the paging keys, which change nothing.
    Press(h, SDLK_g, KMOD_LCTRL);
    Type(h, "10x0z22\b2"); // hex digits only, at most four; the box gets none of them
    EXPECT_STREQ((const char*)h.App->Shell.GoToText, "1002");
    Press(h, SDLK_RETURN);
    EXPECT_EQ(EditText(h), "Last\x02");
    Press(h, SDLK_g, KMOD_LCTRL);
    Type(h, "beef\r");
    EXPECT_STREQ(h.App->Shell.StatusText, "No message with ID BEEF");

    // Page keys wrap both ways.
    Press(h, SDLK_PAGEDOWN);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    Press(h, SDLK_PAGEUP);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    Press(h, SDLK_PAGEUP);
    ASSERT_EQ(s.CurrentEntryPos, 8u);
    // Three boxes: Ctrl+Page Up does nothing on the first, Ctrl+Page Down stops at the last.
    Press(h, SDLK_PAGEUP, KMOD_LCTRL);
    EXPECT_EQ(s.CurrentBox, 0u);
    Press(h, SDLK_PAGEDOWN, KMOD_LCTRL, 4);
    EXPECT_EQ(EditText(h), "Three\x02");
    Press(h, SDLK_END);
    EXPECT_EQ(s.Cursor, 5u);
    Press(h, SDLK_HOME);
    EXPECT_EQ(s.Cursor, 0u);
    // Escape closes the go-to field and nothing more; the next Escape quits as always.
    Press(h, SDLK_g, KMOD_LCTRL);
    Press(h, SDLK_ESCAPE);
    EXPECT_FALSE(h.Ended || h.App->Shell.GoToOpen);
    Press(h, SDLK_ESCAPE);
    ASSERT_TRUE(h.Ended);
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    EXPECT_EQ(FileBytes(h, TABLE_FILE_NAME), table);
}

// ---- The game's codes: the element line and Ctrl+J ----
TEST(SessionCodes, TheLineNamesTheElementAtTheCursorAndCtrlJFollowsTheNextMessageCode)
{
    EditorHarness h;
    // The next-message code names 0x1002, whose low byte is CC_END.
    ASSERT_TRUE(OpenHarness(h, { Bytes("Go") + std::vector<uint8_t>{ CC_TWO_CHOICE, CC_NEXT_MESSAGE, 0x10, CC_END } + END,
                                 Bytes("Mid") + END, Bytes("Last") + END }));
    ASSERT_TRUE(RunFrames(h, 2));
    MessageStore& s = h.App->Store;
    auto line = [&]() {
        char text[64];
        DescribeElementAtCursor(s, text, sizeof(text));
        return std::string(text);
    };
    EXPECT_EQ(line(), "character \"G\" (47)");
    Press(h, SDLK_RIGHT, KMOD_NONE, 2);
    EXPECT_EQ(line(), "two-way choice");
    Press(h, SDLK_RIGHT);
    EXPECT_EQ(line(), "goes on with message 1002");
    Press(h, SDLK_RIGHT);
    EXPECT_EQ(s.Cursor, 6u);
    EXPECT_EQ(line(), "end of the message");
    EXPECT_GT(CountPixels(h, 84, 292, 180, 16, 0xFFFFFF), 50);

    Press(h, SDLK_j, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "Last\x02");
    Press(h, SDLK_j, KMOD_LCTRL);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    EXPECT_STREQ(h.App->Shell.StatusText, "This box names no next message");
}

// ---- Save now ----
static bool FailEveryRename(FileStep step, const char*) { return step == FILE_STEP_RENAME; }

TEST(SessionSave, CtrlSFailsKeepingTheSessionThenWritesAndOneUndoTakesBackTypingAndCommit)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    auto storeData = [&] { return std::vector<uint8_t>(s.MessageData.begin(), s.MessageData.begin() + s.MessageDataSize); };
    Type(h, "q");
    FileFaultHook = FailEveryRename;
    Press(h, SDLK_s, KMOD_LCTRL);
    FileFaultHook = nullptr;
    EXPECT_STREQ(h.App->Shell.StatusText, "Save failed: files left as they were");
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    EXPECT_GT(CountPixels(h, 100, 323, 290, 16, 0xFFFFFF), 50); // the status line, below the preview

    // Nothing was lost: the next Ctrl+S writes the edit; the box and cursor stay.
    Press(h, SDLK_s, KMOD_LCTRL);
    std::vector<uint8_t> written = FileBytes(h, DATA_FILE_NAME);
    EXPECT_EQ(std::string(written.begin(), written.end()).substr(0, 8), "qABCDEF\x02");
    EXPECT_EQ(s.Cursor, 1u);
    // The save's commit showed nothing new: one undo takes back the typing and the commit.
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(storeData(), data);
    Press(h, SDLK_y, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "qABCDEF\x02");
    EXPECT_EQ(storeData(), written);
    EXPECT_FALSE(HasUnsavedChanges(h.App->History)); // back at the saved state

    // Neither the placeholder pair of an empty directory nor a damaged pair is ever written.
    for (bool damaged : { false, true })
    {
        EditorHarness p;
        ASSERT_TRUE(damaged ? OpenHarnessPair(p, Bytes("XYZ"), Bytes("Hello")) : OpenHarnessWithoutFiles(p));
        RunFrames(p, 2);
        std::vector<uint8_t> before = FileBytes(p, TABLE_FILE_NAME) + FileBytes(p, DATA_FILE_NAME);
        Type(p, "q");
        Press(p, SDLK_s, KMOD_LCTRL);
        EXPECT_STREQ(p.App->Shell.StatusText,
                     damaged ? "Not saved: files missing or damaged" : "Not saved: placeholder message");
        EXPECT_EQ(FileBytes(p, TABLE_FILE_NAME) + FileBytes(p, DATA_FILE_NAME), before);
        EXPECT_EQ(p.App->Store.EditState, EDIT_MODIFIED);
    }
}

// ---- Overflow marks ----
TEST(SessionOverflow, OnlyLinesPastTheBoxGraphicGetTheRedBar)
{
    EditorHarness h;
    // Line 1 fits; line 2 runs far past the right edge; a sixth line lies below the box.
    std::vector<uint8_t> lines = Bytes("Fits") + LINE + Bytes("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    for (int i = 0; i < 4; i++) lines = lines + LINE + Bytes("x");
    ASSERT_TRUE(OpenHarness(h, { lines + END }));
    ASSERT_TRUE(RunFrames(h, 2));
    const uint32_t RED = 0xFF0000;
    LineMeasure measured[8];
    BoxMeasure m = MeasureBoxText(h.App->Store.EditBuffer, EditTextLength(h.App->Store), BOX_BLACK, measured, 8);
    ASSERT_EQ(m.LineCount, 6u);
    int barX = m.RightEdge - 1;
    EXPECT_EQ(CountPixels(h, barX, measured[0].Y, 2, 16, RED), 0);   // "Fits"
    EXPECT_EQ(CountPixels(h, barX, measured[1].Y, 2, 16, RED), 32);  // too wide
    EXPECT_EQ(CountPixels(h, barX, measured[5].Y, 2, 16, RED), 32);  // below the box
    // Typing it short again takes the mark away in the same frame.
    PushKey(h, SDLK_HOME);
    for (int i = 0; i < 5; i++) PushKey(h, SDLK_RIGHT);
    for (int i = 0; i < 25; i++) PushKey(h, SDLK_DELETE, 127);
    RunFrames(h);
    EXPECT_EQ(CountPixels(h, barX, measured[1].Y, 2, 16, RED), 0);
}

// ---- A message longer than the game's buffer ----
TEST(SessionMessageLength, TheStatusLineSaysSoWhileTheCursorIsInAMessageTooLongForTheGame)
{
    EditorHarness h;
    // 0x1000: exactly the buffer's 1280 bytes; 0x1001: one more, the short first box included.
    ASSERT_TRUE(OpenHarness(h, { std::vector<uint8_t>(GAME_MESSAGE_MAX - 1, 'x') + END,
                                 Bytes("ab") + BREAK + std::vector<uint8_t>(GAME_MESSAGE_MAX - 3, 'y') + END }));
    ASSERT_TRUE(RunFrames(h, 2));
    MessageStore& s = h.App->Store;
    auto status = [&]() {
        char text[STATUS_TEXT_SIZE + 16];
        ComposeStatusLine(*h.App, text, sizeof(text));
        return std::string(text);
    };
    const std::string TOO_LONG = "Message too long: 1281 of 1280 bytes";
    auto statusDrawn = [&]() { return CountPixels(h, 100, 323, 290, 16, 0xFFFFFF) > 50; };
    EXPECT_EQ(status(), "");
    EXPECT_FALSE(statusDrawn());
    // The box as typed counts before any commit, and a byte taken away again ends the warning.
    Type(h, "q");
    EXPECT_EQ(status(), TOO_LONG);
    EXPECT_TRUE(statusDrawn());
    Press(h, SDLK_BACKSPACE);
    EXPECT_EQ(status(), "");

    // Every box of the long message, the short one as well.
    Press(h, SDLK_PAGEDOWN);
    EXPECT_EQ(status(), TOO_LONG);
    Press(h, SDLK_PAGEDOWN, KMOD_LCTRL);
    ASSERT_EQ(s.CurrentBox, 1u);
    EXPECT_EQ(status(), TOO_LONG);
    // The outcome of a key pressed at this box comes first; carried to another box it gives way
    // (and shows in a message that fits, as always).
    Press(h, SDLK_j, KMOD_LCTRL);
    EXPECT_EQ(status(), "This box names no next message");
    Press(h, SDLK_PAGEUP);
    EXPECT_EQ(status(), "This box names no next message");
    Press(h, SDLK_PAGEDOWN);
    EXPECT_EQ(status(), TOO_LONG);

    // A commit makes 0x1000 long in the data; undo takes back the commit, then the typing.
    Press(h, SDLK_PAGEUP);
    Type(h, "q");
    Press(h, SDLK_PAGEDOWN);
    Press(h, SDLK_PAGEUP);
    ASSERT_EQ(s.EditState, EDIT_UNCHANGED);
    EXPECT_EQ(status(), TOO_LONG);
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(CurrentMessageLength(s), GAME_MESSAGE_MAX + 1);
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(CurrentMessageLength(s), GAME_MESSAGE_MAX);
    EXPECT_EQ(status(), "Undone");
}
