// Byte encoding of message text: the game's code table (every byte below 0x20, its argument
// count and its names), the colours, the accented letters, and the one element walk that every
// reader of text uses. Every text of the program (message data, the edit buffer, interface
// strings) uses it. A leaf: no SDL, nothing of the store.
#pragma once
#include <cstdint>

// ---- Control codes ---------------------------------------------------------------------------
// A byte below 0x20 is a control code; the bytes after it that CONTROL_CODES counts are its
// arguments. An argument byte is never a character, a code, an end, a break or TEXT_NUL.
const uint8_t TEXT_NUL         = 0x00; // end of a zero-terminated text
const uint8_t CC_LINE_BREAK    = 0x01; // new line
const uint8_t CC_END           = 0x02; // end of the message
const uint8_t CC_UNASSIGNED_03 = 0x03; // the one byte below 0x20 the game gives no meaning
const uint8_t CC_BOX_BREAK     = 0x04; // end of this box, another box follows
const uint8_t CC_COLOR         = 0x05; // 1 argument: colour 0x40..0x47
const uint8_t CC_SHIFT         = 0x06; // 1 argument: horizontal gap in pixels
const uint8_t CC_NEXT_MESSAGE  = 0x07; // 2 arguments: the message the text goes on with, high byte first
const uint8_t CC_PASS_08       = 0x08; // the text appears at once
const uint8_t CC_PASS_09       = 0x09; // the text appears letter by letter again
const uint8_t CC_KEEP_OPEN     = 0x0A; // the box stays open
const uint8_t CC_AWAIT_EVENT   = 0x0B; // waits for an event of the game
const uint8_t CC_BOX_BREAK_ALT = 0x0C; // 1 argument: box break after a delay (frames)
const uint8_t CC_AWAIT_BUTTON  = 0x0D; // waits for a button press
const uint8_t CC_FADE          = 0x0E; // 1 argument: the box closes by itself after a delay
const uint8_t CC_PLAYER        = 0x0F; // the player character's portrait
const uint8_t CC_OCARINA       = 0x10; // the ocarina
const uint8_t CC_FADE_LONG     = 0x11; // 2 arguments: the box closes by itself after a delay
const uint8_t CC_SOUND         = 0x12; // 2 arguments: sound ID, high byte first
const uint8_t CC_ICON          = 0x13; // 1 argument: icon number
const uint8_t CC_SPEED         = 0x14; // 1 argument: text speed
const uint8_t CC_PASS_15       = 0x15; // 3 arguments: background picture
const uint8_t CC_TIMER         = 0x16; // the game writes in a timer
const uint8_t CC_TIMER_2       = 0x17; // the game writes in a second timer
const uint8_t CC_POINTS        = 0x18; // the game writes in points
const uint8_t CC_TOKENS        = 0x19; // the game writes in a number of tokens
const uint8_t CC_PASS_1A       = 0x1A; // the box cannot be skipped
const uint8_t CC_TWO_CHOICE    = 0x1B; // two-way choice
const uint8_t CC_THREE_CHOICE  = 0x1C; // three-way choice
const uint8_t CC_FISH          = 0x1D; // the game writes in a fish's weight
const uint8_t CC_HIGH_SCORE    = 0x1E; // 1 argument: the game writes in a high score
const uint8_t CC_TIME_OF_DAY   = 0x1F; // the game writes in the time of day

const int CONTROL_CODE_COUNT = 0x20;
const int MAX_ARGUMENTS      = 3;

// How the preview shows a code. The game draws nothing for most codes; the editor marks where
// they stand without changing the width of the line, and writes a stand-in of a typical width
// where the game writes in a number or a time.
enum CodeLook : uint8_t
{
    LOOK_OWN,      // drawn by its own rule (line break, colour, gap, icon, portrait, ends)
    LOOK_MARKER,   // nothing in the game: a small marker of no width
    LOOK_STAND_IN, // the game writes in a value: StandIn is drawn and measured in its place
    LOOK_UNKNOWN,  // no meaning: drawn as an unassigned byte
};

