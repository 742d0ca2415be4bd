// Import: reads a whole script into a table and message data, collecting every error as
// "FILE:LINE:COLUMN: what is wrong". Nothing here touches the disk.
#include "script.h"
#include "encoding.h"
#include <cstdio>
#include <cstdlib>

const uint32_t OFFSET_LIMIT = 0x1000000; // text offsets have 24 bits

struct ScriptParser
{
    const uint8_t* Line = nullptr; // the current line, blanks at its end cut off
    uint32_t LineLength = 0;
    uint32_t LineNumber = 0;
    std::string FileName;
    ScriptPair* Out = nullptr;

    bool InMessage = false;        // between a header and its {end}
    bool HaveBlock = false;        // a block with text was started (for "same")
    uint32_t BlockOffset = 0;
    uint32_t BlockHeaderLine = 0;
    std::string BlockId;
    int ArgumentsOwed = 0;         // argument bytes the last code still takes
    bool TooMany = false;
};

// ---- Errors ------------------------------------------------------------------------------------
static uint32_t ColumnOf(const ScriptParser& p, uint32_t index)
{
    uint32_t column = 1;
    for (uint32_t i = 0; i < index && i < p.LineLength; i++)
        if ((p.Line[i] & 0xC0) != 0x80) column++; // count characters, not UTF-8 bytes
    return column;
}

static void ErrorAt(ScriptParser& p, uint32_t line, uint32_t column, const std::string& what)
{
    if (p.TooMany) return;
    if ((int)p.Out->Errors.size() >= SCRIPT_ERROR_LIMIT)
    {
        p.Out->Errors.push_back(p.FileName + ": too many errors, the rest is not reported");
        p.TooMany = true;
        return;
    }
    char where[32];
    snprintf(where, sizeof(where), ":%u:%u: ", line, column);
    p.Out->Errors.push_back(p.FileName + where + what);
}

static void Error(ScriptParser& p, uint32_t index, const std::string& what)
{
    ErrorAt(p, p.LineNumber, ColumnOf(p, index), what);
}

// ---- Words and numbers -------------------------------------------------------------------------
static std::string Lower(const std::string& s)
{
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = (char)(c + 32);
    return r;
}

static bool IsBlank(uint8_t c) { return c == ' ' || c == '\t'; }

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A decimal number or 0x followed by hex digits, up to limit.
static bool ParseNumber(const std::string& s, uint32_t limit, uint32_t* value)
{
    if (s.empty()) return false;
    uint32_t v = 0;
    size_t i = 0;
    bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    if (hex) i = 2;
    for (; i < s.size(); i++)
    {
        int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (d < 0) return false;
        v = v * (hex ? 16 : 10) + (uint32_t)d;
        if (v > limit) return false;
    }
    *value = v;
    return true;
}

// Splits "name argument" at the first blank; the name is lower-cased.
static void SplitTag(const std::string& content, std::string& name, std::string& argument)
{
    size_t space = content.find_first_of(" \t");
    name = Lower(content.substr(0, space));
    argument.clear();
    if (space == std::string::npos) return;
    size_t start = content.find_first_not_of(" \t", space);
    if (start != std::string::npos) argument = content.substr(start);
}

// ---- Bytes of a message ------------------------------------------------------------------------
// Appends one byte of the message, keeping count of the argument bytes a code still takes, so
// that {end} is never swallowed as an argument.
static void AppendByte(ScriptParser& p, uint8_t b)
{
    p.Out->Data.push_back(b);
    if (p.ArgumentsOwed > 0) p.ArgumentsOwed--;
    else p.ArgumentsOwed = ControlArgumentCount(b);
}

static void AppendCode(ScriptParser& p, uint8_t code, uint8_t argument)
{
    AppendByte(p, code);
    AppendByte(p, argument);
}

