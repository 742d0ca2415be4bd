// The text renderer on its own: drawn onto plain 32-bit surfaces (no window), compared pixel by
// pixel with other drawings or checked for the colours the tint rule gives.
#include "text_render.h"
#include "text_measure.h"
#include "assets.h"
#include "encoding.h"
#include "glyph_table.h"
#include "sound_table.h"
#include <cstring>
#include <gtest/gtest.h>
#include <string>

// ---- Fixture ----
struct Canvas
{
    SDL_Surface* Surface;
    Canvas(uint32_t fill = 0x000000)
    {
        Surface = SDL_CreateRGBSurface(SDL_SWSURFACE, 400, 340, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
        SDL_FillRect(Surface, NULL, SDL_MapRGB(Surface->format, fill >> 16, (fill >> 8) & 0xFF, fill & 0xFF));
    }
    ~Canvas() { SDL_FreeSurface(Surface); }
    uint32_t At(int x, int y) const
    {
        Uint32 v = *(const Uint32*)((const Uint8*)Surface->pixels + y * Surface->pitch + x * 4);
        Uint8 r, g, b;
        SDL_GetRGB(v, Surface->format, &r, &g, &b);
        return (uint32_t)r << 16 | (uint32_t)g << 8 | b;
    }
    // Pixels of the rectangle that differ between two canvases.
    int Differences(const Canvas& other, int x0 = 0, int y0 = 0, int x1 = 400, int y1 = 340) const
    {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (At(x, y) != other.At(x, y)) n++;
        return n;
    }
    int Count(uint32_t rgb, int x0 = 0, int y0 = 0, int x1 = 400, int y1 = 340) const
    {
        int n = 0;
        for (int y = y0; y < y1; y++)
            for (int x = x0; x < x1; x++)
                if (At(x, y) == rgb) n++;
        return n;
    }
};

class RenderTest : public ::testing::Test
{
protected:
    RenderState Render;
    MessageStore Store;
    SDL_Surface* Icons = nullptr;

    void SetUp() override
    {
        Icons = DecodeEmbeddedImage(IMAGE_ICON_STRIP);
        ASSERT_NE(Icons, nullptr);
        ASSERT_TRUE(InitRenderer(Render, Icons));
        Store.BoxLoaded = true; // as after the first load: the renderer's icon edits apply
        Store.Cursor = 5000;    // no cursor mark unless a test asks for one
    }
    void TearDown() override
    {
        ShutdownRenderer(Render);
        if (Icons) SDL_FreeSurface(Icons);
    }

    void Plain(Canvas& c, int x, int y, const std::string& text, bool fixed = false)
    {
        SDL_Rect at = { (Sint16)x, (Sint16)y, 0, 0 };
        DrawEncodedText(Render, Store, at, 0, c.Surface, PLAIN, (const uint8_t*)text.c_str(), fixed);
    }
    // Puts the text into EditBuffer and draws it as the preview does.
    void Preview(Canvas& c, const std::string& text)
    {
        memset(Store.EditBuffer, 0, sizeof(Store.EditBuffer));
        memcpy(Store.EditBuffer, text.data(), text.size());
        SDL_Rect at = { 81, 202, 0, 0 };
        DrawEncodedText(Render, Store, at, 0, c.Surface, PREVIEW, Store.EditBuffer, false);
    }
};

static std::string Code(uint8_t code, uint8_t argument) { return std::string({ (char)code, (char)argument }); }
static const std::string BR = "\x01";
static const std::string END = "\x02";

// ---- TintFont ----
TEST(TintFont, MultipliesEachColourByteModulo256AndKeepsAlpha)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    ASSERT_NE(s, nullptr);
    uint8_t* p = (uint8_t*)s->pixels;
    const uint8_t original[8] = { 200, 100, 50, 77, 255, 255, 255, 255 };
    memcpy(p, original, 8);

    // Factors 256 - k: 255, 254, 253. 200 * 255 = 51000 = 199 * 256 + 56.
    TintFont(s, 0x010203);
    EXPECT_EQ(p[0], 56);
    EXPECT_EQ(p[1], (100 * 254) % 256);
    EXPECT_EQ(p[2], (50 * 253) % 256);
    EXPECT_EQ(p[3], 77);
    EXPECT_EQ(p[4], 1); // white becomes exactly the component
    EXPECT_EQ(p[5], 2);
    EXPECT_EQ(p[6], 3);
    EXPECT_EQ(p[7], 255);