// What a code is, for every reader. Tag is the script's name of the code (the script writes its
// arguments after it, {speed 2}, and reads the name in any letter case); Meaning is the words
// the editor uses for it (a "%d" or "%X" stands for the argument, read big-endian). Both are
// NULL where the code has no name of its own. StandIn is in the text encoding.
struct ControlCodeInfo
{
    uint8_t     Arguments;
    const char* Tag;
    const char* Meaning;
    CodeLook    Look;
    const char* StandIn;
};

inline const ControlCodeInfo& ControlCode(uint8_t b)
{
    static const ControlCodeInfo CODES[CONTROL_CODE_COUNT] = {
        { 0, nullptr,           nullptr,                                         LOOK_OWN,      nullptr }, // 0x00 TEXT_NUL
        { 0, nullptr,           "line break",                                    LOOK_OWN,      nullptr }, // 0x01
        { 0, "end",             "end of the message",                            LOOK_OWN,      nullptr }, // 0x02
        { 0, nullptr,           nullptr,                                         LOOK_UNKNOWN,  nullptr }, // 0x03 unassigned
        { 0, "box",             "box break",                                     LOOK_OWN,      nullptr }, // 0x04
        { 1, "color",           "colour %02X",                                   LOOK_OWN,      nullptr }, // 0x05
        { 1, "shift",           "gap of %d pixels",                              LOOK_OWN,      nullptr }, // 0x06
        { 2, "goto",            "goes on with message %04X",                     LOOK_MARKER,   nullptr }, // 0x07
        { 0, "instant",         "text appears at once",                          LOOK_MARKER,   nullptr }, // 0x08
        { 0, "by-letter",       "text appears letter by letter",                 LOOK_MARKER,   nullptr }, // 0x09
        { 0, "keep-open",       "the box stays open",                            LOOK_MARKER,   nullptr }, // 0x0A
        { 0, "wait-event",      "waits for a game event",                        LOOK_MARKER,   nullptr }, // 0x0B
        { 1, "box-delay",       "box break after %d frames",                     LOOK_OWN,      nullptr }, // 0x0C
        { 0, "wait-button",     "waits for a button press",                      LOOK_MARKER,   nullptr }, // 0x0D
        { 1, "fade",            "closes after %d frames",                        LOOK_MARKER,   nullptr }, // 0x0E
        { 0, "player",          "the player character",                          LOOK_OWN,      nullptr }, // 0x0F
        { 0, "ocarina",         "the ocarina",                                   LOOK_MARKER,   nullptr }, // 0x10
        { 2, "fade-long",       "closes after %d frames",                        LOOK_MARKER,   nullptr }, // 0x11
        { 2, "sound",           "sound %04X",                                    LOOK_MARKER,   nullptr }, // 0x12
        { 1, "icon",            "icon %d",                                       LOOK_OWN,      nullptr }, // 0x13
        { 1, "speed",           "text speed %d",                                 LOOK_MARKER,   nullptr }, // 0x14
        { 3, "background",      "background picture %06X",                       LOOK_MARKER,   nullptr }, // 0x15
        { 0, "timer",           "a timer",                                       LOOK_STAND_IN, "0:30"  }, // 0x16
        { 0, "timer2",          "the second timer",                              LOOK_STAND_IN, "0:30"  }, // 0x17
        { 0, "points",          "points",                                        LOOK_STAND_IN, "1000"  }, // 0x18
        { 0, "tokens",          "number of tokens",                              LOOK_STAND_IN, "10"    }, // 0x19
        { 0, "no-skip",         "the box cannot be skipped",                     LOOK_MARKER,   nullptr }, // 0x1A
        { 0, "two-choice",      "two-way choice",                                LOOK_MARKER,   nullptr }, // 0x1B
        { 0, "three-choice",    "three-way choice",                              LOOK_MARKER,   nullptr }, // 0x1C
        { 0, "fish",            "a fish's weight",                               LOOK_STAND_IN, "10"    }, // 0x1D
        { 1, "high-score",      "high score %d",                                 LOOK_STAND_IN, "1000"  }, // 0x1E
        { 0, "time",            "the time of day",                               LOOK_STAND_IN, "12:00" }, // 0x1F
    };
    static const ControlCodeInfo CHARACTER = { 0, nullptr, nullptr, LOOK_OWN, nullptr };
    return b < CONTROL_CODE_COUNT ? CODES[b] : CHARACTER;
}