// Hex bytes "0x1F", "0x1F 20", "0x1F 0x20", "0x1F20". False on anything else.
static bool ParseHexBytes(const std::string& content, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    size_t i = 0;
    while (i < content.size())
    {
        if (IsBlank((uint8_t)content[i]))
        {
            i++;
            continue;
        }
        if (content[i] == '0' && i + 1 < content.size() && (content[i + 1] == 'x' || content[i + 1] == 'X')) i += 2;
        size_t digits = 0;
        while (i + digits < content.size() && !IsBlank((uint8_t)content[i + digits])) digits++;
        if (digits == 0 || digits % 2 != 0) return false;
        for (size_t k = 0; k < digits; k += 2)
        {
            int hi = HexDigit(content[i + k]), lo = HexDigit(content[i + k + 1]);
            if (hi < 0 || lo < 0) return false;
            bytes.push_back((uint8_t)(hi << 4 | lo));
        }
        i += digits;
    }
    return !bytes.empty();
}

static bool IsHexTag(const std::string& content)
{
    return content.size() >= 2 && content[0] == '0' && (content[1] == 'x' || content[1] == 'X');
}

// What a tag inside a message was, for the reading of the rest of its line.
enum TagRead : uint8_t
{
    TAG_READ_TEXT,      // anything else, or an error
    TAG_READ_BOX_BREAK, // a named box break: a line break right after it is layout
    TAG_READ_END,       // {end}
};

// The argument of a code's tag as a number of ControlArgumentCount(code) bytes.
static bool ParseCodeArgument(uint8_t code, const std::string& argument, uint32_t* value)
{
    uint32_t limit = (uint32_t)(((uint64_t)1 << (8 * ControlArgumentCount(code))) - 1);
    switch (TagArgumentOf(code))
    {
    case TAG_COLOUR:
    {
        uint8_t colour = 0;
        if (FindColourName(Lower(argument), &colour)) return *value = colour, true;
        return ParseNumber(argument, limit, value);
    }
    case TAG_SOUND:
    {
        uint16_t sound = 0;
        if (FindSoundName(Lower(argument), &sound)) return *value = sound, true;
        return IsHexTag(argument) && ParseNumber(argument, limit, value);
    }
    case TAG_MESSAGE: // four hex digits as in a header, 0x allowed
        return ParseNumber(IsHexTag(argument) ? argument : "0x" + argument, limit, value);
    default:
        return ParseNumber(argument, limit, value);
    }
}

static const char* ArgumentHint(uint8_t code)
{
    switch (TagArgumentOf(code))
    {
    case TAG_COLOUR: return "a colour name or a byte such as 0x41";
    case TAG_SOUND: return "a sound name or an ID such as 0x28DF";
    case TAG_MESSAGE: return "a message ID of four hex digits such as 4013";
    case TAG_HEX: return "three bytes such as 0x000A01";
    default: return ControlArgumentCount(code) == 2 ? "a number from 0 to 65535" : "a number from 0 to 255";
    }
}

