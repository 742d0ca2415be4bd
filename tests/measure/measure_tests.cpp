// The text measure: line widths against the box graphic's right edge, lines against its bottom
// edge, by the renderer's pen rules (icon indent, CC_SHIFT gaps, glyph advances).
#include "text_measure.h"
#include "encoding.h"
#include "glyph_table.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

static std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
static std::vector<uint8_t> Repeat(char c, int n) { return std::vector<uint8_t>(n, (uint8_t)c); }
static std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

static BoxMeasure Measure(const std::vector<uint8_t>& text, BoxType type, std::vector<LineMeasure>& lines)
{
    lines.assign(16, LineMeasure());
    BoxMeasure m = MeasureBoxText(text.data(), (uint32_t)text.size(), type, lines.data(), 16);
    lines.resize(m.LinesStored);
    return m;
}

// ---- Width against the right edge ----
TEST(MeasureWidth, BlackBoxFitsExactlyAndOverflowsByOnePixel)
{
    std::vector<LineMeasure> lines;
    // 20 "W" (14 each) = 280; "'" (2) makes 282, the width from x 81 to the edge column 362.
    BoxMeasure fit = Measure(Repeat('W', 20) + Text("'") + std::vector<uint8_t>{ CC_END }, BOX_BLACK, lines);
    EXPECT_EQ(fit.UsableWidth, 282);
    EXPECT_EQ(fit.RightEdge, 362);
    ASSERT_EQ(fit.LineCount, 1u);
    EXPECT_EQ(lines[0].Width, 282);
    EXPECT_FALSE(lines[0].TooWide);
    EXPECT_EQ(fit.TooWideCount, 0u);

    // "I" (3) instead of "'": one pixel past the edge.
    BoxMeasure over = Measure(Repeat('W', 20) + Text("I") + std::vector<uint8_t>{ CC_END }, BOX_BLACK, lines);
    EXPECT_EQ(lines[0].Width, 283);
    EXPECT_TRUE(lines[0].TooWide);
    EXPECT_EQ(over.TooWideCount, 1u);
}

TEST(MeasureWidth, BlueBoxIsWiderAndOtherTypesMeasureAsBlack)
{
    std::vector<LineMeasure> lines;
    std::vector<uint8_t> exact = Repeat('W', 20) + Text("B"); // 288
    std::vector<uint8_t> over = Repeat('W', 20) + Text("H");  // 289
    BoxMeasure blue = Measure(exact, BOX_BLUE, lines);
    EXPECT_EQ(blue.UsableWidth, 288);
    EXPECT_EQ(blue.MeasuredAs, BOX_BLUE);
    EXPECT_FALSE(lines[0].TooWide);
    EXPECT_TRUE(Measure(over, BOX_BLUE, lines).TooWideCount == 1);
    // Sign, Staff, the None types and unnamed types 6..15 all use the Black graphic.
    for (int t : { 1, 3, 4, 5, 6, 15 })
    {
        BoxMeasure m = Measure(exact, (BoxType)t, lines);
        EXPECT_EQ(m.MeasuredAs, BOX_BLACK) << t;
        EXPECT_EQ(m.UsableWidth, 282) << t;
        EXPECT_EQ(m.TooWideCount, 1u) << t;
    }
}

TEST(MeasureWidth, IconIndentAndShiftCountButTrailingGapsDoNot)
{
    std::vector<LineMeasure> lines;
    // Icon indent 40 + 17 "W" (238) + ":" (4) = 282 on both lines of the box.
    std::vector<uint8_t> line = Repeat('W', 17) + Text(":");
    std::vector<uint8_t> text = Text("") + std::vector<uint8_t>{ CC_ICON, 5 } + line +
                                std::vector<uint8_t>{ CC_LINE_BREAK } + line;
    BoxMeasure m = Measure(text, BOX_BLACK, lines);
    ASSERT_EQ(m.LineCount, 2u);
    EXPECT_EQ(lines[0].Width, 282);
    EXPECT_EQ(lines[1].Width, 282); // the indent holds for later lines too
    EXPECT_EQ(m.TooWideCount, 0u);
    text[2 + 17] = '('; // 5 wide: one pixel over
    EXPECT_EQ(Measure(text, BOX_BLACK, lines).TooWideCount, 1u);
    EXPECT_TRUE(lines[0].TooWide);

    // Shift 200 + "WWWWWHI" (82) = 282; shift 201 is one over. A gap after the last glyph draws
    // nothing and does not count.
    std::vector<uint8_t> shifted = std::vector<uint8_t>{ CC_SHIFT, 200 } + Text("WWWWWHI") +
                                   std::vector<uint8_t>{ CC_SHIFT, 255, CC_COLOR, 0x41 };
    EXPECT_EQ(Measure(shifted, BOX_BLACK, lines).TooWideCount, 0u);
    EXPECT_EQ(lines[0].Width, 282);
    shifted[1] = 201;
    EXPECT_EQ(Measure(shifted, BOX_BLACK, lines).TooWideCount, 1u);
}