    // The table's colours keep (0xFF) or clear (0x00) a byte.
    memcpy(p, original, 8);
    TintFont(s, 0xFF00FF);
    const uint8_t magenta[8] = { 200, 0, 50, 77, 255, 0, 255, 255 };
    EXPECT_EQ(memcmp(p, magenta, 8), 0);
    SDL_FreeSurface(s);
}

// ---- Colours ----
TEST_F(RenderTest, RedLetterHasRedGlyphAndBlackShadow)
{
    Canvas c(0xFFFFFF);
    Plain(c, 20, 20, Code(CC_COLOR, 0x41) + "A");
    int red = 0, shadow = 0, other = 0;
    for (int y = 20; y < 36; y++)
        for (int x = 20; x < 36; x++)
        {
            uint32_t v = c.At(x, y);
            int r = v >> 16, g = (v >> 8) & 0xFF, b = v & 0xFF;
            if (v == 0xFF0000) red++;
            else if (r == g && g == b && r < 0x80) shadow++;   // black shadow over white
            else if (!(g == b && r >= g)) other++;             // neither red nor grey
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(shadow, 3);
    EXPECT_EQ(other, 0);
}

TEST_F(RenderTest, EachColourCodeStartsFromTheWhiteSheet)
{
    // Red, then white again: the second "A" matches a plain white "A", not a mix.
    Canvas coloured, white, outOfRange;
    Plain(coloured, 20, 20, Code(CC_COLOR, 0x41) + "A" + Code(CC_COLOR, 0x40) + "A");
    Plain(white, 20, 20, "AA");
    int firstWidth = GlyphAdvance('A');
    EXPECT_GT(coloured.Differences(white, 20, 20, 20 + firstWidth, 36), 10);
    EXPECT_EQ(coloured.Differences(white, 20 + firstWidth, 0, 400, 340), 0);

    // An argument outside 0x40..0x47 draws white.
    Plain(outOfRange, 20, 20, Code(CC_COLOR, 0x41) + Code(CC_COLOR, 0x99) + "AA");
    EXPECT_EQ(outOfRange.Differences(white), 0);
}

TEST_F(RenderTest, CursorAndPortraitTakeTheColourInForce)
{
    Canvas c;
    Store.Cursor = 3; // after CC_COLOR 0x41 and CC_PLAYER
    Preview(c, Code(CC_COLOR, 0x41) + "\x0F" + END);
    // Portrait at x 81, cursor at x 97: no green or blue anywhere.
    int coloured = 0, greenOrBlue = 0;
    for (int y = 200; y < 240; y++)
        for (int x = 81; x < 113; x++)
        {
            uint32_t v = c.At(x, y);
            if (v != 0) coloured++;
            if (v & 0x00FFFF) greenOrBlue++;
        }
    EXPECT_GT(coloured, 20);
    EXPECT_EQ(greenOrBlue, 0);
    EXPECT_GT(c.Count(0xFF0000, 97, 210, 113, 226), 3); // the red cursor mark
}

TEST_F(RenderTest, CachedSheetsDrawTheSamePictureAsDecodingEveryTime)
{
    const std::string text = Code(CC_COLOR, 0x41) + "Red " + Code(CC_COLOR, 0x42) + "green" + BR +
                             Code(CC_COLOR, 0x44) + "cyan \x0F" + Code(CC_COLOR, 0x46) + " yellow" + BR +
                             Code(CC_COLOR, 0x47) + "black" + Code(CC_COLOR, 0x45) + "magenta" + BR +
                             Code(CC_COLOR, 0x43) + "blue" + Code(CC_COLOR, 0x40) + "white \x80\x9F" + END;
    Canvas cached(0x808080), decoded(0x808080);
    Store.Cursor = 10;
    Preview(cached, text);
    Render.DecodeEveryCall = true;
    Preview(decoded, text);
    EXPECT_EQ(cached.Differences(decoded), 0);
    EXPECT_GT(cached.Count(0x808080), 0);
    EXPECT_LT(cached.Count(0x808080), 400 * 340 - 500); // something was drawn
}

// ---- Layout ----
TEST_F(RenderTest, PreviewCentresByLineBreaks)
{
    // 0 to 5 line breaks: the first line at 210, 202, 194, 186, 178, 178.
    const int expectedTop[6] = { 210, 202, 194, 186, 178, 178 };
    for (int breaks = 0; breaks <= 5; breaks++)
    {
        SCOPED_TRACE(breaks);
        std::string lines = "Ag";
        for (int i = 0; i < breaks; i++) lines += BR + "Ag";
        Canvas preview, plain;
        Preview(preview, lines + END);
        Plain(plain, 81, expectedTop[breaks], lines);
        EXPECT_EQ(preview.Differences(plain), 0);
        EXPECT_GT(preview.Count(0xFFFFFF), 10);
    }
    // An icon's argument equal to CC_LINE_BREAK is not a line break.
    Canvas iconPreview, plain;
    Preview(iconPreview, Code(CC_ICON, 0x01) + "Ag" + END);
    Plain(plain, 81 + 40, 210, "Ag");
    EXPECT_EQ(iconPreview.Differences(plain, 120, 0, 400, 340), 0);
}

TEST_F(RenderTest, IconIndentsTheRestOfTheLineAndLaterLines)
{
    // Icon 128 lies beyond the strip: nothing is drawn for it, but the text still moves.
    Canvas atStart, expected;
    Preview(atStart, Code(CC_ICON, 128) + "AB" + BR + "C" + END);
    Plain(expected, 121, 202, "AB" + BR + "C");
    EXPECT_EQ(atStart.Differences(expected), 0);
    EXPECT_EQ(Render.ShownIcon, 128);

    Canvas middle, expectedMiddle;
    Preview(middle, "A" + Code(CC_ICON, 128) + "B" + BR + "C" + END);
    Plain(expectedMiddle, 81, 202, "A" + Code(CC_SHIFT, 40) + "B");
    Plain(expectedMiddle, 121, 218, "C");
    EXPECT_EQ(middle.Differences(expectedMiddle), 0);

    // A real icon is drawn at (71, 198) wherever its code stands.
    Canvas withIcon;
    Preview(withIcon, "A" + Code(CC_ICON, 5) + "B" + END);
    EXPECT_GT(withIcon.Differences(middle, 71, 198, 111, 238), 100);
    EXPECT_EQ(Render.ShownIcon, 5);
}

TEST_F(RenderTest, FixedAdvanceAndUnassignedBytes)
{
    Canvas fixed, spaced;
    Plain(fixed, 20, 20, "iW", true);
    Plain(spaced, 20, 20, "i");
    Plain(spaced, 36, 20, "W");
    EXPECT_EQ(fixed.Differences(spaced), 0);

    // An unassigned byte: a hollow box, then the next glyph 7 pixels on.
    Canvas box, letter;
    Plain(box, 20, 20, "\xB0" "A");
    Plain(letter, 27, 20, "A");
    EXPECT_EQ(box.Differences(letter, 27, 0, 400, 340), 0);
    int boxPixels = box.Count(0xFFFFFF, 20, 20, 27, 36);
    EXPECT_GT(boxPixels, 10);
    EXPECT_LT(boxPixels, 7 * 16); // hollow
    EXPECT_EQ(box.At(23, 28), 0u);
}

// Each controller symbol, the D-pad last among them, is drawn within its advance: the letter after
// it stands where it stands alone, 13 pixels on.
TEST_F(RenderTest, ControllerSymbolsAreDrawnWithinTheirAdvance)
{
    for (int b = SYMBOL_FIRST; b <= SYMBOL_LAST; b++)
    {
        SCOPED_TRACE(b);
        ASSERT_EQ(GlyphAdvance((uint8_t)b), 13);
        Canvas symbol, letter;
        Plain(symbol, 20, 20, std::string(1, (char)b) + "A");
        Plain(letter, 33, 20, "A");
        EXPECT_EQ(symbol.Differences(letter, 33, 0, 400, 340), 0);
        EXPECT_GT(symbol.Count(0xFFFFFF, 20, 20, 33, 36), 40);
    }
}

TEST_F(RenderTest, CursorMarkStandsWhereTheByteAtCursorIsDrawn)
{
    // Empty box with the cursor at 0: the mark alone at (81, 210).
    Canvas empty, mark;
    Store.Cursor = 0;
    Preview(empty, END);
    Plain(mark, 81, 210, "|");
    EXPECT_EQ(empty.Differences(mark), 0);
    EXPECT_EQ(Render.EndMarkerCell, 32);

    // After a line break the mark starts the new line.
    Canvas afterBreak, expected;
    Store.Cursor = 2;
    Preview(afterBreak, "A" + BR + "B" + "\x04");
    Plain(expected, 81, 202, "A" + BR + "|");
    Plain(expected, 81, 218, "B");
    EXPECT_EQ(afterBreak.Differences(expected), 0);
    EXPECT_EQ(Render.EndMarkerCell, 0);

    // A cursor inside a code's argument shows no mark.
    Canvas inside, none;
    Store.Cursor = 1;
    Preview(inside, Code(CC_COLOR, 0x40) + "A" + END);
    Plain(none, 81, 210, "A");
    EXPECT_EQ(inside.Differences(none), 0);
}

// ---- Hand-over fields ----
TEST_F(RenderTest, SoundAndEndMarkerReports)
{
    Canvas c;
    Preview(c, Code(CC_SOUND, 0x28) + "\xDF" "Moo" + "\x0C" "more" + END);
    EXPECT_EQ(Render.ShownSound, 20);
    EXPECT_EQ(Render.EndMarkerCell, 0);
    EXPECT_EQ(Render.ShownIcon, NO_ICON);
    Preview(c, Code(CC_SOUND, 0x12) + "\x34" "x" + END);
    EXPECT_EQ(Render.ShownSound, SOUND_COUNT);
    Render.EndMarkerCell = 16;
    Preview(c, "no terminator");
    EXPECT_EQ(Render.EndMarkerCell, 16);
}

TEST_F(RenderTest, PendingIconIsAppliedByThePreview)
{
    Canvas c;
    // Replace the argument of the box's icon code.
    Render.PendingIcon = 0x20;
    Preview(c, "A" + Code(CC_ICON, 5) + "B" + END);
    EXPECT_EQ(std::string((const char*)Store.EditBuffer), "A" + Code(CC_ICON, 0x20) + "B" + END);
    EXPECT_EQ(Render.ShownIcon, 0x20);
    EXPECT_EQ(Render.PendingIcon, NO_ICON);

    // Insert at the start when the box has none; shown from the next call. The cursor stays
    // on its letter, not inside the new code.
    Render.PendingIcon = 7;
    Store.Cursor = 1;
    Preview(c, "Hi" + END);
    EXPECT_EQ(std::string((const char*)Store.EditBuffer), Code(CC_ICON, 7) + "Hi" + END);
    EXPECT_EQ(Store.Cursor, 3u);
    Store.Cursor = 5000;
    EXPECT_EQ(Render.ShownIcon, NO_ICON);
    EXPECT_EQ(Render.PendingIcon, NO_ICON);

    // Remove: the rest of the line is drawn where it now stands, without the indent.
    Canvas removed, plain;
    Render.PendingIcon = REMOVE_ICON;
    Preview(removed, "A" + Code(CC_ICON, 5) + "B" + END);
    EXPECT_EQ(std::string((const char*)Store.EditBuffer), "AB" + END);
    EXPECT_EQ(Render.ShownIcon, NO_ICON);
    EXPECT_EQ(Render.PendingIcon, NO_ICON);
    Plain(plain, 81, 210, "AB");
    EXPECT_EQ(removed.Differences(plain), 0);

    // Remove while the box has no icon: stays pending.
    Render.PendingIcon = REMOVE_ICON;
    Preview(c, "AB" + END);
    EXPECT_EQ(Render.PendingIcon, REMOVE_ICON);
}

TEST_F(RenderTest, PlainTextLeavesTheSelectionAlone)
{
    Canvas c;
    Render.SelectionState = SELECT_PRESSED;
    Render.PointerX = 25;
    Render.PointerY = 25;
    Store.Cursor = 0;
    Plain(c, 20, 20, "ABC");
    EXPECT_EQ(Render.SelectionState, SELECT_PRESSED);
    EXPECT_EQ(Store.Cursor, 0u);
    EXPECT_EQ(c.Count(0xD3AFFF), 0);
}

TEST_F(RenderTest, CodesCutOffByTheEndOfTheTextStopTheDrawing)
{
    Canvas c, plain;
    Preview(c, "AB" + std::string(1, (char)CC_SOUND) + "\x28");
    Plain(plain, 81, 210, "AB");
    EXPECT_EQ(c.Differences(plain), 0);
}

TEST_F(RenderTest, ZeroByteInsideTheBoxDrawsAsAnUnassignedByte)
{
    // The store keeps a zero byte inside a box (its text ends at the zero behind the
    // terminator): the preview shows a hollow box for it and goes on with the rest.
    Store.BoxLoaded = true;
    Store.BoxReadOnly = false;
    Canvas zero, unassigned;
    Preview(zero, std::string("A") + '\0' + "B" + END);
    Preview(unassigned, "A\xB0" "B" + END);
    EXPECT_EQ(zero.Differences(unassigned), 0);
    Canvas a;
    Preview(a, "A" + END);
    EXPECT_GT(zero.Differences(a), 10);
}

// ---- The game's codes ----
// A box of every code with arguments, each argument a byte that looks like structure: it is
// drawn exactly as with harmless arguments (none drawn, none an end, a break or a line). The
// gap and the icon are left out, as their arguments change the picture by design, and the
// delayed box break, which ends the drawing.
TEST_F(RenderTest, ArgumentBytesAreNeverDrawnOrTakenForStructure)
{
    auto box = [](uint8_t argument) {
        std::string text = "Hi";
        for (int code = 0; code < CONTROL_CODE_COUNT; code++)
        {
            if (ControlArgumentCount((uint8_t)code) == 0 || code == CC_SHIFT || code == CC_ICON ||
                code == CC_BOX_BREAK_ALT)
                continue;
            text += (char)code;
            text += std::string(ControlArgumentCount((uint8_t)code), (char)argument);
        }
        return text + "Ho" + END;
    };
    Canvas harmless;
    Preview(harmless, box(0x30));
    for (uint8_t argument : { TEXT_NUL, CC_LINE_BREAK, CC_END, CC_BOX_BREAK, CC_BOX_BREAK_ALT, CC_ICON })
    {
        SCOPED_TRACE(argument);
        Canvas structural;
        Preview(structural, box(argument));
        EXPECT_EQ(structural.Differences(harmless), 0);
        EXPECT_EQ(Render.EndMarkerCell, 32);
        EXPECT_EQ(Render.ShownIcon, NO_ICON);
    }
}

TEST_F(RenderTest, MarkersTakeNoWidthAndStandInsTakeTheirs)
{
    // The markers of a choice and a speed stand where "B" begins (x 81 + 11); "B" is drawn
    // where it stands without them, over them.
    Canvas choice, plain;
    Preview(choice, "A" + std::string{ (char)CC_TWO_CHOICE } + Code(CC_SPEED, 2) + "B" + END);
    Plain(plain, 81, 210, "AB");
    EXPECT_GT(choice.Count(CODE_MARKER_COLOUR, 90, 210, 95, 214), 0);
    EXPECT_EQ(choice.Differences(plain, 0, 0, 90, 340) + choice.Differences(plain, 95, 0, 400, 340) +
                  choice.Differences(plain, 90, 214, 95, 340),
              0);

    // A value the game writes in: its stand-in as text, underlined in the marker colour.
    Canvas points, written;
    Preview(points, "A" + std::string{ (char)CC_POINTS } + "B" + END);
    Plain(written, 81, 210, std::string("A") + ControlCode(CC_POINTS).StandIn + "B");
    int underline = points.Count(CODE_MARKER_COLOUR);
    EXPECT_EQ(underline, StandInWidth(CC_POINTS));
    EXPECT_EQ(points.Differences(written), underline);
}