static TagRead ReadTag(ScriptParser& p, const std::string& content, uint32_t index)
{
    if (IsHexTag(content))
    {
        std::vector<uint8_t> bytes;
        if (!ParseHexBytes(content, bytes))
        {
            Error(p, index, "bad hex tag {" + content + "}: write bytes as {0x1F} or {0x1F 20}");
            return TAG_READ_TEXT;
        }
        for (uint8_t b : bytes)
        {
            if (b == CC_END && p.ArgumentsOwed == 0)
            {
                Error(p, index, "the end of a message is written {end}, not as a hex byte");
                return TAG_READ_TEXT;
            }
            AppendByte(p, b);
        }
        return TAG_READ_TEXT;
    }
    std::string name, argument;
    SplitTag(content, name, argument);
    uint8_t byte = 0;
    bool alone = false;
    int code = FindCodeTag(name, &alone);
    bool wantsArgument = code >= 0 && !alone && ControlArgumentCount((uint8_t)code) > 0;
    if (!wantsArgument && !argument.empty())
    {
        Error(p, index, "the tag {" + name + "} takes no argument");
        return TAG_READ_TEXT;
    }
    if (code == CC_END)
    {
        if (p.ArgumentsOwed > 0)
        {
            Error(p, index, "{end} would be read as the argument of the code before it");
            return TAG_READ_TEXT;
        }
        AppendByte(p, CC_END);
        return TAG_READ_END;
    }
    if (code >= 0 && !wantsArgument) AppendByte(p, (uint8_t)code);
    else if (code >= 0)
    {
        uint32_t value = 0;
        if (!ParseCodeArgument((uint8_t)code, argument, &value))
        {
            Error(p, index, "{" + name + "} needs " + ArgumentHint((uint8_t)code) +
                            (argument.empty() ? "" : ", not \"" + argument + "\""));
            return TAG_READ_TEXT;
        }
        AppendByte(p, (uint8_t)code);
        for (int k = ControlArgumentCount((uint8_t)code) - 1; k >= 0; k--) AppendByte(p, (uint8_t)(value >> (8 * k)));
    }
    else if (name == "br") AppendByte(p, CC_LINE_BREAK);
    else if (name == "sp") AppendByte(p, ' ');
    else if (name == "@") AppendByte(p, '@');
    else if (FindColourName(name, &byte)) AppendCode(p, CC_COLOR, byte);
    else if (FindSymbolName(name, &byte)) AppendByte(p, byte);
    else
    {
        Error(p, index, "unknown tag {" + content + "}");
        return TAG_READ_TEXT;
    }
    return code == CC_BOX_BREAK || code == CC_BOX_BREAK_ALT ? TAG_READ_BOX_BREAK : TAG_READ_TEXT;
}

// ---- Lines -------------------------------------------------------------------------------------
// Finds the '}' that closes the tag opened at index; LineLength when there is none.
static uint32_t TagClose(const ScriptParser& p, uint32_t index)
{
    for (uint32_t i = index + 1; i < p.LineLength; i++)
        if (p.Line[i] == '}') return i;
    return p.LineLength;
}

// After {end}: only hex tags (bytes between this message and the next) and blanks.
static void ReadAfterEnd(ScriptParser& p, uint32_t i)
{
    std::vector<uint8_t> bytes;
    while (i < p.LineLength)
    {
        if (IsBlank(p.Line[i]))
        {
            i++;
            continue;
        }
        uint32_t close = p.Line[i] == '{' ? TagClose(p, i) : p.LineLength;
        std::string content = close < p.LineLength ? std::string((const char*)p.Line + i + 1, close - i - 1) : "";
        if (close >= p.LineLength || !IsHexTag(content) || !ParseHexBytes(content, bytes))
        {
            Error(p, i, "only hex bytes such as {0x00 12} may follow {end} on its line");
            return;
        }
        p.Out->Data.insert(p.Out->Data.end(), bytes.begin(), bytes.end());
        i = close + 1;
    }
}

