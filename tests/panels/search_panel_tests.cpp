// Search panel: the field and its keyboard focus, the Search! button, the result list; and the
// window width as panels open, switch and close.
#include "panel_fixture.h"

#include <cstring>

struct SearchPanelTest : PanelTest
{
    void StartSearch(const std::vector<Text>& messages)
    {
        Start(messages);
        OpenSearchPanel();
        ASSERT_EQ(App->Shell.OpenPanel, PANEL_SEARCH);
    }
    void PressField() { ClickAndShow(500, 48); }
    void PressSearch() { ClickAndShow(480, 70); }
    std::string Field() const { return std::string((const char*)App->Search.SearchText); }
    std::vector<uint32_t> Results() const
    {
        return std::vector<uint32_t>(App->Search.SearchResults.begin(), App->Search.SearchResults.begin() + App->Search.SearchResultCount);
    }
    // Runs a search for text from an empty field.
    void SearchFor(const char* text)
    {
        PressField();
        Type(text);
        Frame();
        PressSearch();
    }
    static PixelBox Bright(const PanelTest& t, int left, int top, int right, int bottom)
    {
        return t.Find(left, top, right, bottom, [](uint32_t c) { return IsWhite(c) || IsYellow(c); });
    }
};

using Found = std::vector<uint32_t>;

static std::vector<Text> HelloMessages(int count)
{
    std::vector<Text> messages;
    for (int i = 0; i < count; i++) messages.push_back(Bytes("Hello") + Text{ CC_END });
    return messages;
}

// ---- Field and keyboard ---------------------------------------------------------------------
TEST_F(SearchPanelTest, FieldTakesTwentyCharactersAndBackspaceStopsAtEmpty)
{
    StartSearch({ Bytes("Hi") + Text{ CC_END } });
    EXPECT_EQ(Field(), "Text to search for.");
    EXPECT_EQ(App->Search.SearchLength, 0);
    EXPECT_GT(Bright(*this, 526, 40, 799, 56).Count, 50); // the placeholder is shown

    PressField();
    EXPECT_EQ(App->Render.SelectionState, SEARCH_TYPING);
    EXPECT_EQ(App->Search.SearchLength, 0);
    EXPECT_EQ(Bright(*this, 526, 40, 799, 56).Count, 0);

    Type("abcdefghijklmnopqrstu");
    Frames(2);
    EXPECT_EQ(App->Search.SearchLength, 20);
    EXPECT_EQ(Field(), "abcdefghijklmnopqrst");
    EXPECT_GT(Bright(*this, 526, 40, 799, 56).Count, 50);
    // Keys that type nothing printable leave the field alone.
    Key(SDLK_RETURN, 13);
    Key(SDLK_DELETE, 127);
    Key(SDLK_a, 0xE9);
    Frame();
    EXPECT_EQ(Field(), "abcdefghijklmnopqrst");

    for (int i = 0; i < 19; i++) Key(SDLK_BACKSPACE, 8);
    Frame();
    EXPECT_EQ(Field(), "a");
    Key(SDLK_BACKSPACE, 8);
    Key(SDLK_BACKSPACE, 8);
    Frame();
    EXPECT_EQ(App->Search.SearchLength, 0);
    for (uint8_t b : App->Search.SearchText) EXPECT_EQ(b, 0);
    Type("~ z");
    Frame();
    EXPECT_EQ(Field(), "~ z");
}

TEST_F(SearchPanelTest, TypingNeverReachesTheMessageWhileTheFieldHasTheKeyboard)
{
    StartSearch({ Bytes("Hi") + Text{ CC_END } });
    PressField();
    Type("xyz");
    Key(SDLK_RETURN, 13);
    Key(SDLK_BACKSPACE, 8);
    Key(SDLK_DELETE, 127);
    Key(SDLK_RIGHT, 0);
    Key(SDLK_LEFT, 0);
    Frames(2);
    EXPECT_EQ(EditText(), (Bytes("Hi") + Text{ CC_END }));
    EXPECT_EQ(App->Store.Cursor, 0u);
    EXPECT_EQ(App->Store.EditState, EDIT_UNCHANGED);
    EXPECT_EQ(Field(), "xy");

    // Presses elsewhere in the panel leave the keyboard with the field.
    PressSearch();
    ClickAndShow(700, 300);
    EXPECT_EQ(App->Render.SelectionState, SEARCH_TYPING);
    Type("w");
    Frame();
    EXPECT_EQ(Field(), "xyw");

    // A press in the message area gives the keyboard back to the message.
    ClickAndShow(300, 120);
    EXPECT_NE(App->Render.SelectionState, SEARCH_TYPING);
    Type("q");
    Frame();
    EXPECT_EQ(EditText(), (Bytes("qHi") + Text{ CC_END }));
    EXPECT_EQ(Field(), "xyw");
}

