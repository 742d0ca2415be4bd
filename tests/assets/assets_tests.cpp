// The embedded images: each decodes from memory with the size, colour type and content that
// the renderer, the preview and the panels rely on. IMG_LoadPNG_RW needs no video, so no
// SDL_Init is made here.
#include "assets.h"
#include "encoding.h"
#include "glyph_table.h"
#include <SDL.h>
#include <SDL_image.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// ---- Pixel access ----
struct Rgba { int R, G, B, A; };

static Rgba PixelAt(SDL_Surface* s, int x, int y)
{
    const Uint8* row = (const Uint8*)s->pixels + y * s->pitch;
    const Uint8* p = row + x * s->format->BytesPerPixel;
    Uint32 v = 0;
    switch (s->format->BytesPerPixel)
    {
    case 4: memcpy(&v, p, 4); break;
    case 3: v = SDL_BYTEORDER == SDL_LIL_ENDIAN ? (p[0] | p[1] << 8 | p[2] << 16)
                                                : (p[2] | p[1] << 8 | p[0] << 16); break;
    default: v = p[0]; break;
    }
    Uint8 r, g, b, a;
    SDL_GetRGBA(v, s->format, &r, &g, &b, &a);
    return { r, g, b, a };
}

static bool Same(const Rgba& p, int r, int g, int b, int a)
{
    return p.R == r && p.G == g && p.B == b && p.A == a;
}

// Decodes one image for a test and frees it at the end of the scope.
struct Decoded
{
    SDL_Surface* Surface;
    explicit Decoded(ImageId id) : Surface(DecodeEmbeddedImage(id)) {}
    ~Decoded() { if (Surface) SDL_FreeSurface(Surface); }
    Rgba At(int x, int y) const { return PixelAt(Surface, x, y); }
};

// ---- Embedding and decoding ----
struct ImageExpectation { ImageId Id; const char* Name; int Width, Height; bool Alpha; };
static const ImageExpectation EXPECTED_IMAGES[IMAGE_COUNT] = {
    { IMAGE_WINDOW_ICON,     "window_icon.png",      26,  32, true },
    { IMAGE_BACKGROUND,      "background.png",      400, 340, false },
    { IMAGE_PANEL,           "panel.png",           400, 340, false },
    { IMAGE_BOX_BLACK,       "box_black.png",       400, 300, true },
    { IMAGE_BOX_SIGN,        "box_sign.png",        400, 300, true },
    { IMAGE_BOX_BLUE,        "box_blue.png",        400, 300, true },
    { IMAGE_BOX_STAFF,       "box_staff.png",       400, 300, true },
    { IMAGE_BOX_END_MARKERS, "box_end_markers.png",  48,  16, true },
    { IMAGE_ICON_STRIP,      "icon_strip.png",     4360,  40, true },
    { IMAGE_ICON_FRAME,      "icon_frame.png",       40,  40, true },
    { IMAGE_FONT_SHEET,      "font_sheet.png",      160, 240, true },
};

