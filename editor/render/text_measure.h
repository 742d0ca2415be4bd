// The text measure: where the preview puts a box's text and whether it stays inside the box
// graphic. No SDL: the renderer, the editor's overflow marks and velloran-script's check all use
// it, and AdvancePen is the one place the pen rules live, so they can never disagree.
#pragma once
#include "encoding.h"
#include <cstdint>

// ---- Box types and their graphics ------------------------------------------------------------
// High nibble of byte 2 of a table entry. 6 to 15 occur and are shown like BOX_NONE.
enum BoxType : uint8_t
{
    BOX_BLACK = 0,
    BOX_SIGN = 1,
    BOX_BLUE = 2,
    BOX_STAFF = 3,
    BOX_NONE = 4,
    BOX_NONE_BLACK_TEXT = 5, // "None (not-emulated black text)"
};

// Pixels covered by a box graphic in the preview, both edges included.
struct BoxGraphic
{
    int Left, Top, Right, Bottom;
};

// The graphic a box of this type is measured against: Blue has the larger one; every other
// type (types without a graphic included) the Black one.
BoxGraphic BoxGraphicOf(BoxType type);

// ---- Preview geometry --------------------------------------------------------------------------
const int PREVIEW_TEXT_X      = 81;  // x of the first glyph of every line (before an icon indent)
const int PREVIEW_LINE_HEIGHT = 16;
const int ICON_INDENT         = 40;  // a CC_ICON moves the rest of the box this far right

// End of a text that is not known in advance: it ends at its first TEXT_NUL (interface strings).
// A box text of known length draws a zero byte before its end as an unassigned byte.
const uint32_t TEXT_END_UNKNOWN = 0xFFFFFFFF;

// True when the byte at i ends the drawing: CC_END, CC_BOX_BREAK, CC_BOX_BREAK_ALT, or a
// TEXT_NUL (any TEXT_NUL when textEnd is TEXT_END_UNKNOWN); a text of known length also ends at
// textEnd without a terminator. (Inline: called for every byte drawn or measured.)
inline bool EndsTextAt(const uint8_t* text, uint32_t i, uint32_t textEnd)
{
    if (textEnd != TEXT_END_UNKNOWN && i >= textEnd) return true;
    uint8_t b = text[i];
    if (b == TEXT_NUL) return textEnd == TEXT_END_UNKNOWN;
    return b == CC_END || b == CC_BOX_BREAK || b == CC_BOX_BREAK_ALT;
}

// True when the arguments of the code at i are cut off by the end of the text; the drawing
// ends at such a code.
inline bool ArgumentsCutOff(const uint8_t* text, uint32_t i, int arguments, uint32_t textEnd)
{
    if (textEnd != TEXT_END_UNKNOWN) return i + arguments >= textEnd;
    for (int k = 1; k <= arguments; k++)
        if (text[i + k] == TEXT_NUL) return true;
    return false;
}

// y of a PREVIEW's first line: 210 for one line, 8 higher per CC_LINE_BREAK element, at most 4
// counted. Argument bytes are stepped over (a CC_SHIFT of 1 is no break).
int PreviewFirstLineY(const uint8_t* text, uint32_t start, uint32_t textEnd);

// ---- The pen -----------------------------------------------------------------------------------
struct TextPen
{
    int X, Y;        // top left of the next glyph cell
    int LineStartX;  // where a CC_LINE_BREAK returns to
};

// Moves the pen past one element: element[0] is the byte and its arguments follow it (the
// caller has checked they are present). Characters, unassigned bytes and CC_PLAYER advance by
// their width (GlyphAdvance; PLAYER_ADVANCE; FIXED_ADVANCE for all with fixedAdvance);
// CC_LINE_BREAK returns to the line start one line lower; CC_SHIFT moves right by its argument;
// CC_ICON indents the pen and every later line by ICON_INDENT; a code the game writes a value
// in for moves by its stand-in's width. Other codes do not move it.
void AdvancePen(TextPen& pen, const uint8_t* element, bool fixedAdvance);

// True when the element draws a glyph (and so ends where the pen is afterwards): characters,
// CC_PLAYER, unassigned bytes and the stand-ins of the values the game writes in.
bool IsGlyphElement(uint8_t b);

// Width of the stand-in drawn for a code whose value the game writes in (0 for other bytes).
int StandInWidth(uint8_t b);

// ---- Measuring a box ---------------------------------------------------------------------------
struct LineMeasure
{
    uint32_t Start;  // index in the text of the line's first byte
    int Y;           // top of the line in the preview
    int Width;       // from PREVIEW_TEXT_X to the right end of the line's last glyph (the icon
                     // indent and CC_SHIFT gaps before it included); 0 for a line without glyph
    bool TooWide;    // the last glyph reaches right of the graphic's right edge
    bool BelowBox;   // the line's lower edge lies below the graphic's bottom edge
};

struct BoxMeasure
{
    BoxType MeasuredAs;    // BOX_BLUE or BOX_BLACK (see BoxGraphicOf)
    int RightEdge;         // last pixel column inside the box graphic
    int UsableWidth;       // widest line that fits: RightEdge + 1 - PREVIEW_TEXT_X
    int FirstLineY;        // as the preview centres the text
    uint32_t LineCount;    // lines the preview draws (CC_LINE_BREAK elements + 1)
    uint32_t LinesThatFit; // lines from FirstLineY down that end above the bottom edge
    uint32_t TooWideCount; // lines with TooWide
    uint32_t BelowCount;   // lines with BelowBox (LineCount - LinesThatFit, or 0)
    uint32_t LinesStored;  // lines written to the caller's array (at most its capacity)
};

// Measures one box text as the PREVIEW draws it: text[0 .. length) is the box (its terminator
// may be included; drawing stops at the first CC_END, CC_BOX_BREAK or CC_BOX_BREAK_ALT element,
// a zero byte inside it counts as an unassigned byte). Lines 0 .. lineCapacity-1 are written to
// lines (may be NULL with capacity 0); the counts cover every line. No allocation.
// The box being edited: MeasureBoxText(store.EditBuffer, EditTextLength(store), type, ...).
BoxMeasure MeasureBoxText(const uint8_t* text, uint32_t length, BoxType type, LineMeasure* lines,
                          uint32_t lineCapacity);
