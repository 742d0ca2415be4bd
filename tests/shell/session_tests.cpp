// The session keys in the window, headless: undo and redo back to the loaded files, save now,
// the go-to field and the paging keys at their limits.
#include "harness.h"
#include "encoding.h"
#include "file_layer.h"
#include "text_measure.h"
#include "testdata.h"
#include <cstring>
#include <gtest/gtest.h>

static const std::vector<uint8_t> END = { CC_END };
static const std::vector<uint8_t> BREAK = { CC_BOX_BREAK };

// Message 0x1000: one box; 0x1001: three boxes; 0x1002: one box.
static std::vector<std::vector<uint8_t>> ThreeMessages()
{
    return { Bytes("ABCDEF") + END, Bytes("One") + BREAK + Bytes("Two") + BREAK + Bytes("Three") + END,
             Bytes("Last") + END };
}

static std::string EditText(const EditorHarness& h) { return std::string((const char*)h.App->Store.EditBuffer); }

static void OpenShown(EditorHarness& h, std::vector<uint8_t>& table, std::vector<uint8_t>& data)
{
    BuildMessagePair(ThreeMessages(), table, data);
    ASSERT_TRUE(OpenHarnessPair(h, table, data));
    ASSERT_TRUE(RunFrames(h, 2));
}

static void Ctrl(EditorHarness& h, SDLKey key, int mod = KMOD_LCTRL)
{
    PushKey(h, key, 0, (SDLMod)mod);
    RunFrames(h);
}

static std::vector<uint8_t> FileBytes(const EditorHarness& h, const char* name)
{
    std::vector<uint8_t> bytes;
    ReadTestFile(h.Dir, name, bytes);
    return bytes;
}

static const int RIGHT_ARROW_X = 380, ARROW_Y = 218;
static const int DELETE_BOX_X = 20, DELETE_BOX_Y = 318;

// ---- Undo and redo ----------------------------------------------------------------------------------
TEST(SessionUndo, TypingACommitDeleteBoxAndATypeChangeUndoToIdenticalFiles)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;

    PushKey(h, SDLK_x, 'x');
    PushKey(h, SDLK_y, 'y');
    RunFrames(h);
    PushKey(h, SDLK_RETURN, 13);
    RunFrames(h);
    PushClick(h, RIGHT_ARROW_X, ARROW_Y);       // commits message 0x1000
    RunFrames(h, 2);
    ASSERT_EQ(s.CurrentEntryPos, 8u);
    PushClick(h, DELETE_BOX_X, DELETE_BOX_Y);   // removes "One"
    RunFrames(h, 2);
    ASSERT_EQ(EditText(h), "Two\x04");
    PushClick(h, 356, 38);                      // Box panel, then Staff
    RunFrames(h);
    PushClick(h, 700, 225);
    RunFrames(h);
    ASSERT_EQ(s.MessageTable[8 + 2] >> 4, 3);
    EXPECT_EQ(h.App->History.Steps.size(), 5u); // "xy" is one step

    // Newest first: the type, then the deleted box, then the commit back in message 0x1000.
    Ctrl(h, SDLK_z);
    EXPECT_EQ(s.MessageTable[8 + 2] >> 4, 0);
    Ctrl(h, SDLK_z);
    EXPECT_EQ(EditText(h), "One\x04");
    EXPECT_EQ(s.CurrentEntryPos, 8u);
    Ctrl(h, SDLK_z);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 3u);
    Ctrl(h, SDLK_z);
    Ctrl(h, SDLK_z);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(s.Cursor, 0u);
    Ctrl(h, SDLK_z);
    EXPECT_STREQ(h.App->Shell.StatusText, "Nothing to undo");

    // Redo with both keys, then back again.
    Ctrl(h, SDLK_y);
    Ctrl(h, SDLK_z, KMOD_LCTRL | KMOD_LSHIFT);
    EXPECT_EQ(EditText(h), "xy\x01" "ABCDEF\x02");
    Ctrl(h, SDLK_z);
    Ctrl(h, SDLK_z);

    PushKey(h, SDLK_ESCAPE, 27);
    RunFrames(h);
    ASSERT_TRUE(h.Ended);
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    EXPECT_EQ(FileBytes(h, TABLE_FILE_NAME), table);
}