TEST(EmbeddedImages, EveryImageIsAPngFileUnderItsName)
{
    static const unsigned char SIGNATURE[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    for (const ImageExpectation& expected : EXPECTED_IMAGES)
    {
        const EmbeddedImage& image = GetEmbeddedImage(expected.Id);
        EXPECT_STREQ(image.Name, expected.Name);
        ASSERT_GT(image.Size, sizeof(SIGNATURE)) << expected.Name;
        EXPECT_EQ(memcmp(image.Bytes, SIGNATURE, sizeof(SIGNATURE)), 0) << expected.Name;
        // Colour type in the IHDR chunk: 6 RGBA, 2 RGB; 8 bits per channel.
        EXPECT_EQ(image.Bytes[24], 8) << expected.Name;
        EXPECT_EQ(image.Bytes[25], expected.Alpha ? 6 : 2) << expected.Name;
    }
}

TEST(EmbeddedImages, EveryImageDecodesFromMemoryWithItsSizeAndAlpha)
{
    for (const ImageExpectation& expected : EXPECTED_IMAGES)
    {
        Decoded image(expected.Id);
        ASSERT_NE(image.Surface, nullptr) << expected.Name << ": " << IMG_GetError();
        EXPECT_EQ(image.Surface->w, expected.Width) << expected.Name;
        EXPECT_EQ(image.Surface->h, expected.Height) << expected.Name;
        EXPECT_EQ(image.Surface->format->Amask != 0, expected.Alpha) << expected.Name;
        EXPECT_EQ(image.Surface->format->BytesPerPixel, expected.Alpha ? 4 : 3) << expected.Name;
    }
}

TEST(EmbeddedImages, AnIdOutsideTheTableGivesNoImage)
{
    EXPECT_EQ(GetEmbeddedImage(IMAGE_COUNT).Bytes, nullptr);
    EXPECT_EQ(GetEmbeddedImage(IMAGE_COUNT).Size, 0u);
    EXPECT_EQ(DecodeEmbeddedImage(IMAGE_COUNT), nullptr);
    EXPECT_EQ(DecodeEmbeddedImage((ImageId)-1), nullptr);
}

TEST(EmbeddedImages, DecodingTwiceGivesTwoEqualSurfaces)
{
    Decoded a(IMAGE_FONT_SHEET), b(IMAGE_FONT_SHEET);
    ASSERT_TRUE(a.Surface && b.Surface);
    EXPECT_NE(a.Surface, b.Surface);
    for (int y = 0; y < a.Surface->h; y++)
        ASSERT_EQ(memcmp((Uint8*)a.Surface->pixels + y * a.Surface->pitch,
                         (Uint8*)b.Surface->pixels + y * b.Surface->pitch, a.Surface->w * 4), 0);
}

// ---- Background and panel ----
TEST(Background, TopAndBottomBandsAreBlack)
{
    Decoded bg(IMAGE_BACKGROUND);
    ASSERT_NE(bg.Surface, nullptr);
    for (int y = 0; y < 340; y++)
    {
        if (y > 20 && y < 260) continue;
        for (int x = 0; x < 400; x++) ASSERT_TRUE(Same(bg.At(x, y), 0, 0, 0, 255)) << x << "," << y;
    }
}

TEST(Background, SceneRowsArePainted)
{
    Decoded bg(IMAGE_BACKGROUND);
    ASSERT_NE(bg.Surface, nullptr);
    // Every row between the bands holds something other than black.
    for (int y = 21; y < 260; y++)
    {
        bool painted = false;
        for (int x = 0; x < 400 && !painted; x++)
        {
            Rgba p = bg.At(x, y);
            painted = p.R + p.G + p.B > 0;
        }
        EXPECT_TRUE(painted) << y;
    }
}

// The buttons are discs with a dark rim covering exactly their hit rectangles: the rim sits on
// the rectangle's edge at mid height, and the pixels just outside are the scene.
TEST(Background, ButtonDiscsAndArrowsCoverTheirHitRectangles)
{
    Decoded bg(IMAGE_BACKGROUND);
    ASSERT_NE(bg.Surface, nullptr);
    struct Rect { int X0, Y0, X1, Y1; };
    const Rect buttons[] = { { 204, 24, 232, 52 }, { 250, 24, 278, 52 }, { 288, 24, 312, 48 },
                             { 320, 50, 344, 74 }, { 344, 26, 368, 50 } };
    for (const Rect& r : buttons)
    {
        int cx = (r.X0 + r.X1) / 2, cy = (r.Y0 + r.Y1) / 2;
        // Left and right rim pixels (shared edges of Text and Box excepted) are dark.
        Rgba left = bg.At(r.X0, cy), right = bg.At(r.X1, cy), top = bg.At(cx, r.Y0);
        EXPECT_LT(left.R + left.G + left.B, 200) << r.X0;
        EXPECT_LT(right.R + right.G + right.B, 200) << r.X1;
        EXPECT_LT(top.R + top.G + top.B, 200) << r.X0;
        // The corners of the rectangle lie outside the disc: scene, not rim.
        Rgba corner = bg.At(r.X0, r.Y0), scene = bg.At(r.X0, r.Y0 - 1);
        EXPECT_LT(abs(corner.R - scene.R) + abs(corner.G - scene.G) + abs(corner.B - scene.B), 40)
            << r.X0;
        // Inside, the disc is lighter than its rim (a face with a symbol on it).
        bool lighter = false;
        for (int y = cy - 4; y <= cy + 4; y++)
            for (int x = cx - 4; x <= cx + 4; x++)
            {
                Rgba p = bg.At(x, y);
                lighter |= p.R + p.G + p.B > left.R + left.G + left.B + 150;
            }
        EXPECT_TRUE(lighter) << r.X0;
    }
    // Arrows: light at their centre, pointing outwards (the tip column is inside the shape).
    Rgba l = bg.At(26, 218), r = bg.At(379, 218);
    EXPECT_GT(l.R + l.G + l.B, 450);
    EXPECT_GT(r.R + r.G + r.B, 450);
    Rgba lTip = bg.At(15, 218), rTip = bg.At(390, 218);
    Rgba lBack = bg.At(15, 206), rBack = bg.At(390, 206);
    EXPECT_NE(lTip.R + lTip.G + lTip.B, lBack.R + lBack.G + lBack.B);
    EXPECT_NE(rTip.R + rTip.G + rTip.B, rBack.R + rBack.G + rBack.B);
}

TEST(Panel, IsDarkEnoughForWhiteAndYellowText)
{
    Decoded panel(IMAGE_PANEL);
    ASSERT_NE(panel.Surface, nullptr);
    for (int y = 0; y < 340; y += 3)
        for (int x = 0; x < 400; x += 3)
        {
            Rgba p = panel.At(x, y);
            ASSERT_LT(p.R + p.G + p.B, 3 * 90) << x << "," << y;
        }
}

// ---- Message boxes ----
struct Area { int X0, Y0, X1, Y1; };

// The straight edges of a box lie exactly on its area; the middle has the stated colour.
static void ExpectBoxArea(const Decoded& box, const Area& a, int r, int g, int b, int alpha)
{
    int cx = (a.X0 + a.X1) / 2, cy = (a.Y0 + a.Y1) / 2;
    EXPECT_EQ(box.At(cx, a.Y0).A, alpha);
    EXPECT_EQ(box.At(cx, a.Y1).A, alpha);
    EXPECT_EQ(box.At(a.X0, cy).A, alpha);
    EXPECT_EQ(box.At(a.X1, cy).A, alpha);
    EXPECT_EQ(box.At(cx, a.Y0 - 1).A, 0);
    EXPECT_EQ(box.At(cx, a.Y1 + 1).A, 0);
    EXPECT_EQ(box.At(a.X0 - 1, cy).A, 0);
    EXPECT_EQ(box.At(a.X1 + 1, cy).A, 0);
    EXPECT_TRUE(Same(box.At(cx + 7, cy + 13), r, g, b, alpha));
    // Rounded or trimmed corners: the very corner pixel is not fully covered.
    EXPECT_LT(box.At(a.X0, a.Y0).A, alpha);
    EXPECT_LT(box.At(a.X1, a.Y1).A, alpha);
    // Everything outside the area is fully transparent.
    for (int y = 0; y < 300; y++)
        for (int x = 0; x < 400; x++)
        {
            bool outside = x < a.X0 || x > a.X1 || y < a.Y0 || y > a.Y1;
            if (outside) { ASSERT_EQ(box.At(x, y).A, 0) << x << "," << y; }
        }
}

TEST(BoxBackground, BlackBoxIsBlackAtAlpha163)
{
    Decoded box(IMAGE_BOX_BLACK);
    ASSERT_NE(box.Surface, nullptr);
    ExpectBoxArea(box, { 42, 178, 362, 257 }, 0, 0, 0, 163);
    EXPECT_TRUE(Same(box.At(60, 190), 0, 0, 0, 163));
}

TEST(BoxBackground, BlueBoxIsLargerAndDarkBlueAtAlpha163)
{
    Decoded box(IMAGE_BOX_BLUE);
    ASSERT_NE(box.Surface, nullptr);
    ExpectBoxArea(box, { 34, 168, 368, 265 }, 3, 9, 35, 163);
    EXPECT_TRUE(Same(box.At(40, 200), 3, 9, 35, 163));
}

TEST(BoxBackground, SignIsBrownPlanksAtAlpha230)
{
    Decoded box(IMAGE_BOX_SIGN);
    ASSERT_NE(box.Surface, nullptr);
    const Area a = { 42, 178, 362, 257 };
    EXPECT_EQ(box.At(a.X0 - 1, 217).A, 0);
    EXPECT_EQ(box.At(a.X1 + 1, 217).A, 0);
    EXPECT_EQ(box.At(200, a.Y0 - 1).A, 0);
    EXPECT_EQ(box.At(200, a.Y1 + 1).A, 0);
    // Inside the sign every pixel is opaque to 230 (corners trimmed) and the planks' average
    // colour is about (57, 43, 24).
    long sum[3] = { 0, 0, 0 }, count = 0;
    for (int y = a.Y0 + 3; y <= a.Y1 - 3; y++)
        for (int x = a.X0 + 3; x <= a.X1 - 3; x++)
        {
            Rgba p = box.At(x, y);
            ASSERT_EQ(p.A, 230) << x << "," << y;
            sum[0] += p.R; sum[1] += p.G; sum[2] += p.B; count++;
        }
    EXPECT_NEAR(sum[0] / count, 57, 6);
    EXPECT_NEAR(sum[1] / count, 43, 6);
    EXPECT_NEAR(sum[2] / count, 24, 6);
    // Horizontal planks: seams run along whole rows, so some row is much darker than the next.
    int seams = 0;
    for (int y = a.Y0 + 2; y < a.Y1; y++)
    {
        Rgba p = box.At(200, y), q = box.At(200, y + 1);
        if (q.R - p.R > 20) seams++;
    }
    EXPECT_GE(seams, 3);
}

TEST(BoxBackground, StaffIsTheBlackBoxWithFourRedLinesAndAClef)
{
    Decoded box(IMAGE_BOX_STAFF);
    ASSERT_NE(box.Surface, nullptr);
    EXPECT_TRUE(Same(box.At(200, 190), 0, 0, 0, 163));
    EXPECT_EQ(box.At(200, 177).A, 0);
    EXPECT_EQ(box.At(41, 217).A, 0);
    // The staff: rows in the middle column that are dark red (80, 0, 0).
    int lines[8], count = 0;
    for (int y = 178; y <= 257; y++)
    {
        Rgba p = box.At(200, y);
        if (p.R == 80 && p.G == 0 && p.B == 0 && p.A > 163 && count < 8) lines[count++] = y;
    }
    ASSERT_EQ(count, 4);
    for (int i = 1; i < 4; i++)
    {
        EXPECT_GE(lines[i] - lines[i - 1], 8);
        EXPECT_LE(lines[i] - lines[i - 1], 10);
    }
    // The clef: orange pixels left of where the text starts (x 81).
    int orange = 0, orangeRight = 0;
    for (int y = 178; y <= 257; y++)
        for (int x = 42; x <= 362; x++)
        {
            Rgba p = box.At(x, y);
            bool isOrange = p.R > 200 && p.G > 100 && p.G < 190 && p.B < 90 && p.A > 200;
            if (isOrange && x < 81) orange++;
            if (isOrange && x >= 81) orangeRight++;
        }
    EXPECT_GT(orange, 40);
    EXPECT_EQ(orangeRight, 0);
}

// ---- Box end markers ----
static int MarkerRowWidth(const Decoded& m, int cell, int y)
{
    int n = 0;
    for (int x = cell * 16; x < cell * 16 + 16; x++)
    {
        Rgba p = m.At(x, y);
        if (p.R == 42 && p.G == 134 && p.B == 255 && p.A > 128) n++;
    }
    return n;
}

TEST(BoxEndMarkers, LightBlueDownTriangleUpTriangleSquare)
{
    Decoded m(IMAGE_BOX_END_MARKERS);
    ASSERT_NE(m.Surface, nullptr);
    for (int cell = 0; cell < 3; cell++)
        EXPECT_TRUE(Same(m.At(cell * 16 + 8, 8), 42, 134, 255, 255)) << cell;
    EXPECT_GT(MarkerRowWidth(m, 0, 5), MarkerRowWidth(m, 0, 11));  // down: wide on top
    EXPECT_LT(MarkerRowWidth(m, 1, 5), MarkerRowWidth(m, 1, 11));  // up: wide below
    EXPECT_EQ(MarkerRowWidth(m, 2, 5), MarkerRowWidth(m, 2, 10));  // square
    EXPECT_GT(MarkerRowWidth(m, 2, 5), 4);
    EXPECT_EQ(m.At(0, 0).A, 0);
}

// ---- Icon strip and frame ----
TEST(IconStrip, EveryCellHoldsAPictureAndNoTwoAreAlike)
{
    Decoded strip(IMAGE_ICON_STRIP);
    ASSERT_NE(strip.Surface, nullptr);
    SDL_Surface* s = strip.Surface;
    for (int c = 0; c < 109; c++)
    {
        int opaque = 0;
        for (int y = 0; y < 40; y++)
            for (int x = c * 40; x < c * 40 + 40; x++) opaque += strip.At(x, y).A > 0;
        EXPECT_GT(opaque, 150) << c;
    }
    for (int a = 0; a < 109; a++)
        for (int b = a + 1; b < 109; b++)
        {
            bool same = true;
            for (int y = 0; y < 40 && same; y++)
                same = memcmp((Uint8*)s->pixels + y * s->pitch + a * 160,
                              (Uint8*)s->pixels + y * s->pitch + b * 160, 160) == 0;
            EXPECT_FALSE(same) << a << " and " << b;
        }
}

// The icon number sits in the lower right corner of each cell; the number of digits it has
// shows in how far its dark plate reaches left.
TEST(IconStrip, NumberPlateWidthFollowsTheIconNumber)
{
    Decoded strip(IMAGE_ICON_STRIP);
    ASSERT_NE(strip.Surface, nullptr);
    for (int c = 0; c < 108; c++)
    {
        int number = c <= 89 ? c : c + 12;
        int digits = number < 10 ? 1 : number < 100 ? 2 : 3;
        int plateLeft = 40 - (4 * digits - 1) - 3;
        Rgba inside = strip.At(c * 40 + plateLeft, 39);
        EXPECT_TRUE(inside.A >= 200 && inside.R < 60 && inside.G < 60) << c;
    }
}

TEST(IconFrame, FourCornerBracketsAroundAnOpenMiddle)
{
    Decoded frame(IMAGE_ICON_FRAME);
    ASSERT_NE(frame.Surface, nullptr);
    const int corners[4][2] = { { 2, 2 }, { 37, 2 }, { 2, 37 }, { 37, 37 } };
    for (const auto& c : corners) EXPECT_EQ(frame.At(c[0], c[1]).A, 255);
    EXPECT_EQ(frame.At(20, 20).A, 0);
    EXPECT_EQ(frame.At(20, 1).A, 0);   // the brackets leave the middle of each side open
    EXPECT_EQ(frame.At(1, 20).A, 0);
}

TEST(WindowIcon, IsMostlyRed)
{
    Decoded icon(IMAGE_WINDOW_ICON);
    ASSERT_NE(icon.Surface, nullptr);
    int red = 0, opaque = 0;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 26; x++)
        {
            Rgba p = icon.At(x, y);
            if (p.A < 128) continue;
            opaque++;
            red += p.R > 120 && p.R > p.G + 60 && p.R > p.B + 60;
        }
    EXPECT_GT(opaque, 26 * 32 / 2);
    EXPECT_GT(red * 2, opaque);
}

