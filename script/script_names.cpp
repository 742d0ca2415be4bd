// The names the script gives to control codes, colours, controller symbols, accented letters, box
// types and positions and sounds, in one place for writing and reading. The codes' own names are
// in the code table (encoding.h); only how each writes its arguments and the old names are here.
#include "script.h"
#include "encoding.h"
#include "sound_table.h"
#include <cstring>

// ---- Colours and symbols -----------------------------------------------------------------------
static const char* const COLOUR_NAMES[8] = {
    "white", "red", "green", "blue", "cyan", "magenta", "yellow", "black",
};

static const char* const SYMBOL_NAMES[SYMBOL_LAST - SYMBOL_FIRST + 1] = {
    "A", "B", "C", "L", "R", "Z", "up", "down", "left", "right", "arrow", "stick", "dpad",
};

const uint32_t YEN_SIGN = 0xA5; // byte 0x5C shows it

const char* ColourName(uint8_t colour)
{
    return colour >= COLOR_FIRST && colour <= COLOR_LAST ? COLOUR_NAMES[colour - COLOR_FIRST] : nullptr;
}

const char* SymbolName(uint8_t b)
{
    return b >= SYMBOL_FIRST && b <= SYMBOL_LAST ? SYMBOL_NAMES[b - SYMBOL_FIRST] : nullptr;
}

static bool SameLower(const std::string& lower, const char* name)
{
    size_t n = strlen(name);
    if (lower.size() != n) return false;
    for (size_t i = 0; i < n; i++)
    {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
        if (lower[i] != c) return false;
    }
    return true;
}

bool FindColourName(const std::string& lowerName, uint8_t* colour)
{
    for (int i = 0; i < 8; i++)
        if (SameLower(lowerName, COLOUR_NAMES[i])) return *colour = (uint8_t)(COLOR_FIRST + i), true;
    return false;
}

bool FindSymbolName(const std::string& lowerName, uint8_t* b)
{
    for (int i = 0; i <= SYMBOL_LAST - SYMBOL_FIRST; i++)
        if (SameLower(lowerName, SYMBOL_NAMES[i])) return *b = (uint8_t)(SYMBOL_FIRST + i), true;
    return false;
}

int ByteOfCodePoint(uint32_t codePoint)
{
    if (codePoint >= 0x20 && codePoint <= 0x7E) return (int)codePoint; // '\' is 0x5C as well
    if (codePoint == YEN_SIGN) return 0x5C;
    for (int b = LETTER_FIRST; b <= LETTER_LAST; b++)
        if (LetterCodePoint((uint8_t)b) == codePoint) return b;
    return -1;
}

// ---- Box types and positions -------------------------------------------------------------------
static const char* const TYPE_NAMES[6] = { "black", "sign", "blue", "staff", "none", "black-text" };
static const char* const POSITION_NAMES[3] = { "bottom", "top", "center" };

const char* BoxTypeName(uint8_t type) { return type < 6 ? TYPE_NAMES[type] : nullptr; }
const char* BoxPositionName(uint8_t position) { return position < 3 ? POSITION_NAMES[position] : nullptr; }

bool FindBoxTypeName(const std::string& lowerName, uint8_t* type)
{
    for (int i = 0; i < 6; i++)
        if (SameLower(lowerName, TYPE_NAMES[i])) return *type = (uint8_t)i, true;
    return false;
}

bool FindBoxPositionName(const std::string& lowerName, uint8_t* position)
{
    for (int i = 0; i < 3; i++)
        if (SameLower(lowerName, POSITION_NAMES[i])) return *position = (uint8_t)i, true;
    if (SameLower(lowerName, "centre")) return *position = 2, true;
    return false;
}

// ---- Sounds ------------------------------------------------------------------------------------
static const char* TrimmedSoundName(int index)
{
    const char* name = SoundNameTable[index];
    while (*name == ' ') name++;
    return name;
}

const char* SoundTagName(uint16_t soundId)
{
    int index = FindSoundIndex(soundId);
    if (index >= SOUND_COUNT) return nullptr;
    const char* name = TrimmedSoundName(index);
    for (int i = 0; i < index; i++)
        if (strcmp(TrimmedSoundName(i), name) == 0) return nullptr; // a name read as the first
    return name;
}

bool FindSoundName(const std::string& lowerName, uint16_t* soundId)
{
    for (int i = 0; i < SOUND_COUNT; i++)
        if (SameLower(lowerName, TrimmedSoundName(i))) return *soundId = SoundIdTable[i], true;
    return false;
}

// ---- Control codes -----------------------------------------------------------------------------
TagArgument TagArgumentOf(uint8_t code)
{
    switch (code)
    {
    case CC_COLOR: return TAG_COLOUR;
    case CC_SOUND: return TAG_SOUND;
    case CC_NEXT_MESSAGE: return TAG_MESSAGE;
    case CC_PASS_15: return TAG_HEX; // three bytes of no known number
    default: return ControlArgumentCount(code) > 0 ? TAG_DECIMAL : TAG_NO_ARGUMENT;
    }
}

int FindCodeTag(const std::string& lowerName, bool* alone)
{
    // Names of scripts written when these codes were thought to take no arguments.
    static const struct { const char* Name; uint8_t Code; } OLD_NAMES[] = {
        { "pass08", CC_PASS_08 }, { "pass09", CC_PASS_09 }, { "pass15", CC_PASS_15 },
        { "pass1a", CC_PASS_1A }, { "box-alt", CC_BOX_BREAK_ALT },
    };
    *alone = false;
    for (int b = 0; b < CONTROL_CODE_COUNT; b++)
        if (const char* tag = ControlCode((uint8_t)b).Tag)
            if (SameLower(lowerName, tag)) return b;
    for (const auto& old : OLD_NAMES)
        if (lowerName == old.Name) return *alone = true, old.Code;
    if (lowerName == "colour") return CC_COLOR;
    return -1;
}
