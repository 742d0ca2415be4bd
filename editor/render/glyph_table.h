// Font cells and advance widths of the byte encoding (no SDL: shared by the renderer, the
// store's tests and the asset checks).
#pragma once
#include <cstdint>

const int FONT_CELL_SIZE    = 16;  // every glyph cell is 16 x 16
const int FONT_COLUMNS      = 10;
const int FONT_ROWS         = 15;
const int FONT_CELL_COUNT   = FONT_COLUMNS * FONT_ROWS; // 150; cells 141..149 are empty
const int PLAYER_CELL       = 0;   // portrait drawn for CC_PLAYER
const int CURSOR_CELL       = 93;  // the "|" glyph
const int EMPTY_CELL        = 96;
const int PLAYER_ADVANCE    = 16;  // CC_PLAYER moves the pen 16 ...
const int PLAYER_HIT_WIDTH  = 7;   // ... but is hit-tested and highlighted 7 wide
const int UNASSIGNED_ADVANCE = 7;
const int FIXED_ADVANCE     = 16;

// Font cell of a character byte: byte - 31 for 0x20..0x7E (cells 1..95) and 0x80..0xAB
// (letters 97..127, symbols 128..140). -1 for bytes without a cell (control codes, 0x7F,
// 0xAC..0xFF). CC_PLAYER is not a character byte.
int GlyphCell(uint8_t b);

// True when the byte is drawn as a character glyph.
inline bool IsCharacterByte(uint8_t b) { return GlyphCell(b) >= 0; }

// Pen advance in pixels of a character byte; UNASSIGNED_ADVANCE for every byte without a cell.
int GlyphAdvance(uint8_t b);