TEST_F(SearchPanelTest, EscapeQuitsWhileTheFieldHasTheKeyboard)
{
    StartSearch({ Bytes("Hi") + Text{ CC_END } });
    PressField();
    Type("ab");
    Key(SDLK_ESCAPE, 27);
    EXPECT_FALSE(Frame());
    EXPECT_EQ(App->Shell.KeepRunning, 0);
    EXPECT_EQ(Field(), "ab");
}

// ---- Search! --------------------------------------------------------------------------------
TEST_F(SearchPanelTest, FewerThanFiveCharactersLeaveTheButtonInactive)
{
    StartSearch(HelloMessages(3));
    SearchFor("hell");
    EXPECT_EQ(App->Search.SearchResultCount, 0u);
    EXPECT_EQ(Field(), "hell"); // not searched, so not upper-cased
    Type("o");
    Frame();
    // Just outside the button nothing happens either.
    ClickAndShow(461, 70);
    ClickAndShow(513, 70);
    ClickAndShow(480, 63);
    ClickAndShow(480, 79);
    EXPECT_EQ(Field(), "hello");
    EXPECT_EQ(App->Search.SearchResultCount, 0u);
    ClickAndShow(462, 64);
    EXPECT_EQ(Field(), "HELLO");
    EXPECT_EQ(Results(), (Found{ 0, 8, 16 }));
    // The placeholder itself is never searched for.
    App->Search.SearchResults.clear();
    App->Search.SearchResultCount = 0;
    PressField();
    memcpy(App->Search.SearchText, "Text to search for.", 20);
    ClickAndShow(512, 78);
    EXPECT_EQ(App->Search.SearchResultCount, 0u);
}

TEST_F(SearchPanelTest, ButtonTextSitsOnItsHitArea)
{
    StartSearch({ Bytes("Hi") + Text{ CC_END } });
    PixelBox button = Yellow(400, 58, 799, 86);
    ASSERT_GT(button.Count, 30);
    EXPECT_GE(button.Left, 462);
    EXPECT_LE(button.Right, 512);
    EXPECT_GE(button.Top, 64);
    EXPECT_LE(button.Bottom, 78);
}

TEST_F(SearchPanelTest, MatchesStartWithinTheFirstEighteenBytes)
{
    StartSearch({ Text(17, '.') + Bytes("hello") + Text{ CC_END }, Text(18, '.') + Bytes("HELLO") + Text{ CC_END },
                  Bytes("Say Hello") + Text{ CC_END }, Bytes("Hell no") + Text{ CC_END } });
    SearchFor("hello");
    EXPECT_EQ(Field(), "HELLO");
    EXPECT_EQ(Results(), (Found{ 0, 16 }));
}

TEST_F(SearchPanelTest, BlankMatchesALineBreakButNotABoxBreak)
{
    StartSearch({ Bytes("GOOD") + Text{ CC_LINE_BREAK } + Bytes("DAY") + Text{ CC_END },
                  Bytes("GOOD") + Text{ CC_BOX_BREAK } + Bytes(" DAY") + Text{ CC_END },
                  Bytes("good") + Text{ CC_BOX_BREAK } + Bytes("day") + Text{ CC_END },
                  Bytes("A good day") + Text{ CC_END } });
    SearchFor("good day");
    EXPECT_EQ(Results(), (Found{ 0, 24 }));
}

