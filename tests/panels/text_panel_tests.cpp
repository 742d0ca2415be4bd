// Text Options panel: the special-character palette and the colour swatches.
#include "panel_fixture.h"

#include <algorithm>
#include <cstring>

struct TextPanelTest : PanelTest
{
    void SetUp() override
    {
        PanelTest::SetUp();
        Start({ Bytes("Hello") + Text{ CC_END } });
        OpenTextPanel();
        ASSERT_EQ(App->Shell.OpenPanel, PANEL_TEXT);
        ASSERT_EQ(App->Store.Cursor, 0u);
    }
    // The byte a click inserts at the cursor, or -1 when the text stays as it was.
    int Inserted(int x, int y)
    {
        Text before = EditText();
        uint32_t cursor = App->Store.Cursor;
        Click(x, y);
        Frame();
        Text after = EditText();
        if (after == before) return -1;
        EXPECT_EQ(after.size(), before.size() + 1);
        EXPECT_EQ(App->Store.Cursor, cursor + 1);
        return after[cursor];
    }
};

// ---- Palette --------------------------------------------------------------------------------
TEST_F(TextPanelTest, PaletteColumnsStartTwoPixelsLeftOfTheGlyphs)
{
    EXPECT_EQ(Inserted(546, 50), 0x80); // the first accented letter; 0x7F is none
    EXPECT_EQ(Inserted(559, 66), 0x80);
    EXPECT_EQ(Inserted(560, 50), 0x81);
    EXPECT_EQ(Inserted(799, 60), 0x8F);
    EXPECT_EQ(Inserted(546, 67), 0x90);
    EXPECT_EQ(Inserted(783, 82), 0x9E); // the last letter
    EXPECT_EQ(Inserted(546, 83), 0x9F);
    EXPECT_EQ(Inserted(733, 98), 0xAA);
    EXPECT_EQ(EditText(), (Text{ 0x80, 0x80, 0x81, 0x8F, 0x90, 0x9E, 0x9F, 0xAA } + Bytes("Hello") + Text{ CC_END }));
    EXPECT_EQ(App->Store.EditState, EDIT_MODIFIED);
}

TEST_F(TextPanelTest, LastPlaceOfRowTwoInsertsTheYenSign)
{
    EXPECT_EQ(Inserted(784, 75), 0x5C);
    EXPECT_EQ(Inserted(799, 67), 0x5C);
}

TEST_F(TextPanelTest, RowThreeEndsWithThePlayerPortraitAndTheDpad)
{
    EXPECT_EQ(Inserted(734, 90), CC_PLAYER);
    EXPECT_EQ(Inserted(740, 90), CC_PLAYER);
    EXPECT_EQ(Inserted(750, 83), CC_PLAYER);
    EXPECT_EQ(Inserted(751, 90), -1);
    EXPECT_EQ(Inserted(752, 90), 0xAB);
    EXPECT_EQ(Inserted(767, 98), 0xAB);
    EXPECT_EQ(Inserted(768, 90), -1);
    EXPECT_EQ(Inserted(799, 98), -1);
}

TEST_F(TextPanelTest, LabelsAndTheLeftOfThePaletteInsertNothing)
{
    EXPECT_EQ(Inserted(545, 50), -1);
    EXPECT_EQ(Inserted(450, 60), -1);  // "Special Characters:"
    EXPECT_EQ(Inserted(500, 90), -1);
    EXPECT_EQ(Inserted(600, 49), -1);
    EXPECT_EQ(Inserted(600, 99), -1);
    EXPECT_EQ(Inserted(500, 130), -1); // "Selected Text Color:"
    EXPECT_EQ(Inserted(600, 20), -1);  // title
    EXPECT_EQ(EditText(), (Bytes("Hello") + Text{ CC_END }));
    EXPECT_EQ(App->Store.EditState, EDIT_UNCHANGED);
}

TEST_F(TextPanelTest, PaletteInsertObeysTheRoomRule)
{
    Text full(EDIT_TEXT_MAX - 1, 'a');
    memcpy(App->Store.EditBuffer, full.data(), full.size());
    App->Store.EditBuffer[full.size()] = CC_END;
    App->Store.EditBuffer[full.size() + 1] = TEXT_NUL;
    ASSERT_EQ(EditTextLength(App->Store), EDIT_TEXT_MAX);
    EXPECT_EQ(Inserted(546, 50), -1);
    EXPECT_EQ(App->Store.Cursor, 0u);
}

