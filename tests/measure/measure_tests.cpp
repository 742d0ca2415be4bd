// The text measure: line widths against the box graphic's right edge, lines against its bottom
// edge, by the renderer's pen rules. Plain Black and Blue lines that fit exactly or pass the edge
// by one pixel are checked through velloran-script's check (script_tests).
#include "text_measure.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;
static Bytes operator+(Bytes a, const std::string& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
static Bytes W(int n) { return Bytes(n, 'W'); } // 14 px each
static Bytes Lines(int count) // count lines of one W
{
    Bytes t = { 'W' };
    while (--count > 0) t.insert(t.end(), { CC_LINE_BREAK, 'W' });
    return t;
}

static BoxMeasure Measure(const Bytes& text, int type, std::vector<LineMeasure>& lines)
{
    lines.assign(16, LineMeasure());
    BoxMeasure m = MeasureBoxText(text.data(), (uint32_t)text.size(), (BoxType)type, lines.data(), 16);
    lines.resize(m.LinesStored);
    return m;
}

TEST(Measure, PenRulesAgainstTheRightAndBottomEdges)
{
    // Width: of the last line; TooWide, Count, Below: the box's counts of lines.
    struct Case { Bytes Text; int Type, Width; uint32_t TooWide, Count, Below; };
    const Bytes icon = { CC_ICON, 5, 'a', CC_LINE_BREAK }; // the indent holds for later lines
    const Case cases[] = {
        { icon + std::string(17, 'W') + ":", BOX_BLACK, 282, 0, 2, 0 },
        { icon + std::string(17, 'W') + "(", BOX_BLACK, 283, 1, 2, 0 },
        // A gap after the last glyph draws nothing and does not count.
        { Bytes{ CC_SHIFT, 200 } + "WWWWWHI" + std::string{ (char)CC_SHIFT, (char)255, CC_COLOR, 0x41 }, BOX_BLACK, 282, 0, 1, 0 },
        { Bytes{ CC_SHIFT, 201 } + "WWWWWHI", BOX_BLACK, 283, 1, 1, 0 },
        // CC_PLAYER 16, an unassigned code 7, a zero byte inside the box 7, 0xAB 13; codes
        // without width add nothing.
        { Bytes{ CC_PLAYER, 0x03, TEXT_NUL, 0xAB, CC_PASS_08, CC_SOUND, 0x28, 0xDF, CC_END }, BOX_BLACK, 43, 0, 1, 0 },
        // Codes the game draws nothing for add nothing, also with arguments equal to a line
        // break; the values the game writes in count as their stand-ins: "0:30" 30, "1000" 32.
        { Bytes{ CC_TWO_CHOICE, CC_SPEED, CC_LINE_BREAK, CC_NEXT_MESSAGE, CC_LINE_BREAK, CC_END, 'W' }, BOX_BLACK, 14, 0, 1, 0 },
        { Bytes{ CC_TIMER, CC_HIGH_SCORE, CC_LINE_BREAK, 'W' }, BOX_BLACK, 76, 0, 1, 0 },
        // A gap of 4 pixels is no box break and one of 1 no line (the check's line count).
        { Bytes{ 'W', CC_SHIFT, CC_BOX_BREAK, 'W', CC_SHIFT, CC_LINE_BREAK, CC_LINE_BREAK, 'W' }, BOX_BLACK, 14, 0, 2, 0 },
        // Five lines fit, the sixth lies below; drawing ends at the first box end.
        { Lines(6), BOX_BLUE, 14, 0, 6, 1 }, // (Black: through check)
        { Lines(3) + std::string(1, CC_BOX_BREAK_ALT) + std::string(40, 'W'), BOX_BLACK, 14, 0, 3, 0 },
        // 288 px fit the Blue graphic; Sign, Staff, the None types and types 6..15 have the Black one.
        { W(20) + "B", 1, 288, 1, 1, 0 }, { W(20) + "B", 3, 288, 1, 1, 0 }, { W(20) + "B", 4, 288, 1, 1, 0 },
        { W(20) + "B", 5, 288, 1, 1, 0 }, { W(20) + "B", 6, 288, 1, 1, 0 }, { W(20) + "B", 15, 288, 1, 1, 0 },
    };
    std::vector<LineMeasure> lines;
    for (size_t i = 0; i < sizeof(cases) / sizeof(cases[0]); i++)
    {
        const Case& c = cases[i];
        BoxMeasure m = Measure(c.Text, c.Type, lines);
        EXPECT_EQ(m.MeasuredAs, c.Type == BOX_BLUE ? BOX_BLUE : BOX_BLACK) << i;
        EXPECT_EQ(lines.back().Width, c.Width) << i;
        EXPECT_EQ(lines.back().TooWide, c.TooWide > 0) << i;
        EXPECT_EQ(lines.back().BelowBox, c.Below > 0) << i;
        EXPECT_TRUE(m.TooWideCount == c.TooWide && m.LineCount == c.Count && m.BelowCount == c.Below &&
                    m.LinesThatFit == c.Count - c.Below) << i;
    }
    EXPECT_EQ(Measure(Bytes{ CC_SHIFT, CC_LINE_BREAK, 'W' }, BOX_BLACK, lines).FirstLineY, 210);
    Measure(Lines(5), BOX_BLACK, lines);
    EXPECT_EQ(lines[4].Y, 242); // rows 242..257: the last row inside the graphic

    // The counts go on beyond the caller's array.
    Bytes many = Lines(40);
    LineMeasure two[2];
    BoxMeasure big = MeasureBoxText(many.data(), (uint32_t)many.size(), BOX_BLACK, two, 2);
    EXPECT_TRUE(big.LineCount == 40 && big.LinesStored == 2 && big.BelowCount == 35 && two[1].Start == 2);
    // A code cut off by the end of the text ends the measure without reading past it.
    Bytes cut = { 'W', CC_SOUND, 0x28 };
    EXPECT_EQ(MeasureBoxText(cut.data(), 3, BOX_BLACK, nullptr, 0).LineCount, 1u);
}
