// Box Options panel: icon pages and choices, sound arrows, position and type rows.
#include "panel_fixture.h"

struct BoxPanelTest : PanelTest
{
    // True when the 40 x 40 icon place at (x, 40) shows exactly the strip's cell over the panel
    // background, with or without the frame on top.
    bool PlaceShows(int x, int cell, bool framed)
    {
        SDL_Surface* screen = App->Shell.Screen;
        SDL_Surface* expected = SDL_CreateRGBSurface(SDL_SWSURFACE, 40, 40, 32, screen->format->Rmask,
                                                     screen->format->Gmask, screen->format->Bmask, 0);
        SDL_Rect panelPart = { (Sint16)(x - 400), 40, 40, 40 };
        SDL_BlitSurface(App->Shell.Images[IMAGE_PANEL], &panelPart, expected, nullptr);
        SDL_Rect cellPart = { (Sint16)(cell * 40), 0, 40, 40 };
        if (cell < 109) SDL_BlitSurface(App->Shell.Images[IMAGE_ICON_STRIP], &cellPart, expected, nullptr);
        if (framed) SDL_BlitSurface(App->Shell.Images[IMAGE_ICON_FRAME], nullptr, expected, nullptr);
        bool same = true;
        for (int py = 0; py < 40 && same; py++)
            for (int px = 0; px < 40 && same; px++)
            {
                uint32_t raw = *(const uint32_t*)((const uint8_t*)expected->pixels + py * expected->pitch + px * 4);
                Uint8 r, g, b;
                SDL_GetRGB(raw, expected->format, &r, &g, &b);
                same = Pixel(x + px, 40 + py) == (((uint32_t)r << 16) | ((uint32_t)g << 8) | b);
            }
        SDL_FreeSurface(expected);
        return same;
    }
    // Which of the eight places of the page shown carries the frame (-1 for none, -2 for more).
    int FramedPlace()
    {
        int framed = -1;
        for (int place = 0; place < 8; place++)
        {
            int cell = App->Shell.IconScroll / 40 + place;
            if (PlaceShows(460 + place * 40, cell, true) && !PlaceShows(460 + place * 40, cell, false))
                framed = framed == -1 ? place : -2;
        }
        return framed;
    }
    void ScrollRight(int pages)
    {
        for (int i = 0; i < pages; i++) Click(790, 56);
        Frames(2);
    }
    void ScrollLeft(int pages)
    {
        for (int i = 0; i < pages; i++) Click(455, 56);
        Frames(2);
    }
    // Clicks place 0 to 7 of the page shown.
    void ClickPlace(int place) { ClickAndShow(460 + place * 40 + 20, 60); }
    // The new box is loaded at the end of the click's frame, its preview in the next reports its
    // icon and sound, and the panel of the frame after that shows them.
    void NextMessageButton()
    {
        Click(379, 218);
        Frames(3);
    }
};

// ---- Icon strip -----------------------------------------------------------------------------
TEST_F(BoxPanelTest, BoxWithoutIconOpensTheLastPageFramingTheNoIconPicture)
{
    Start({ Bytes("Hello") + Text{ CC_END } });
    OpenBoxPanel();
    EXPECT_EQ(App->Render.ShownIcon, NO_ICON);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    EXPECT_EQ(FramedPlace(), 4);
    EXPECT_TRUE(PlaceShows(620, 108, true));
    // The three places after the no-icon picture stay as the panel background.
    EXPECT_TRUE(PlaceShows(660, 109, false));
    EXPECT_TRUE(PlaceShows(740, 111, false));
}

TEST_F(BoxPanelTest, FrameOnlyOnThePageThatHoldsTheIcon)
{
    Start({ Text{ CC_ICON, 20 } + Bytes("Key") + Text{ CC_END } });
    OpenBoxPanel();
    EXPECT_EQ(App->Shell.IconScroll, 640);
    EXPECT_EQ(FramedPlace(), 4);
    ScrollRight(1);
    EXPECT_EQ(App->Shell.IconScroll, 960);
    EXPECT_EQ(FramedPlace(), -1);
    ScrollLeft(2);
    EXPECT_EQ(App->Shell.IconScroll, 320);
    EXPECT_EQ(FramedPlace(), -1);
    ScrollRight(1);
    EXPECT_EQ(FramedPlace(), 4);
}