// Each place's glyph is drawn inside the column that inserts it.
TEST_F(TextPanelTest, GlyphsStandInTheirHitColumns)
{
    const int rowTop[3] = { 50, 67, 83 };
    const int places[3] = { 16, 16, 14 };
    for (int row = 0; row < 3; row++)
        for (int k = 0; k < places[row]; k++)
        {
            // Column of place k: x 544 + 16k to 559 + 16k, clipped at the window's edge.
            int left = 544 + 16 * k, right = left + 15;
            if (right > 799) right = 799;
            PixelBox glyph = Find(left, rowTop[row], right, rowTop[row] + 15,
                                  [](uint32_t c) { return (c >> 16) >= 0xA0 || ((c >> 8) & 0xFF) >= 0xA0 || (c & 0xFF) >= 0xA0; });
            SCOPED_TRACE(testing::Message() << "row " << row << " place " << k);
            EXPECT_GT(glyph.Count, 3);
            EXPECT_GE(glyph.Left, 546 + 16 * k);
        }
    // Nothing of the palette is drawn right of row 3's last place.
    EXPECT_EQ(Find(768, 83, 799, 98, IsWhite).Count, 0);
}

// ---- Swatches -------------------------------------------------------------------------------
TEST_F(TextPanelTest, SwatchesShowTheTextColours)
{
    for (int i = 0; i < TEXT_COLOR_COUNT; i++)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(Pixel(640 + 20 * i, 125), TextColorTable[i]);
        EXPECT_EQ(Pixel(655 + 20 * i, 140), TextColorTable[i]);
    }
    EXPECT_NE(Pixel(657, 130), TextColorTable[0]);
    EXPECT_NE(Pixel(640, 141), TextColorTable[0]);
}

TEST_F(TextPanelTest, ColouringWithoutSelectionWrapsTheFirstByte)
{
    ClickAndShow(665, 133);
    EXPECT_EQ(EditText(), (Text{ CC_COLOR, 0x41, 'H', CC_COLOR, 0x40 } + Bytes("ello") + Text{ CC_END }));
    EXPECT_EQ(App->Store.Cursor, 0u);
}

TEST_F(TextPanelTest, SwatchEdgesAreInclusiveAndTheGapsHitNothing)
{
    ClickAndShow(656, 141);
    Text once = Text{ CC_COLOR, 0x40, 'H', CC_COLOR, 0x40 } + Bytes("ello") + Text{ CC_END };
    EXPECT_EQ(EditText(), once);
    ClickAndShow(657, 130);
    ClickAndShow(659, 130);
    ClickAndShow(700, 124);
    ClickAndShow(700, 142);
    ClickAndShow(639, 130);
    ClickAndShow(797, 130);
    EXPECT_EQ(EditText(), once);
    ClickAndShow(796, 125); // right edge of swatch 7 (black)
    EXPECT_EQ(App->Store.EditBuffer[1], 0x47);
}

TEST_F(TextPanelTest, SwatchColoursTheSelectionMadeInThePreview)
{
    // Drag over "ell": press on the "e", move over the second "l" and release there in a later
    // frame; the selection stays while the pointer goes to the panel.
    int y = 214;
    Press(91, y);
    Frame();
    Motion(100, y);
    Frame();
    Release(100, y);
    Frame();
    ASSERT_EQ(App->Render.SelectionState, SELECT_MADE);
    uint32_t first = std::min(App->Render.Selection.SelectionAnchor, App->Render.Selection.SelectionEnd);
    uint32_t last = std::max(App->Render.Selection.SelectionAnchor, App->Render.Selection.SelectionEnd);
    ASSERT_LT(first, last);
    ASSERT_LT(last, 5u);
    ClickAndShow(705, 130); // swatch 3, blue
    Text expected = Bytes("Hello");
    expected.insert(expected.begin() + last + 1, { CC_COLOR, 0x40 });
    expected.insert(expected.begin() + first, { CC_COLOR, 0x43 });
    expected.push_back(CC_END);
    EXPECT_EQ(EditText(), expected);
    EXPECT_EQ(App->Render.SelectionState, SELECT_MADE);
}
