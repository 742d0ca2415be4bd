// Text Options panel: special characters and colour swatches.
#include "shell.h"
#include "encoding.h"

// ---- Layout ---------------------------------------------------------------------------------
const int PALETTE_X = 546, PALETTE_Y = 50;
// Hit columns are counted from x 416 in steps of 16, so they run two pixels left of the glyphs,
// which are drawn from x 546.
const int PALETTE_COLUMN_ORIGIN = 416;
const int PALETTE_STEP = 16;
const int PALETTE_ROW1_TOP = 50, PALETTE_ROW1_BOTTOM = 66;
const int PALETTE_ROW2_TOP = 67, PALETTE_ROW2_BOTTOM = 82;
const int PALETTE_ROW3_TOP = 83, PALETTE_ROW3_BOTTOM = 98;
const int ROW3_LAST_SYMBOL_X = 733;   // 0xAA
const int PLAYER_PLACE_RIGHT = 750;   // CC_PLAYER for x 734 to 750
// The D-pad came to the palette after the player, in the next free place, so that no place moved.
const int DPAD_PLACE_LEFT = 752, DPAD_PLACE_RIGHT = 767;
const int SWATCH_X = 640, SWATCH_Y = 125, SWATCH_SIZE = 16, SWATCH_STEP = 20;

// The last place of row 2 would name 0x9F, the first symbol of row 3: it shows and inserts the
// yen sign 0x5C instead.
const uint8_t ROW2_PAST_LETTERS = 0x9F;
const uint8_t PALETTE_STAND_IN = YEN_BYTE;

// Row 1: 0x80 to 0x8F; row 2: 0x90 to 0x9E and 0x5C; row 3: 0x9F to 0xAA, CC_PLAYER and 0xAB.
struct PaletteString
{
    uint8_t Bytes[16 + 1 + 16 + 1 + 14 + 1];
    PaletteString()
    {
        int n = 0;
        for (int b = LETTER_FIRST; b <= 0x8F; b++) Bytes[n++] = (uint8_t)b;
        Bytes[n++] = CC_LINE_BREAK;
        for (int b = 0x90; b <= LETTER_LAST; b++) Bytes[n++] = (uint8_t)b;
        Bytes[n++] = PALETTE_STAND_IN;
        Bytes[n++] = CC_LINE_BREAK;
        for (int b = SYMBOL_FIRST; b < SYMBOL_LAST; b++) Bytes[n++] = (uint8_t)b;
        Bytes[n++] = CC_PLAYER;
        Bytes[n++] = SYMBOL_LAST;
        Bytes[n++] = TEXT_NUL;
    }
};
static const PaletteString SPECIAL_CHARACTERS;

// Two line breaks put the visible label at y 127, beside the swatches.
static const uint8_t SWATCH_LABEL[] = "\x01\x01           Selected Text Color:";

// ---- Drawing --------------------------------------------------------------------------------
void DrawTextPanel(Editor& editor)
{
    DrawPlainText(editor, 450, 16, (const uint8_t*)"Text Options");
    DrawPlainText(editor, 416, 50, (const uint8_t*)"Special Characters:");
    DrawPlainText(editor, PALETTE_X, PALETTE_Y, SPECIAL_CHARACTERS.Bytes, true);
    DrawPlainText(editor, 416, 95, SWATCH_LABEL);

    SDL_Surface* screen = editor.Shell.Screen;
    if (!screen) return;
    for (int i = 0; i < TEXT_COLOR_COUNT; i++)
    {
        SDL_Rect square = { (Sint16)(SWATCH_X + SWATCH_STEP * i), SWATCH_Y, SWATCH_SIZE, SWATCH_SIZE };
        uint32_t c = TextColorTable[i];
        SDL_FillRect(screen, &square, SDL_MapRGB(screen->format, (Uint8)(c >> 16), (Uint8)(c >> 8), (Uint8)c));
    }
}

// ---- Clicks ---------------------------------------------------------------------------------
// The byte the palette inserts for a click at (x, y), or -1 for none.
static int PaletteByteAt(int x, int y)
{
    if (x < PALETTE_X) return -1;
    int column = (x - PALETTE_COLUMN_ORIGIN) / PALETTE_STEP;
    if (y >= PALETTE_ROW1_TOP && y <= PALETTE_ROW1_BOTTOM) return 0x78 + column;
    if (y >= PALETTE_ROW2_TOP && y <= PALETTE_ROW2_BOTTOM)
    {
        int b = 0x88 + column;
        return b == ROW2_PAST_LETTERS ? PALETTE_STAND_IN : b;
    }
    if (y >= PALETTE_ROW3_TOP && y <= PALETTE_ROW3_BOTTOM)
    {
        if (x <= ROW3_LAST_SYMBOL_X) return 0x97 + column;
        if (x <= PLAYER_PLACE_RIGHT) return CC_PLAYER;
        if (x >= DPAD_PLACE_LEFT && x <= DPAD_PLACE_RIGHT) return SYMBOL_LAST;
    }
    return -1;
}

void TextPanelClick(Editor& editor, int x, int y)
{
    // Columns past the window's right edge would name bytes outside the palette.
    if (x < WIDE_WIDTH)
    {
        int b = PaletteByteAt(x, y);
        if (b >= 0) TypeByte(editor.Store, (uint8_t)b);
    }

    for (int i = 0; i < TEXT_COLOR_COUNT; i++)
    {
        int left = SWATCH_X + SWATCH_STEP * i;
        if (x >= left && x <= left + SWATCH_SIZE && y >= SWATCH_Y && y <= SWATCH_Y + SWATCH_SIZE)
            ColourSelection(editor.Store, editor.Render.Selection, (uint8_t)(COLOR_FIRST + i));
    }
}