// ---- Font sheet ----
static Rgba CellPixel(const Decoded& font, int cell, int x, int y)
{
    return font.At((cell % FONT_COLUMNS) * FONT_CELL_SIZE + x, (cell / FONT_COLUMNS) * FONT_CELL_SIZE + y);
}

TEST(FontSheet, CellNinetySixIsFullyTransparent)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(CellPixel(font, EMPTY_CELL, x, y).A, 0);
}

TEST(FontSheet, PortraitCellHoldsColour)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    int coloured = 0;
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++)
        {
            Rgba p = CellPixel(font, PLAYER_CELL, x, y);
            if (p.A == 255 && !(p.R == p.G && p.G == p.B)) coloured++;
        }
    EXPECT_GT(coloured, 60);
}

// Every byte drawn as a glyph: the printable range, the accented letters, the symbols.
static bool ForEachGlyphByte(int b) { return GlyphCell((uint8_t)b) >= 1 && GlyphCell((uint8_t)b) < FONT_CELL_COUNT; }

TEST(FontSheet, NoGlyphReachesPastItsAdvance)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    for (int b = 0; b < 256; b++)
    {
        if (!ForEachGlyphByte(b)) continue;
        int cell = GlyphCell((uint8_t)b), advance = GlyphAdvance((uint8_t)b);
        for (int y = 0; y < 16; y++)
            for (int x = advance; x < 16; x++)
            {
                Rgba p = CellPixel(font, cell, x, y);
                // Only the black shadow may stand one pixel beyond the advance.
                int allowed = x == advance ? p.A : 0;  // shadow pixels keep R = 0
                ASSERT_EQ(p.R, 0) << "byte " << b << " at " << x << "," << y;
                ASSERT_EQ(p.A, allowed) << "byte " << b << " at " << x << "," << y;
            }
    }
}

