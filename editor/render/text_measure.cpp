#include "text_measure.h"
#include "encoding.h"
#include "glyph_table.h"

// ---- Box graphics ------------------------------------------------------------------------------
static const BoxGraphic BLACK_GRAPHIC = { 42, 178, 362, 257 }; // Black, Sign and Staff
static const BoxGraphic BLUE_GRAPHIC  = { 34, 168, 368, 265 };

BoxGraphic BoxGraphicOf(BoxType type)
{
    return type == BOX_BLUE ? BLUE_GRAPHIC : BLACK_GRAPHIC;
}

// ---- Reading rules of the drawing --------------------------------------------------------------
int PreviewFirstLineY(const uint8_t* text, uint32_t start, uint32_t textEnd)
{
    // Element by element, as the drawing reads: an argument equal to CC_LINE_BREAK is no line.
    int breaks = 0;
    for (uint32_t i = start; !EndsTextAt(text, i, textEnd);)
    {
        uint8_t b = text[i];
        int arguments = ControlArgumentCount(b);
        if (arguments >= 1 && ArgumentsCutOff(text, i, arguments, textEnd)) break;
        if (b == CC_LINE_BREAK) breaks++;
        i += 1 + arguments;
    }
    if (breaks > 4) breaks = 4;
    return 210 - 8 * breaks;
}

// ---- The pen -----------------------------------------------------------------------------------
bool IsGlyphElement(uint8_t b)
{
    // TEXT_NUL occurs only inside a box text of known length, drawn as an unassigned byte.
    if (b == TEXT_NUL || b == CC_PLAYER || b >= CONTROL_CODE_COUNT) return true;
    CodeLook look = ControlCode(b).Look;
    return look == LOOK_STAND_IN || look == LOOK_UNKNOWN;
}

int StandInWidth(uint8_t b)
{
    const char* standIn = ControlCode(b).StandIn;
    int width = 0;
    for (const char* c = standIn; c && *c; c++) width += GlyphAdvance((uint8_t)*c);
    return width;
}

void AdvancePen(TextPen& pen, const uint8_t* element, bool fixedAdvance)
{
    uint8_t b = element[0];
    if (b == CC_LINE_BREAK)
    {
        pen.X = pen.LineStartX;
        pen.Y += PREVIEW_LINE_HEIGHT;
    }
    else if (b == CC_SHIFT)
        pen.X += element[1];
    else if (b == CC_ICON)
    {
        pen.X += ICON_INDENT;
        pen.LineStartX += ICON_INDENT;
    }
    else if (ControlCode(b).StandIn)
        pen.X += StandInWidth(b);
    else if (IsGlyphElement(b))
        pen.X += fixedAdvance ? FIXED_ADVANCE : (b == CC_PLAYER ? PLAYER_ADVANCE : GlyphAdvance(b));
}

// ---- Measuring a box ---------------------------------------------------------------------------
static void CloseLine(BoxMeasure& m, LineMeasure& line, int bottomLimit, LineMeasure* lines,
                      uint32_t lineCapacity)
{
    line.TooWide = line.Width > m.UsableWidth;
    line.BelowBox = line.Y + PREVIEW_LINE_HEIGHT > bottomLimit;
    if (line.TooWide) m.TooWideCount++;
    if (line.BelowBox) m.BelowCount++;
    if (m.LineCount < lineCapacity)
    {
        lines[m.LineCount] = line;
        m.LinesStored = m.LineCount + 1;
    }
    m.LineCount++;
}

BoxMeasure MeasureBoxText(const uint8_t* text, uint32_t length, BoxType type, LineMeasure* lines,
                          uint32_t lineCapacity)
{
    BoxMeasure m = {};
    m.MeasuredAs = type == BOX_BLUE ? BOX_BLUE : BOX_BLACK;
    BoxGraphic g = BoxGraphicOf(type);
    m.RightEdge = g.Right;
    m.UsableWidth = g.Right + 1 - PREVIEW_TEXT_X;
    m.FirstLineY = PreviewFirstLineY(text, 0, length);
    const int bottomLimit = g.Bottom + 1; // a line's rows must lie above this one
    int fit = (bottomLimit - m.FirstLineY) / PREVIEW_LINE_HEIGHT;
    uint32_t fitting = fit > 0 ? (uint32_t)fit : 0;

    TextPen pen = { PREVIEW_TEXT_X, m.FirstLineY, PREVIEW_TEXT_X };
    LineMeasure line = { 0, pen.Y, 0, false, false };
    uint32_t i = 0;
    while (!EndsTextAt(text, i, length))
    {
        uint8_t b = text[i];
        int arguments = ControlArgumentCount(b);
        if (arguments >= 1 && ArgumentsCutOff(text, i, arguments, length)) break;
        AdvancePen(pen, text + i, false);
        i += 1 + arguments;
        if (b == CC_LINE_BREAK)
        {
            CloseLine(m, line, bottomLimit, lines, lineCapacity);
            line.Start = i;
            line.Y = pen.Y;
            line.Width = 0;
        }
        else if (IsGlyphElement(b))
            line.Width = pen.X - PREVIEW_TEXT_X;
    }
    CloseLine(m, line, bottomLimit, lines, lineCapacity);
    m.LinesThatFit = m.LineCount < fitting ? m.LineCount : fitting;
    return m;
}