TEST_F(BoxPanelTest, HighIconsAreFramedOnTheirShiftedCell)
{
    // Icon 107 lies in cell 95: page 11, place 7.
    Start({ Text{ CC_ICON, 107 } + Bytes("Mask") + Text{ CC_END } });
    OpenBoxPanel();
    EXPECT_EQ(App->Shell.IconScroll, 3520);
    EXPECT_EQ(FramedPlace(), 7);
}

TEST_F(BoxPanelTest, ClickOnTheLeftArrowAndFirstPlaceScrollsThenChooses)
{
    Start({ Text{ CC_ICON, 20 } + Bytes("Key") + Text{ CC_END } });
    OpenBoxPanel();
    ASSERT_EQ(App->Shell.IconScroll, 640);
    ClickAndShow(460, 56);
    EXPECT_EQ(App->Shell.IconScroll, 320);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 8 } + Bytes("Key") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownIcon, 8);
    EXPECT_EQ(App->Render.PendingIcon, NO_ICON);
    ClickAndShow(461, 64);
    EXPECT_EQ(App->Shell.IconScroll, 0);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0 } + Bytes("Key") + Text{ CC_END }));
    // On the first page only the icon is chosen.
    ClickAndShow(460, 48);
    EXPECT_EQ(App->Shell.IconScroll, 0);
    EXPECT_EQ(App->Render.ShownIcon, 0);
    // Just left of the strip only the arrow counts.
    App->Shell.IconScroll = 320;
    ClickAndShow(455, 56);
    EXPECT_EQ(App->Shell.IconScroll, 0);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0 } + Bytes("Key") + Text{ CC_END }));
}

TEST_F(BoxPanelTest, CellsAboveEightyNineStandForIconsTwelveHigher)
{
    Start({ Text{ CC_ICON, 5 } + Bytes("Jar") + Text{ CC_END } });
    OpenBoxPanel();
    ScrollRight(11); // cells 88 to 95
    ASSERT_EQ(App->Shell.IconScroll, 3520);
    const int expected[8] = { 88, 89, 102, 103, 104, 105, 106, 107 };
    for (int place = 0; place < 8; place++)
    {
        ClickPlace(place);
        EXPECT_EQ(App->Store.EditBuffer[1], expected[place]) << "place " << place;
        EXPECT_EQ(App->Render.ShownIcon, expected[place]);
    }
    // The box now carries icon 107: its frame stands on cell 95.
    EXPECT_EQ(FramedPlace(), 7);
}

TEST_F(BoxPanelTest, NoIconPictureAndEmptyPlacesRemoveTheIcon)
{
    Start({ Text{ CC_ICON, 5 } + Bytes("Jar") + Text{ CC_END }, Text{ CC_ICON, 6 } + Bytes("Pot") + Text{ CC_END },
            Bytes("Plain") + Text{ CC_END }, Text{ CC_ICON, 7 } + Bytes("Cup") + Text{ CC_END } });
    OpenBoxPanel();
    ScrollRight(20);
    ClickPlace(4);
    EXPECT_EQ(EditText(), (Bytes("Jar") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownIcon, NO_ICON);

    NextMessageButton();
    ASSERT_EQ(App->Shell.IconScroll, 0);
    ScrollRight(13);
    ClickPlace(7);
    EXPECT_EQ(EditText(), (Bytes("Pot") + Text{ CC_END }));

    // A box without icon has nothing to remove, and the choice is not kept for the next box.
    NextMessageButton();
    ClickPlace(6);
    EXPECT_EQ(EditText(), (Bytes("Plain") + Text{ CC_END }));
    EXPECT_EQ(App->Render.PendingIcon, NO_ICON);
    NextMessageButton();
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 7 } + Bytes("Cup") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownIcon, 7);
}