TEST(SessionUndo, CtrlWithOtherKeysStillTypesNothingAndChangesNothing)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    // Ctrl+Z reaches SDL as the control character 0x1A: never typed, also without a step.
    PushKey(h, SDLK_z, 0x1A, KMOD_LCTRL);
    PushKey(h, SDLK_q, 0x11, KMOD_LCTRL);
    RunFrames(h);
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(h.App->History.Steps.size(), 0u);
    EXPECT_TRUE(h.App->Shell.KeepRunning);
}

// ---- Save now -----------------------------------------------------------------------------------------
TEST(SessionSave, CtrlSWritesWhileRunningAndKeepsTheBoxAndCursor)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    PushKey(h, SDLK_q, 'q');
    RunFrames(h);
    EXPECT_TRUE(HasUnsavedChanges(h.App->History));
    Ctrl(h, SDLK_s);
    EXPECT_FALSE(h.Ended);
    EXPECT_STREQ(h.App->Shell.StatusText, "Saved");
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    std::vector<uint8_t> written = FileBytes(h, DATA_FILE_NAME);
    ASSERT_GE(written.size(), 8u);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 8), "qABCDEF\x02");
    EXPECT_EQ(s.Cursor, 1u);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    // Typing goes on in the same box; undoing past the save marks the session unsaved again.
    PushKey(h, SDLK_r, 'r');
    RunFrames(h);
    EXPECT_EQ(EditText(h), "qrABCDEF\x02");
    Ctrl(h, SDLK_z);
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    // The save's commit showed nothing new: one undo takes back the typing and the commit.
    Ctrl(h, SDLK_z);
    EXPECT_TRUE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    EXPECT_EQ(std::vector<uint8_t>(s.MessageData.begin(), s.MessageData.begin() + s.MessageDataSize), data);
    Ctrl(h, SDLK_y);
    EXPECT_EQ(EditText(h), "qABCDEF\x02");
    EXPECT_FALSE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(std::vector<uint8_t>(s.MessageData.begin(), s.MessageData.begin() + s.MessageDataSize), written);
}

static bool FailEveryRename(FileStep step, const char*) { return step == FILE_STEP_RENAME; }

TEST(SessionSave, AFailedSaveSaysSoAndTheSessionGoesOn)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    PushKey(h, SDLK_q, 'q');
    RunFrames(h);
    FileFaultHook = FailEveryRename;
    Ctrl(h, SDLK_s);
    FileFaultHook = nullptr;
    EXPECT_FALSE(h.Ended);
    EXPECT_STREQ(h.App->Shell.StatusText, "Save failed: files left as they were");
    EXPECT_TRUE(HasUnsavedChanges(h.App->History));
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), data);
    // The status line stands in the free area under the third credit line.
    EXPECT_GT(CountPixels(h, 100, 323, 290, 16, 0xFFFFFF), 50);
    // Nothing was lost: quitting writes the edit.
    PushQuit(h);
    RunFrames(h);
    ASSERT_TRUE(h.Ended);
    EXPECT_EQ(h.ExitStatus, 0);
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME)[0], 'q');
}

TEST(SessionSave, ThePlaceholderPairIsNeverWrittenByCtrlS)
{
    EditorHarness h;
    ASSERT_TRUE(OpenHarnessWithoutFiles(h));
    RunFrames(h, 2);
    std::vector<uint8_t> before = FileBytes(h, DATA_FILE_NAME);
    PushKey(h, SDLK_q, 'q');
    RunFrames(h);
    Ctrl(h, SDLK_s);
    EXPECT_STREQ(h.App->Shell.StatusText, "Not saved: placeholder message");
    EXPECT_EQ(FileBytes(h, DATA_FILE_NAME), before);
    EXPECT_EQ(h.App->Store.EditState, EDIT_MODIFIED);
}