// ---- Colours ---------------------------------------------------------------------------------
const uint8_t COLOR_FIRST  = 0x40; // white; every text starts in it
const uint8_t COLOR_WHITE  = 0x40;
const uint8_t COLOR_RED    = 0x41;
const uint8_t COLOR_YELLOW = 0x46;
const uint8_t COLOR_LAST   = 0x47;

// ---- Character bytes -------------------------------------------------------------------------
// 0x20..0x7E ASCII (0x5C shows the yen sign), 0x7F nothing, 0x80..0x9E the accented letters,
// 0x9F..0xAB the controller symbols, the D-pad last.
const uint8_t LETTER_FIRST = 0x80, LETTER_LAST = 0x9E;
const uint8_t SYMBOL_FIRST = 0x9F, SYMBOL_LAST = 0xAB;
const uint8_t YEN_BYTE     = 0x5C;

// Unicode code point of an accented letter byte; 0 for every other byte.
inline uint32_t LetterCodePoint(uint8_t b)
{
    // À Á Â Ä Ç È É Ê Ë Ï Ô Ö Ù Û Ü ß à á â ä ç è é ê ë ï ô ö ù û ü (all in Latin-1)
    static const uint8_t LETTERS[LETTER_LAST - LETTER_FIRST + 1] = {
        0xC0, 0xC1, 0xC2, 0xC4, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCF, 0xD4, 0xD6, 0xD9, 0xDB, 0xDC, 0xDF,
        0xE0, 0xE1, 0xE2, 0xE4, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEF, 0xF4, 0xF6, 0xF9, 0xFB, 0xFC,
    };
    return b >= LETTER_FIRST && b <= LETTER_LAST ? LETTERS[b - LETTER_FIRST] : 0;
}

// ---- Elements --------------------------------------------------------------------------------
// An element is one character byte, or one control code with its argument bytes. Every reader
// walks text element by element from a known element start; a byte is a terminator, a break or
// TEXT_NUL only where an element starts.

// Number of argument bytes that follow a control code (0 for every other byte).
inline int ControlArgumentCount(uint8_t b) { return ControlCode(b).Arguments; }

// Length of the element that starts at text[pos], pos < end. A code whose arguments are cut off
// by end stays one (short) element.
inline uint32_t ElementLength(const uint8_t* text, uint32_t pos, uint32_t end)
{
    uint32_t n = 1 + (uint32_t)ControlArgumentCount(text[pos]);
    return n <= end - pos ? n : end - pos;
}

// Start of the element that holds byte pos (or starts at it), walking from start, which must be
// an element start. O(pos - start).
inline uint32_t ElementStartOf(const uint8_t* text, uint32_t start, uint32_t pos)
{
    uint32_t p = start;
    while (p < pos)
    {
        uint32_t next = p + 1 + (uint32_t)ControlArgumentCount(text[p]);
        if (next > pos) return p;
        p = next;
    }
    return p;
}

// True for the bytes that, at an element start, end a box copied into the edit buffer.
inline bool IsBoxTerminatorByte(uint8_t b) { return b == CC_END || b == CC_BOX_BREAK; }

// Length of the box text that starts at text[0] and may run to end: up to and including the
// first CC_END or CC_BOX_BREAK that starts an element (terminated true), or end when none does
// (terminated false). The one copy rule of the box scan, the edit buffer and the edits.
inline uint32_t BoxTextLength(const uint8_t* text, uint32_t end, bool* terminated)
{
    for (uint32_t p = 0; p < end; p += ElementLength(text, p, end))
    {
        if (IsBoxTerminatorByte(text[p]))
        {
            if (terminated) *terminated = true;
            return p + 1;
        }
    }
    if (terminated) *terminated = false;
    return end;
}

// The arguments of the code at text[pos] read as one big-endian number (0 for none); bytes cut
// off by end count as missing.
inline uint32_t ArgumentValue(const uint8_t* text, uint32_t pos, uint32_t end)
{
    uint32_t length = ElementLength(text, pos, end), value = 0;
    for (uint32_t k = 1; k < length; k++) value = value << 8 | text[pos + k];
    return value;
}