TEST(MeasureWidth, GlyphWidthsFollowTheRenderer)
{
    std::vector<LineMeasure> lines;
    // CC_PLAYER 16, an unassigned code 7, a zero byte inside the box 7, 0xAB 13; codes without
    // width add nothing.
    std::vector<uint8_t> text = { CC_PLAYER, 0x03, TEXT_NUL, 0xAB, CC_PASS_08, CC_SOUND, 0x28, 0xDF, CC_END };
    Measure(text, BOX_BLACK, lines);
    EXPECT_EQ(lines[0].Width, 16 + 7 + 7 + 13);
    TextPen pen = { 0, 0, 0 };
    AdvancePen(pen, text.data(), true); // fixed advance
    EXPECT_EQ(pen.X, FIXED_ADVANCE);
}

// ---- Lines against the bottom edge ----
static std::vector<uint8_t> Lines(int count)
{
    std::vector<uint8_t> t;
    for (int i = 0; i < count; i++)
    {
        if (i) t.push_back(CC_LINE_BREAK);
        t.push_back('a');
    }
    t.push_back(CC_END);
    return t;
}

TEST(MeasureLines, FiveLinesFitTheSixthLiesBelow)
{
    std::vector<LineMeasure> lines;
    BoxMeasure five = Measure(Lines(5), BOX_BLACK, lines);
    EXPECT_EQ(five.FirstLineY, 178);
    EXPECT_EQ(five.LineCount, 5u);
    EXPECT_EQ(five.LinesThatFit, 5u);
    EXPECT_EQ(five.BelowCount, 0u);
    EXPECT_EQ(lines[4].Y, 242); // rows 242..257: the last row inside the graphic

    BoxMeasure six = Measure(Lines(6), BOX_BLACK, lines);
    EXPECT_EQ(six.LineCount, 6u);
    EXPECT_EQ(six.LinesThatFit, 5u);
    EXPECT_EQ(six.BelowCount, 1u);
    EXPECT_EQ(lines[5].Y, 258);
    EXPECT_TRUE(lines[5].BelowBox);
    EXPECT_FALSE(lines[4].BelowBox);

    BoxMeasure one = Measure(Lines(1), BOX_BLACK, lines);
    EXPECT_EQ(one.FirstLineY, 210);
    EXPECT_EQ(one.BelowCount, 0u);
    // The Blue graphic ends at 265: a sixth line (258..273) is still below it.
    EXPECT_EQ(Measure(Lines(6), BOX_BLUE, lines).BelowCount, 1u);
}

TEST(MeasureLines, DrawingEndsAtTheFirstBoxEndAndCountsBeyondTheCallersArray)
{
    std::vector<uint8_t> text = Lines(3);
    text.back() = CC_BOX_BREAK_ALT;
    text = text + Repeat('W', 40) + std::vector<uint8_t>{ CC_END };
    std::vector<LineMeasure> lines;
    BoxMeasure m = Measure(text, BOX_BLACK, lines);
    EXPECT_EQ(m.LineCount, 3u);
    EXPECT_EQ(m.TooWideCount, 0u);

    std::vector<uint8_t> many = Lines(40);
    LineMeasure two[2];
    BoxMeasure big = MeasureBoxText(many.data(), (uint32_t)many.size(), BOX_BLACK, two, 2);
    EXPECT_EQ(big.LineCount, 40u);
    EXPECT_EQ(big.LinesStored, 2u);
    EXPECT_EQ(big.BelowCount, 35u);
    EXPECT_EQ(two[1].Start, 2u);
    // A code cut off by the end of the text ends the measure without reading past it.
    std::vector<uint8_t> cut = { 'W', CC_SOUND, 0x28 };
    EXPECT_EQ(MeasureBoxText(cut.data(), 3, BOX_BLACK, nullptr, 0).LineCount, 1u);
}