TEST_F(BoxPanelTest, ChoosingAnIconForABoxWithoutOneInsertsTheCode)
{
    Start({ Bytes("Plain") + Text{ CC_END } });
    OpenBoxPanel();
    ScrollLeft(13);
    ASSERT_EQ(App->Shell.IconScroll, 0);
    ClickPlace(3);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 3 } + Bytes("Plain") + Text{ CC_END }));
    Frame();
    EXPECT_EQ(App->Render.ShownIcon, 3);
    EXPECT_EQ(FramedPlace(), 3);
}

// A gap of 19 pixels carries the byte of CC_ICON as its argument: the page and the frame follow
// the box's real icon code, and a choice replaces that code's argument, not the text.
TEST_F(BoxPanelTest, ArgumentBytesThatLookLikeAnIconCodeAreLeftAlone)
{
    Text shift19{ CC_SHIFT, CC_ICON };
    Start({ shift19 + Bytes("Ab") + Text{ CC_ICON, 20 } + Bytes("Key") + Text{ CC_END } });
    OpenBoxPanel();
    EXPECT_EQ(App->Render.ShownIcon, 20);
    EXPECT_EQ(App->Shell.IconScroll, 640);
    EXPECT_EQ(FramedPlace(), 4);
    ClickPlace(1);
    EXPECT_EQ(EditText(), (shift19 + Bytes("Ab") + Text{ CC_ICON, 17 } + Bytes("Key") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownIcon, 17);
}

// Icon 0's argument is a zero byte: the box must keep the text behind it through the commit.
TEST_F(BoxPanelTest, IconZeroKeepsTheRestOfTheBox)
{
    Start({ Text{ CC_ICON, 20 } + Bytes("Key") + Text{ CC_END }, Bytes("Next") + Text{ CC_END } });
    OpenBoxPanel();
    ScrollLeft(2);
    ClickPlace(0);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0 } + Bytes("Key") + Text{ CC_END }));
    Frame();
    EXPECT_EQ(App->Render.ShownIcon, 0);
    // The preview still draws the text after the icon code.
    EXPECT_GT(White(120, 200, 200, 230).Count, 10);

    NextMessageButton();
    uint32_t offset = ReadTextOffset(App->Store, 0);
    EXPECT_EQ(Text(App->Store.MessageData.begin() + offset, App->Store.MessageData.begin() + offset + 6),
              (Text{ CC_ICON, 0 } + Bytes("Key") + Text{ CC_END }));
    Click(14, 218);
    Frames(3);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0 } + Bytes("Key") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownIcon, 0);
    EXPECT_EQ(App->Shell.IconScroll, 0);
}

TEST_F(BoxPanelTest, ScrollingStopsAtTheFirstAndLastPage)
{
    Start({ Text{ CC_ICON, 0 } + Bytes("A") + Text{ CC_END } });
    OpenBoxPanel();
    ASSERT_EQ(App->Shell.IconScroll, 0);
    ScrollLeft(1);
    EXPECT_EQ(App->Shell.IconScroll, 0);
    ScrollRight(12);
    EXPECT_EQ(App->Shell.IconScroll, 3840);
    ScrollRight(1);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    ScrollRight(3);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    // The right arrow reaches to the window's edge; x 781 is neither arrow nor strip.
    ScrollLeft(1);
    ClickAndShow(799, 48);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    ClickAndShow(781, 56);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    ClickAndShow(790, 47);
    EXPECT_EQ(App->Shell.IconScroll, 4160);
    EXPECT_EQ(EditText(), (Text{ CC_ICON, 0 } + Bytes("A") + Text{ CC_END }));
}

// ---- Sound ----------------------------------------------------------------------------------
struct SoundArrowTest : BoxPanelTest
{
    void Left() { ClickAndShow(470, 108); }
    void Right() { ClickAndShow(698, 108); }
    static Text SoundCode(int index)
    {
        return Text{ CC_SOUND, (uint8_t)(SoundIdTable[index] >> 8), (uint8_t)SoundIdTable[index] };
    }
    // Pixels of the sound name between the arrows.
    std::vector<uint32_t> SoundNamePixels()
    {
        std::vector<uint32_t> pixels;
        for (int y = 100; y < 118; y++)
            for (int x = 477; x < 693; x++) pixels.push_back(Pixel(x, y));
        return pixels;
    }
};