// ---- Go to a message ----------------------------------------------------------------------------------
TEST(SessionGoTo, ReturnGoesToTheIdUnknownSaysSoEscapeOnlyCloses)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    Ctrl(h, SDLK_g);
    ASSERT_TRUE(h.App->Shell.GoToOpen);
    // Hex digits only, at most four; the box gets none of them.
    for (char c : std::string("10x0z22"))
        PushKey(h, (SDLKey)c, (uint16_t)c);
    PushKey(h, SDLK_BACKSPACE, 8);
    PushKey(h, SDLK_2, '2');
    RunFrames(h);
    EXPECT_STREQ((const char*)h.App->Shell.GoToText, "1002");
    EXPECT_EQ(EditText(h), "ABCDEF\x02");
    PushKey(h, SDLK_RETURN, 13);
    RunFrames(h, 2);
    EXPECT_FALSE(h.App->Shell.GoToOpen);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    EXPECT_EQ(EditText(h), "Last\x02");

    Ctrl(h, SDLK_g);
    for (char c : std::string("beef")) PushKey(h, (SDLKey)c, (uint16_t)c);
    PushKey(h, SDLK_RETURN, 13);
    RunFrames(h);
    EXPECT_STREQ(h.App->Shell.StatusText, "No message with ID BEEF");
    EXPECT_EQ(s.CurrentEntryPos, 16u);

    // Escape closes the field and nothing more; the next Escape quits as always.
    Ctrl(h, SDLK_g);
    PushKey(h, SDLK_ESCAPE, 27);
    RunFrames(h);
    EXPECT_FALSE(h.Ended);
    EXPECT_FALSE(h.App->Shell.GoToOpen);
    PushKey(h, SDLK_ESCAPE, 27);
    RunFrames(h);
    EXPECT_TRUE(h.Ended);
}

// ---- Paging keys ----------------------------------------------------------------------------------------
TEST(SessionPaging, PageKeysWrapBoxKeysStopHomeAndEndReachTheEnds)
{
    EditorHarness h;
    std::vector<uint8_t> table, data;
    OpenShown(h, table, data);
    MessageStore& s = h.App->Store;
    PushKey(h, SDLK_PAGEUP);
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentEntryPos, 16u);
    PushKey(h, SDLK_PAGEDOWN);
    RunFrames(h, 2);
    EXPECT_EQ(s.CurrentEntryPos, 0u);
    PushKey(h, SDLK_PAGEDOWN);
    RunFrames(h, 2);
    ASSERT_EQ(s.CurrentEntryPos, 8u);

    // Three boxes: Ctrl+Page Up does nothing on the first, Ctrl+Page Down stops at the last.
    Ctrl(h, SDLK_PAGEUP);
    EXPECT_EQ(s.CurrentBox, 0u);
    EXPECT_EQ(s.ReloadPending, 0);
    for (int i = 0; i < 4; i++) Ctrl(h, SDLK_PAGEDOWN);
    EXPECT_EQ(s.CurrentBox, 2u);
    EXPECT_EQ(EditText(h), "Three\x02");

    PushKey(h, SDLK_END);
    RunFrames(h);
    EXPECT_EQ(s.Cursor, 5u);
    PushKey(h, SDLK_HOME);
    RunFrames(h);
    EXPECT_EQ(s.Cursor, 0u);
    EXPECT_EQ(s.EditState, EDIT_UNCHANGED);
}

// ---- Overflow marks -------------------------------------------------------------------------------------
TEST(SessionOverflow, OnlyLinesPastTheBoxGraphicGetTheRedBar)
{
    EditorHarness h;
    // Line 1 fits; line 2 runs far past the right edge; a sixth line lies below the box.
    std::vector<uint8_t> lines = Bytes("Fits") + std::vector<uint8_t>{ CC_LINE_BREAK } +
                                 Bytes("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    for (int i = 0; i < 4; i++) lines = lines + std::vector<uint8_t>{ CC_LINE_BREAK } + Bytes("x");
    ASSERT_TRUE(OpenHarness(h, { Bytes("Short") + END, lines + END }));
    ASSERT_TRUE(RunFrames(h, 2));
    const uint32_t RED = 0xFF0000;
    EXPECT_EQ(CountPixels(h, 340, 160, 40, 180, RED), 0);

    PushKey(h, SDLK_PAGEDOWN);
    RunFrames(h, 2);
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
