// Byte encoding of message text: control codes, their argument counts and byte classes.
// Every text of the program (message data, the edit buffer, interface strings) uses it.
#pragma once
#include <cstdint>

// ---- Control codes ---------------------------------------------------------------------------
const uint8_t TEXT_NUL         = 0x00; // end of a zero-terminated text
const uint8_t CC_LINE_BREAK    = 0x01; // new line
const uint8_t CC_END           = 0x02; // end of the message
const uint8_t CC_BOX_BREAK     = 0x04; // end of this box, another box follows
const uint8_t CC_COLOR         = 0x05; // 1 argument: colour 0x40..0x47
const uint8_t CC_SHIFT         = 0x06; // 1 argument: horizontal gap in pixels
const uint8_t CC_PASS_08       = 0x08; // kept in the text, no visible effect
const uint8_t CC_PASS_09       = 0x09; // kept in the text, no visible effect
const uint8_t CC_BOX_BREAK_ALT = 0x0C; // box break for scanning and drawing, not for copying
const uint8_t CC_PLAYER        = 0x0F; // the player character's portrait
const uint8_t CC_SOUND         = 0x12; // 2 arguments: sound ID, high byte first
const uint8_t CC_ICON          = 0x13; // 1 argument: icon number
const uint8_t CC_PASS_15       = 0x15; // kept in the text; what follows is read normally
const uint8_t CC_PASS_1A       = 0x1A; // kept in the text, no visible effect

// ---- Colours ---------------------------------------------------------------------------------
const uint8_t COLOR_FIRST  = 0x40; // white; every text starts in it
const uint8_t COLOR_WHITE  = 0x40;
const uint8_t COLOR_RED    = 0x41;
const uint8_t COLOR_YELLOW = 0x46;
const uint8_t COLOR_LAST   = 0x47;

// ---- Byte classes ----------------------------------------------------------------------------
// Number of argument bytes that follow a control code (0 for everything else).
inline int ControlArgumentCount(uint8_t b)
{
    switch (b)
    {
    case CC_COLOR: case CC_SHIFT: case CC_ICON: return 1;
    case CC_SOUND: return 2;
    default: return 0;
    }
}

// True for the bytes that end a box when a box is copied into the edit buffer
// (before the raw-byte look-back of the terminator rule).
inline bool IsBoxTerminatorByte(uint8_t b) { return b == CC_END || b == CC_BOX_BREAK; }