TEST(FontSheet, GlyphsAreWhiteWithAPartlyTransparentBlackShadow)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    for (int b = 0; b < 256; b++)
    {
        if (!ForEachGlyphByte(b) || b == ' ') continue;
        int cell = GlyphCell((uint8_t)b);
        bool white = false, shadow = false, grey = true;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
            {
                Rgba p = CellPixel(font, cell, x, y);
                white |= Same(p, 255, 255, 255, 255);
                shadow |= p.R == 0 && p.G == 0 && p.B == 0 && p.A > 0 && p.A < 255;
                grey &= p.R == p.G && p.G == p.B;
            }
        EXPECT_TRUE(white) << "byte " << b;
        EXPECT_TRUE(shadow) << "byte " << b;
        EXPECT_TRUE(grey) << "byte " << b;  // no colour: tinting relies on it
    }
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(CellPixel(font, GlyphCell(' '), x, y).A, 0);
}

// The D-pad is a plus in the 12 x 12 box of the other controller symbols: arms a third of the
// box wide run through to its edges, the four corners between them hold no white. The cells
// after it, the rest of the last row, hold nothing.
TEST(FontSheet, DpadIsAPlusInTheBoxOfTheOtherSymbols)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    const int dpad = GlyphCell(SYMBOL_LAST);
    ASSERT_EQ(dpad, FONT_CELL_COUNT - FONT_COLUMNS);
    auto white = [&](int cell, int x, int y) { return Same(CellPixel(font, cell, x, y), 255, 255, 255, 255); };
    auto whiteBox = [&](int cell) {
        int box[4] = { 16, 16, -1, -1 }; // left, top, right, bottom
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
                if (white(cell, x, y))
                    box[0] = std::min(box[0], x), box[1] = std::min(box[1], y), box[2] = std::max(box[2], x), box[3] = std::max(box[3], y);
        return std::vector<int>(box, box + 4);
    };
    EXPECT_EQ(whiteBox(dpad), whiteBox(GlyphCell(SYMBOL_FIRST)));
    EXPECT_EQ(whiteBox(dpad), (std::vector<int>{ 0, 1, 11, 12 }));
    for (int i = 1; i <= 10; i++)
        EXPECT_TRUE(white(dpad, i, 5) && white(dpad, i, 8) && white(dpad, 4, 1 + i) && white(dpad, 7, 1 + i)) << i;
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++)
            for (int corner = 0; corner < 4; corner++)
                EXPECT_EQ(CellPixel(font, dpad, corner % 2 * 8 + x, corner / 2 * 8 + 1 + y).R, 0) << corner;
    for (int cell = dpad + 1; cell < FONT_CELL_COUNT; cell++)
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++) ASSERT_EQ(CellPixel(font, cell, x, y).A, 0) << cell;
}

// Letters without descenders end on the same row, so text reads on one baseline.
TEST(FontSheet, LettersShareOneBaseline)
{
    Decoded font(IMAGE_FONT_SHEET);
    ASSERT_NE(font.Surface, nullptr);
    const char* flat = "ABEHMXZabcemnoxz0123456789";
    int baseline = -1;
    for (const char* c = flat; *c; c++)
    {
        int lowest = -1;
        for (int y = 0; y < 16; y++)
            for (int x = 0; x < 16; x++)
                if (CellPixel(font, GlyphCell((uint8_t)*c), x, y).R >= 128) lowest = y;
        if (baseline < 0) baseline = lowest;
        EXPECT_EQ(lowest, baseline) << *c;
    }
    EXPECT_GE(baseline, 10);
    EXPECT_LE(baseline, 13);
}