TEST_F(SoundArrowTest, FromNoSoundTheRightArrowInsertsTheFirstAndTheLeftRemovesIt)
{
    Start({ Bytes("Moo") + Text{ CC_END } });
    OpenBoxPanel();
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
    Right();
    EXPECT_EQ(EditText(), (SoundCode(0) + Bytes("Moo") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, 0);
    EXPECT_EQ(App->Store.EditState, EDIT_MODIFIED);
    Left();
    EXPECT_EQ(EditText(), (Bytes("Moo") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
}

TEST_F(SoundArrowTest, FromNoSoundTheLeftArrowInsertsTheLastAndTheRightRemovesIt)
{
    Start({ Bytes("Moo") + Text{ CC_END } });
    OpenBoxPanel();
    Left();
    EXPECT_EQ(EditText(), (SoundCode(SOUND_COUNT - 1) + Bytes("Moo") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT - 1);
    Right();
    EXPECT_EQ(EditText(), (Bytes("Moo") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
}

TEST_F(SoundArrowTest, ArrowsReplaceTheIdOfTheFirstSoundCode)
{
    Start({ Bytes("Hi") + SoundCode(9) + Bytes("!") + Text{ CC_END } });
    OpenBoxPanel();
    ASSERT_EQ(App->Render.ShownSound, 9);
    Right();
    EXPECT_EQ(EditText(), (Bytes("Hi") + SoundCode(10) + Bytes("!") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, 10);
    Left();
    Left();
    EXPECT_EQ(EditText(), (Bytes("Hi") + SoundCode(8) + Bytes("!") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, 8);
}

TEST_F(SoundArrowTest, UnknownSoundIdIsShownAsNoSound)
{
    Start({ Bytes("Quiet") + Text{ CC_END }, Text{ CC_SOUND, 0x12, 0x34 } + Bytes("Odd") + Text{ CC_END },
            SoundCode(9) + Bytes("Hey") + Text{ CC_END } });
    OpenBoxPanel();
    std::vector<uint32_t> noSound = SoundNamePixels();
    NextMessageButton();
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
    EXPECT_EQ(SoundNamePixels(), noSound);
    NextMessageButton();
    EXPECT_EQ(App->Render.ShownSound, 9);
    EXPECT_NE(SoundNamePixels(), noSound);
    // Leaving "No Sound" over an unknown code inserts a known one before it.
    Click(14, 218);
    Frames(3);
    Right();
    EXPECT_EQ(EditText(), (SoundCode(0) + Text{ CC_SOUND, 0x12, 0x34 } + Bytes("Odd") + Text{ CC_END }));
}

// Icon 18 and a gap of 18 pixels carry the byte 0x12 as their argument: the arrows must change
// the sound code the panel shows, never the text behind such an argument.
TEST_F(SoundArrowTest, ArgumentBytesThatLookLikeASoundCodeAreLeftAlone)
{
    Text icon18{ CC_ICON, CC_SOUND }, shift18{ CC_SHIFT, CC_SOUND };
    Start({ icon18 + Bytes("Hi") + SoundCode(1) + Text{ CC_END },
            shift18 + Bytes("Yo") + SoundCode(0) + Bytes("!") + Text{ CC_END } });
    OpenBoxPanel();
    ASSERT_EQ(App->Render.ShownSound, 1);
    Right();
    EXPECT_EQ(EditText(), (icon18 + Bytes("Hi") + SoundCode(2) + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, 2);
    EXPECT_EQ(App->Render.ShownIcon, 18);

    NextMessageButton();
    ASSERT_EQ(App->Render.ShownSound, 0);
    Left();
    EXPECT_EQ(EditText(), (shift18 + Bytes("Yo!") + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
}

TEST_F(SoundArrowTest, SoundInsertObeysTheRoomRule)
{
    Text full(EDIT_TEXT_MAX - 2, 'a');
    Start({ full + Text{ CC_END } });
    OpenBoxPanel();
    Right();
    EXPECT_EQ(EditText(), (full + Text{ CC_END }));
    EXPECT_EQ(App->Render.ShownSound, SOUND_COUNT);
}

// ---- Position and type ----------------------------------------------------------------------
TEST_F(BoxPanelTest, PositionAndTypeEachKeepTheOtherNibble)
{
    Start({ Bytes("Sign") + Text{ CC_END } }, { 0x35 });
    OpenBoxPanel();
    ClickAndShow(560, 170);
    EXPECT_EQ(TypeByte2(), 0x32);
    ClickAndShow(660, 162);
    EXPECT_EQ(TypeByte2(), 0x31);
    ClickAndShow(504, 180);
    EXPECT_EQ(TypeByte2(), 0x30);
    ClickAndShow(540, 225);
    EXPECT_EQ(TypeByte2(), 0x10);
    ClickAndShow(700, 235);
    EXPECT_EQ(TypeByte2(), 0x30);
    ClickAndShow(620, 218);
    EXPECT_EQ(TypeByte2(), 0x20);
    ClickAndShow(460, 230);
    EXPECT_EQ(TypeByte2(), 0x00);
    ClickAndShow(470, 255);
    EXPECT_EQ(TypeByte2(), 0x40);
    ClickAndShow(735, 265);
    EXPECT_EQ(TypeByte2(), 0x50);
    // Gaps between the options and the rows change nothing; neither does the box text.
    ClickAndShow(520, 170);
    ClickAndShow(510, 225);
    ClickAndShow(500, 245);
    ClickAndShow(745, 255);
    EXPECT_EQ(TypeByte2(), 0x50);
    EXPECT_EQ(App->Store.CurrentEntry[2], 0x50);
    EXPECT_EQ(EditText(), (Bytes("Sign") + Text{ CC_END }));
    EXPECT_EQ(App->Store.EditState, EDIT_UNCHANGED);
}

struct HighlightCase
{
    uint8_t TypeByte;
    int Top, Bottom, Left, Right; // where the yellow option must lie
};

// The highlighted option of each state is drawn inside the area that chooses it; values
// without an option of their own show Bottom and None.
TEST_F(BoxPanelTest, HighlightedOptionSitsInItsHitArea)
{
    const HighlightCase cases[] = {
        { 0x00, 162, 180, 448, 504 }, { 0x02, 162, 180, 552, 602 }, { 0x01, 162, 180, 653, 681 },
        { 0x03, 162, 180, 448, 504 }, { 0x0F, 162, 180, 448, 504 },
        { 0x00, 218, 235, 448, 489 }, { 0x10, 218, 235, 530, 565 }, { 0x20, 218, 235, 616, 645 },
        { 0x30, 218, 235, 695, 730 }, { 0x40, 250, 265, 450, 490 }, { 0x50, 250, 265, 530, 740 },
        { 0x60, 250, 265, 450, 490 }, { 0xF0, 250, 265, 450, 490 },
    };
    Start({ Bytes("Where") + Text{ CC_END } });
    OpenBoxPanel();
    for (const HighlightCase& c : cases)
    {
        App->Store.MessageTable[2] = c.TypeByte;
        Frames(2);
        bool positionRow = c.Top == 162;
        PixelBox row = positionRow ? Yellow(400, 150, 799, 190) : Yellow(400, 210, 799, 275);
        SCOPED_TRACE(c.TypeByte);
        ASSERT_GT(row.Count, 20);
        EXPECT_GE(row.Left, c.Left);
        EXPECT_LE(row.Right, c.Right);
        EXPECT_GE(row.Top, c.Top);
        EXPECT_LE(row.Bottom, c.Bottom);
        // White text stands on both rows beside it.
        EXPECT_GT(White(400, positionRow ? 162 : 218, 799, positionRow ? 180 : 235).Count, 50);
    }
}