// One line of message text. Returns true when the message ended on it.
static bool ReadTextLine(ScriptParser& p)
{
    bool lastWasBoxBreak = false; // a line break right after {box} is layout, not text
    uint32_t i = 0;
    while (i < p.LineLength)
    {
        uint8_t c = p.Line[i];
        lastWasBoxBreak = false;
        if (c == '{')
        {
            if (i + 1 < p.LineLength && p.Line[i + 1] == '{')
            {
                AppendByte(p, '{');
                i += 2;
                continue;
            }
            uint32_t close = TagClose(p, i);
            if (close >= p.LineLength)
            {
                Error(p, i, "tag not closed: '}' is missing on this line (a '{' of the text is written {{)");
                break;
            }
            std::string content((const char*)p.Line + i + 1, close - i - 1);
            // Blanks around the name do not matter.
            size_t first = content.find_first_not_of(" \t"), last = content.find_last_not_of(" \t");
            content = first == std::string::npos ? "" : content.substr(first, last - first + 1);
            TagRead read = ReadTag(p, content, i);
            if (read == TAG_READ_END)
            {
                ReadAfterEnd(p, close + 1);
                return true;
            }
            lastWasBoxBreak = read == TAG_READ_BOX_BREAK;
            i = close + 1;
            continue;
        }
        if (c >= 0x20 && c <= 0x7E)
        {
            AppendByte(p, c); // '\' is byte 0x5C, like the yen sign
            i++;
            continue;
        }
        if (c < 0x80)
        {
            Error(p, i, "a tab or control character in the text; write bytes as tags such as {0x09}");
            i++;
            continue;
        }
        // UTF-8
        uint32_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
        uint32_t codePoint = length == 4 ? c & 0x07 : length == 3 ? c & 0x0F : c & 0x1F;
        bool valid = length > 0 && RangeInside(i, length, p.LineLength);
        for (uint32_t k = 1; valid && k < length; k++)
        {
            valid = (p.Line[i + k] & 0xC0) == 0x80;
            codePoint = codePoint << 6 | (p.Line[i + k] & 0x3F);
        }
        if (!valid)
        {
            Error(p, i, "not UTF-8 text");
            i++;
            continue;
        }
        int b = ByteOfCodePoint(codePoint);
        if (b < 0)
        {
            char what[96];
            snprintf(what, sizeof(what), "the character U+%04X has no byte in the game's text; write a byte as {0x..}", codePoint);
            Error(p, i, what);
        }
        else
            AppendByte(p, (uint8_t)b);
        i += length;
    }
    if (!lastWasBoxBreak) AppendByte(p, CC_LINE_BREAK);
    return false;
}

// ---- Headers -----------------------------------------------------------------------------------
static void AppendEntry(ScriptPair& out, uint16_t id, uint8_t typePosition, uint8_t reserved, uint8_t high,
                        uint32_t offset)
{
    const uint8_t entry[8] = { (uint8_t)(id >> 8), (uint8_t)id, typePosition, reserved, high,
                               (uint8_t)(offset >> 16), (uint8_t)(offset >> 8), (uint8_t)offset };
    out.Table.insert(out.Table.end(), entry, entry + 8);
}

static void MissingEnd(ScriptParser& p, const char* before)
{
    ErrorAt(p, p.BlockHeaderLine, 1, "the message of @" + p.BlockId + " has no {end} before " + before);
}

