// The one text renderer: draws encoded text with the font sheet, in PLAIN mode (the window's own
// strings) or PREVIEW mode (the current box, with centring, cursor, selection and icon).
#pragma once
#include "message_store.h"
#include <SDL/SDL.h>
#include <cstdint>

enum TextDrawMode : uint8_t
{
    PLAIN = 1,
    PREVIEW = 2,
};

// SelectionState values: pointer and keyboard focus, shared by the shell's input handlers
// and the PREVIEW hit test.
const uint8_t SELECT_IDLE     = 0;
const uint8_t SELECT_PRESSED  = 1; // button pressed in the message area
const uint8_t SELECT_DRAGGING = 2;
const uint8_t SELECT_MADE     = 3;
const uint8_t SEARCH_TYPING   = 8; // the search field has the keyboard

const uint32_t SELECTION_HIGHLIGHT = 0xD3AFFF;
const uint32_t CODE_MARKER_COLOUR = 0xFF9900; // markers of codes and the stand-ins' underline
const int TEXT_COLOR_COUNT = 8;
extern const uint32_t TextColorTable[TEXT_COLOR_COUNT]; // colours 0x40..0x47, 0xRRGGBB

const int ICON_SIZE = 40;
const int ICON_ANCHOR_X = 71, ICON_ANCHOR_Y = 198;

// IconStrip cell of an icon number: n up to 101, n - 12 above.
inline int IconCell(int iconNumber) { return iconNumber <= 101 ? iconNumber : iconNumber - 12; }

struct RenderState
{
    // Hand-over fields
    uint8_t  PendingIcon = NO_ICON;  // icon chosen in the Box Options panel, applied by PREVIEW
    uint8_t  ShownIcon = 0;          // icon of the box last drawn in PREVIEW, NO_ICON for none
    uint8_t  ShownSound = 0;         // SoundIdTable index of its sound, SOUND_COUNT for none
    uint8_t  EndMarkerCell = 0;      // x of the BoxEndMarkers cell: 0, 16 or 32
    uint8_t  SelectionState = SELECT_IDLE;
    TextSelection Selection;         // SelectionAnchor, SelectionEnd
    int16_t  PointerX = 0, PointerY = 0; // most recent mouse event

    // Resources made once by InitRenderer (the renderer's own; see text_render.cpp)
    SDL_Surface* TintedFont[TEXT_COLOR_COUNT] = {}; // font sheet tinted for each colour
    SDL_Surface* IconStrip = nullptr;               // not owned

    // Slow path kept for comparison: decode the sheet at every call and at every CC_COLOR and
    // tint that fresh copy, instead of using TintedFont. Draws the same picture.
    bool DecodeEveryCall = false;
};

// Decodes the font sheet once and prepares its tinted copies. False when it cannot be decoded.
bool InitRenderer(RenderState& render, SDL_Surface* iconStrip);
void ShutdownRenderer(RenderState& render);

// Recolours a font sheet surface in place: every colour byte times (256 - component) mod 256.
void TintFont(SDL_Surface* fontSurface, uint32_t colour);

// Draws text from index start at position (x, y; width and height unused). PREVIEW also uses and
// changes the store's EditBuffer and Cursor and the hand-over fields above.
void DrawEncodedText(RenderState& render, MessageStore& store, SDL_Rect position, uint32_t start,
                     SDL_Surface* surface, TextDrawMode mode, const uint8_t* text,
                     bool fixedAdvance);
