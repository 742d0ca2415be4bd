// The text measure: line widths against the box graphic's right edge, lines against its bottom
// edge, by the renderer's pen rules (icon indent, CC_SHIFT gaps, glyph advances).
#include "text_measure.h"
#include "encoding.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;
static Bytes operator+(Bytes a, const std::string& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
static Bytes W(int n) { return Bytes(n, 'W'); } // 14 px each

static BoxMeasure Measure(const Bytes& text, BoxType type, std::vector<LineMeasure>& lines)
{
    lines.assign(16, LineMeasure());
    BoxMeasure m = MeasureBoxText(text.data(), (uint32_t)text.size(), type, lines.data(), 16);
    lines.resize(m.LinesStored);
    return m;
}

// Each text's last line exactly fits its box or passes the right edge by one pixel.
TEST(MeasureWidth, ExactFitAndOnePixelOverByThePenRules)
{
    struct Case { Bytes Text; BoxType Type; int Width; bool Over; };
    const Bytes icon = { CC_ICON, 5, 'a', CC_LINE_BREAK }; // the indent holds for later lines
    const Case cases[] = {
        { W(20) + "'", BOX_BLACK, 282, false }, { W(20) + "I", BOX_BLACK, 283, true },
        { W(20) + "B", BOX_BLUE, 288, false },  { W(20) + "H", BOX_BLUE, 289, true },
        { icon + std::string(17, 'W') + ":", BOX_BLACK, 282, false },
        { icon + std::string(17, 'W') + "(", BOX_BLACK, 283, true },
        // A gap after the last glyph draws nothing and does not count.
        { Bytes{ CC_SHIFT, 200 } + "WWWWWHI" + std::string{ (char)CC_SHIFT, (char)255, CC_COLOR, 0x41 }, BOX_BLACK, 282, false },
        { Bytes{ CC_SHIFT, 201 } + "WWWWWHI", BOX_BLACK, 283, true },
        // CC_PLAYER 16, an unassigned code 7, a zero byte inside the box 7, 0xAB 13; codes
        // without width add nothing.
        { Bytes{ CC_PLAYER, 0x03, TEXT_NUL, 0xAB, CC_PASS_08, CC_SOUND, 0x28, 0xDF, CC_END }, BOX_BLACK, 43, false },
    };
    std::vector<LineMeasure> lines;
    for (const Case& c : cases)
    {
        BoxMeasure m = Measure(c.Text, c.Type, lines);
        EXPECT_EQ(lines.back().Width, c.Width) << c.Width;
        EXPECT_EQ(lines.back().TooWide, c.Over) << c.Width;
        EXPECT_EQ(m.TooWideCount, c.Over ? 1u : 0u) << c.Width;
    }
    for (int t : { 1, 3, 4, 5, 6, 15 }) // Sign, Staff, the None types, types 6..15: the Black graphic
    {
        BoxMeasure m = Measure(W(20) + "B", (BoxType)t, lines);
        EXPECT_TRUE(m.MeasuredAs == BOX_BLACK && m.TooWideCount == 1) << t;
    }
}

// ---- Lines against the bottom edge ----
static Bytes Lines(int count)
{
    Bytes t = { 'a' };
    for (int i = 1; i < count; i++) t.insert(t.end(), { CC_LINE_BREAK, 'a' });
    return t;
}

TEST(MeasureLines, FiveFitTheSixthLiesBelowDrawingEndsAtTheFirstBoxEnd)
{
    std::vector<LineMeasure> lines;
    EXPECT_EQ(Measure(Lines(5), BOX_BLACK, lines).BelowCount, 0u);
    EXPECT_EQ(lines[4].Y, 242); // rows 242..257: the last row inside the graphic
    for (BoxType type : { BOX_BLACK, BOX_BLUE })
    {
        BoxMeasure six = Measure(Lines(6), type, lines);
        EXPECT_TRUE(six.LinesThatFit == 5 && six.BelowCount == 1) << type;
        EXPECT_TRUE(lines[5].BelowBox && !lines[4].BelowBox) << type;
    }
    BoxMeasure m = Measure(Lines(3) + std::string(1, CC_BOX_BREAK_ALT) + std::string(40, 'W'), BOX_BLACK, lines);
    EXPECT_TRUE(m.LineCount == 3 && m.TooWideCount == 0);

    // The counts go on beyond the caller's array.
    Bytes many = Lines(40);
    LineMeasure two[2];
    BoxMeasure big = MeasureBoxText(many.data(), (uint32_t)many.size(), BOX_BLACK, two, 2);
    EXPECT_TRUE(big.LineCount == 40 && big.LinesStored == 2 && big.BelowCount == 35 && two[1].Start == 2);
    // A code cut off by the end of the text ends the measure without reading past it.
    Bytes cut = { 'W', CC_SOUND, 0x28 };
    EXPECT_EQ(MeasureBoxText(cut.data(), 3, BOX_BLACK, nullptr, 0).LineCount, 1u);
}