static void ReadHeader(ScriptParser& p)
{
    // "@" and four hex digits, then words separated by blanks.
    uint32_t i = 1;
    uint32_t id = 0;
    bool idOk = p.LineLength >= 5 && (p.LineLength == 5 || IsBlank(p.Line[5]));
    for (uint32_t k = 1; idOk && k < 5; k++)
    {
        int d = HexDigit((char)p.Line[k]);
        if (d < 0) idOk = false;
        else id = id << 4 | (uint32_t)d;
    }
    p.BlockHeaderLine = p.LineNumber;
    p.BlockId = std::string((const char*)p.Line + 1, p.LineLength >= 5 ? 4 : p.LineLength - 1);
    if (!idOk) Error(p, 1, "a header is @ and a four-digit hex message ID, such as @001B");
    i = 5;
    uint8_t type = 0, position = 0, reserved = 0x00, high = 0x07;
    bool same = false;
    while (i < p.LineLength)
    {
        if (IsBlank(p.Line[i]))
        {
            i++;
            continue;
        }
        uint32_t start = i;
        while (i < p.LineLength && !IsBlank(p.Line[i])) i++;
        std::string word = Lower(std::string((const char*)p.Line + start, i - start));
        size_t equals = word.find('=');
        std::string key = word.substr(0, equals), value = equals == std::string::npos ? "" : word.substr(equals + 1);
        uint32_t number = 0;
        if (equals == std::string::npos && FindBoxTypeName(word, &type)) continue;
        if (equals == std::string::npos && FindBoxPositionName(word, &position)) continue;
        if (word == "same") same = true;
        else if (key == "type" && ParseNumber(value, 15, &number)) type = (uint8_t)number;
        else if (key == "position" && ParseNumber(value, 15, &number)) position = (uint8_t)number;
        else if (key == "reserved" && ParseNumber(value, 255, &number)) reserved = (uint8_t)number;
        else if (key == "high" && ParseNumber(value, 255, &number)) high = (uint8_t)number;
        else
            Error(p, start, "unknown header word \"" + word + "\" (box types: black sign blue staff none black-text; "
                            "positions: bottom top center; type=N position=N reserved=0xNN high=0xNN same)");
    }
    uint8_t typePosition = (uint8_t)(type << 4 | position);
    if (same)
    {
        if (!p.HaveBlock) Error(p, 0, "\"same\" shares the text of the block before, and there is none");
        AppendEntry(*p.Out, (uint16_t)id, typePosition, reserved, high, p.BlockOffset);
        p.Out->HeaderLines.push_back(p.LineNumber);
        return;
    }
    std::vector<uint8_t>& data = p.Out->Data;
    while (data.size() % 4 != 0) data.push_back(0); // every message starts at a multiple of 4
    if (data.size() >= OFFSET_LIMIT)
    {
        Error(p, 0, "the message data passes 16 MiB here; text offsets have 24 bits");
        p.TooMany = true; // nothing after this can be placed
    }
    p.BlockOffset = (uint32_t)data.size();
    p.HaveBlock = true;
    p.InMessage = true;
    p.ArgumentsOwed = 0;
    AppendEntry(*p.Out, (uint16_t)id, typePosition, reserved, high, p.BlockOffset);
    p.Out->HeaderLines.push_back(p.LineNumber);
}

// ---- ParseScript -------------------------------------------------------------------------------
void ParseScript(const uint8_t* text, size_t size, const std::string& fileName, ScriptPair& result)
{
    result.Table.clear();
    result.Data.clear();
    result.HeaderLines.clear();
    result.Errors.clear();
    result.Data.reserve(size);
    ScriptParser p;
    p.FileName = fileName;
    p.Out = &result;

    size_t pos = 0;
    if (size >= 3 && text[0] == 0xEF && text[1] == 0xBB && text[2] == 0xBF) pos = 3; // byte order mark
    bool sawBlock = false;
    while (pos < size && !p.TooMany)
    {
        size_t end = pos;
        while (end < size && text[end] != '\n') end++;
        size_t length = end - pos;
        if (length > 0 && text[pos + length - 1] == '\r') length--;
        // Blanks at the end of a line are not text: editors strip them ({sp} keeps a space).
        while (length > 0 && IsBlank(text[pos + length - 1])) length--;
        p.Line = text + pos;
        p.LineLength = (uint32_t)length;
        p.LineNumber++;
        pos = end + 1;

        if (length > 0 && p.Line[0] == '@')
        {
            if (p.InMessage)
            {
                char before[32];
                snprintf(before, sizeof(before), "line %u", p.LineNumber);
                MissingEnd(p, before);
            }
            p.InMessage = false;
            ReadHeader(p);
            sawBlock = true;
        }
        else if (p.InMessage)
        {
            if (ReadTextLine(p)) p.InMessage = false;
        }
        else if (length > 0 && p.Line[0] != '#')
        {
            uint32_t first = 0;
            while (IsBlank(p.Line[first])) first++;
            Error(p, first, sawBlock ? "text after the message's {end} (bytes after it go on the {end} line as {0x..})"
                                     : "text before the first block; a block starts with a header such as @001B");
        }
    }
    if (p.InMessage) MissingEnd(p, "the end of the file");
    if (result.Table.empty() && result.Errors.empty())
        ErrorAt(p, 1, 1, "no message block: a block starts with a header such as @001B black bottom");
}