// ---- Result list ----------------------------------------------------------------------------
TEST_F(SearchPanelTest, NinthResultOpensTheSecondRowAndAClickMakesItCurrent)
{
    StartSearch(HelloMessages(10));
    SearchFor("hello");
    ASSERT_EQ(App->Search.SearchResultCount, 10u);
    Frame();
    // Every entry stands inside its own hit box; the ninth begins the second row at (416, 112).
    for (int i = 0; i < 10; i++)
    {
        int x0 = 416 + 45 * (i % 8), y0 = 88 + 24 * (i / 8);
        PixelBox entry = Bright(*this, x0 - 8, y0 - 4, x0 + 40, y0 + 20);
        SCOPED_TRACE(i);
        ASSERT_GT(entry.Count, 20);
        EXPECT_GE(entry.Left, x0);
        EXPECT_LE(entry.Right, x0 + 38);
        EXPECT_GE(entry.Top, y0);
        EXPECT_LE(entry.Bottom, y0 + 16);
    }
    EXPECT_GT(Yellow(416, 88, 446, 104).Count, 20);  // entry 0 is the current message
    EXPECT_EQ(Yellow(416, 112, 446, 128).Count, 0);

    Click(446, 128); // the bottom right corner of the ninth entry
    Frame();
    EXPECT_EQ(App->Store.CurrentEntryPos, 64u);
    EXPECT_EQ(App->Store.CurrentBox, 0u);
    // The panel of the click's frame was drawn before the click.
    EXPECT_EQ(Yellow(416, 112, 446, 128).Count, 0);
    Frame();
    EXPECT_GT(Yellow(416, 112, 446, 128).Count, 20);
    EXPECT_EQ(Yellow(416, 88, 446, 104).Count, 0);
    EXPECT_EQ(App->Store.CurrentMessageId, 0x1008u);
    EXPECT_EQ(App->Store.LoadedEntryPos, 64u);
    // The last digit belongs to its entry; between the entries nothing is selected.
    ClickAndShow(454, 88);
    EXPECT_EQ(App->Store.CurrentEntryPos, 0u);
    ClickAndShow(455, 100);
    ClickAndShow(460, 100);
    ClickAndShow(420, 105);
    ClickAndShow(420, 111);
    ClickAndShow(600, 112);
    EXPECT_EQ(App->Store.CurrentEntryPos, 0u);
    EXPECT_EQ(App->Search.SearchResultCount, 10u);
}

TEST_F(SearchPanelTest, PressingTheFieldEmptiesItWhileTheResultsStay)
{
    StartSearch(HelloMessages(4));
    SearchFor("hello");
    ASSERT_EQ(App->Search.SearchResultCount, 4u);
    PressField();
    EXPECT_EQ(App->Search.SearchLength, 0);
    EXPECT_EQ(Field(), "");
    EXPECT_EQ(Results(), (Found{ 0, 8, 16, 24 }));
    EXPECT_GT(Bright(*this, 416, 88, 600, 104).Count, 50);
    // Switching panels and back keeps text and results.
    Type("abc");
    OpenBoxPanel();
    OpenSearchPanel();
    EXPECT_EQ(Field(), "abc");
    EXPECT_EQ(App->Search.SearchResultCount, 4u);
}

// All results are kept; only the rows inside the window are drawn and can be hit.
TEST_F(SearchPanelTest, ResultsBeyondTheWindowAreKeptButNotShown)
{
    StartSearch(HelloMessages(300));
    SearchFor("hello");
    ASSERT_EQ(App->Search.SearchResultCount, 300u);
    EXPECT_EQ(App->Search.SearchResults.back(), 299u * 8);
    Frames(2);
    // Row 10 starts at y 328 and is cut by the window's bottom edge.
    EXPECT_GT(Bright(*this, 416, 328, 446, 339).Count, 5);
    Click(731 + 38, 339); // entry 87, the last one that can be seen
    Frames(2);
    EXPECT_EQ(App->Store.CurrentEntryPos, 87u * 8);
    EXPECT_GT(Yellow(731, 328, 761, 339).Count, 5);
}

// ---- Window width with panels ---------------------------------------------------------------
TEST_F(PanelTest, WindowWidensWithAPanelStaysWideOnSwitchingAndNarrowsOnCollapse)
{
    Start({ Bytes("Hi") + Text{ CC_END } });
    ClickAndShow(264, 38); // Collapse without a panel does nothing
    EXPECT_EQ(App->Shell.WindowWidth, 400);
    Click(332, 62);
    Frame();
    EXPECT_EQ(App->Shell.OpenPanel, PANEL_TEXT);
    EXPECT_EQ(App->Shell.Screen->w, 400); // the window follows in the next frame
    Frame();
    EXPECT_EQ(App->Shell.Screen->w, 800);
    ClickAndShow(356, 38);
    EXPECT_EQ(App->Shell.OpenPanel, PANEL_BOX);
    EXPECT_EQ(App->Shell.Screen->w, 800);
    EXPECT_EQ(App->Shell.WindowWidth, 800);
    ClickAndShow(300, 36);
    EXPECT_EQ(App->Shell.OpenPanel, PANEL_SEARCH);
    EXPECT_EQ(App->Shell.Screen->w, 800);
    Click(264, 38);
    Frame();
    EXPECT_EQ(App->Shell.OpenPanel, PANEL_NONE);
    EXPECT_EQ(App->Shell.Screen->w, 800);
    Frame();
    EXPECT_EQ(App->Shell.Screen->w, 400);
    EXPECT_EQ(App->Shell.WindowWidth, 400);
    // The Search button works at the narrow width.
    ClickAndShow(300, 36);
    EXPECT_EQ(App->Shell.Screen->w, 800);
}
