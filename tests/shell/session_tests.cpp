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

// One key, then the frames that apply it (two when it loads another box). With Ctrl, a letter
// comes with its control character, as SDL gives it.
static void Press(EditorHarness& h, SDLKey key, int mod = KMOD_NONE, uint16_t unicode = 0, int frames = 1)
{
    if ((mod & KMOD_CTRL) && key >= SDLK_a && key <= SDLK_z) unicode = (uint16_t)(key - SDLK_a + 1);
    PushKey(h, key, unicode, (SDLMod)mod);
    RunFrames(h, frames);
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

// ---- Undo and redo ----
TEST(SessionUndo, TypingACommitDeleteBoxAndATypeChangeUndoToIdenticalFiles)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    Type(h, "xy");
    Press(h, SDLK_RETURN, KMOD_NONE, 13);
    PushClick(h, 380, 218);     // the right arrow commits message 0x1000
    RunFrames(h, 2);
    ASSERT_EQ(s.CurrentEntryPos, 8u);
    PushClick(h, 20, 318);      // Delete Box removes "One"
    RunFrames(h, 2);
    ASSERT_EQ(EditText(h), "Two\x04");
    PushClick(h, 356, 38);      // Box panel, then Staff
    RunFrames(h);
    PushClick(h, 700, 225);
    RunFrames(h);
    ASSERT_EQ(s.MessageTable[8 + 2] >> 4, 3);

    // Newest first: the type, then the deleted box, then the commit back in message 0x1000.
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(s.MessageTable[8 + 2] >> 4, 0);
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "One\x04");
    EXPECT_EQ(s.CurrentEntryPos, 8u);
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 3u);
    Press(h, SDLK_z, KMOD_LCTRL);
    Press(h, SDLK_z, KMOD_LCTRL);                // Return, then "xy" as one step
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 0u);
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_STREQ(h.App->Shell.StatusText, "Nothing to undo");

    // Redo with both keys, then back again.
    Press(h, SDLK_y, KMOD_LCTRL);
    Press(h, SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    Press(h, SDLK_z, KMOD_LCTRL);
    Press(h, SDLK_z, KMOD_LCTRL);
    Press(h, SDLK_ESCAPE, KMOD_NONE, 27);
    ASSERT_TRUE(h.Ended);
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    EXPECT_EQ(FileBytes(h, TABLE_FILE_NAME), table);
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
    EXPECT_TRUE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    EXPECT_GT(CountPixels(h, 100, 323, 290, 16, 0xFFFFFF), 50); // the status line, below the preview

    // Nothing was lost: the next Ctrl+S writes the edit, and the box and cursor stay.
    Press(h, SDLK_s, KMOD_LCTRL);
    EXPECT_STREQ(h.App->Shell.StatusText, "Saved");
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    std::vector<uint8_t> written = FileBytes(h, DATA_FILE_NAME);
    ASSERT_GE(written.size(), 8u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 8), "qABCDEF\x02");
    EXPECT_EQ(s.Cursor, 1u);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    // Typing goes on in the same box; undoing back to the save is saved again.
    Type(h, "r");
    EXPECT_EQ(EditText(h), "qrABCDEF\x02");
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    // The save's commit showed nothing new: one undo takes back the typing and the commit.
    Press(h, SDLK_z, KMOD_LCTRL);
    EXPECT_TRUE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(storeData(), data);
    Press(h, SDLK_y, KMOD_LCTRL);
    EXPECT_EQ(EditText(h), "qABCDEF\x02");
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(storeData(), written);
}

// Neither the placeholder pair of an empty directory nor a damaged pair (held in memory) is written.
TEST(SessionSave, CtrlSNeverWritesThePlaceholderOrOverADamagedPair)
{
    for (bool damaged : { false, true })
    {
        EditorHarness h;
        ASSERT_TRUE(damaged ? OpenHarnessPair(h, Bytes("XYZ"), Bytes("Hello")) : OpenHarnessWithoutFiles(h));
        RunFrames(h, 2);
        std::vector<uint8_t> table = FileBytes(h, TABLE_FILE_NAME), data = FileBytes(h, DATA_FILE_NAME);
        Type(h, "q");
        Press(h, SDLK_s, KMOD_LCTRL);
        EXPECT_STREQ(h.App->Shell.StatusText,
                     damaged ? "Not saved: files missing or damaged" : "Not saved: placeholder message");
        EXPECT_EQ(FileBytes(h, TABLE_FILE_NAME), table);
        EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
        EXPECT_EQ(h.App->Store.EditState, EDIT_MODIFIED);
    }
}

// ---- Go to a message; paging keys ----
TEST(SessionMove, GoToFieldPagingKeysAtTheirLimitsAndEscape)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    Press(h, SDLK_g, KMOD_LCTRL);
    // Hex digits only, at most four; the box gets none of them.
    for (char c : std::string("10x0z22")) PushKey(h, (SDLKey)c, (uint16_t)c);
    PushKey(h, SDLK_BACKSPACE, 8);
    Type(h, "2");
    EXPECT_STREQ((const char*)h.App->Shell.GoToText, "1002");
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    Press(h, SDLK_RETURN, KMOD_NONE, 13, 2);
    EXPECT_FALSE(h.App->Shell.GoToOpen);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    EXPECT_EQ(EditText(h), "Last\x02");

    Press(h, SDLK_g, KMOD_LCTRL);
    Type(h, "beef");
    Press(h, SDLK_RETURN, KMOD_NONE, 13);
    EXPECT_STREQ(h.App->Shell.StatusText, "No message with ID BEEF");
    EXPECT_EQ(s.CurrentEntryPos, 16u);

    // Page keys wrap both ways.
    Press(h, SDLK_PAGEDOWN, KMOD_NONE, 0, 2);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    Press(h, SDLK_PAGEUP, KMOD_NONE, 0, 2);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    Press(h, SDLK_PAGEUP, KMOD_NONE, 0, 2);
    ASSERT_EQ(s.CurrentEntryPos, 8u);
    // Three boxes: Ctrl+Page Up does nothing on the first, Ctrl+Page Down stops at the last.
    Press(h, SDLK_PAGEUP, KMOD_LCTRL);
    EXPECT_EQ(s.CurrentBox, 0u);
    EXPECT_EQ(s.ReloadPending, 0);
    for (int i = 0; i < 4; i++) Press(h, SDLK_PAGEDOWN, KMOD_LCTRL);
    EXPECT_EQ(s.CurrentBox, 2u);
    EXPECT_EQ(EditText(h), "Three\x02");
    Press(h, SDLK_END);
    EXPECT_EQ(s.Cursor, 5u);
    Press(h, SDLK_HOME);
    EXPECT_EQ(s.Cursor, 0u);
    EXPECT_EQ(s.EditState, EDIT_UNCHANGED);
    // Escape closes the go-to field and nothing more; the next Escape quits as always.
    Press(h, SDLK_g, KMOD_LCTRL);
    Press(h, SDLK_ESCAPE, KMOD_NONE, 27);
    EXPECT_FALSE(h.Ended);
    EXPECT_FALSE(h.App->Shell.GoToOpen);
    Press(h, SDLK_ESCAPE, KMOD_NONE, 27);
    EXPECT_TRUE(h.Ended);
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
