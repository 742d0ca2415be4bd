// Export: the store's pair as a script. One block per table entry; each message is written
// element by element as the renderer reads it (a code takes its argument bytes with it).
#include "script.h"
#include "encoding.h"
#include "velloran_version.h"
#include <cstdio>

// ---- Small writers -----------------------------------------------------------------------------
static void AppendHex2(std::string& out, uint8_t b)
{
    static const char DIGITS[] = "0123456789ABCDEF";
    out += DIGITS[b >> 4];
    out += DIGITS[b & 15];
}

static void AppendNumber(std::string& out, unsigned value)
{
    char buffer[16];
    snprintf(buffer, sizeof(buffer), "%u", value);
    out += buffer;
}

static void AppendUtf8(std::string& out, uint32_t codePoint)
{
    // Only Latin-1 letters are written here: two bytes.
    out += (char)(0xC0 | (codePoint >> 6));
    out += (char)(0x80 | (codePoint & 0x3F));
}

// Bytes without a name go into one hex tag per run: {0x9E}, {0x00 00 00}.
static void AppendHexRun(std::string& out, const uint8_t* bytes, uint32_t count)
{
    out += "{0x";
    for (uint32_t k = 0; k < count; k++)
    {
        if (k) out += ' ';
        AppendHex2(out, bytes[k]);
    }
    out += '}';
}

// True when the byte is written as a hex tag: a byte that is no character, letter or symbol and
// a code without a name (TEXT_NUL, 0x03). Such bytes take no arguments.
static bool IsHexByte(uint8_t b)
{
    if (b < CONTROL_CODE_COUNT) return b != CC_LINE_BREAK && !ControlCode(b).Tag;
    return b > 0x7E && !LetterCodePoint(b) && !SymbolName(b);
}

// A code with its arguments as a tag: {speed 2}, {goto 4013}, {red}, {sound Poe Giggle}.
static void AppendCodeTag(std::string& out, uint8_t code, const uint8_t* a)
{
    int count = ControlArgumentCount(code);
    uint32_t value = 0;
    for (int k = 0; k < count; k++) value = value << 8 | a[k];
    TagArgument style = TagArgumentOf(code);
    if (style == TAG_COLOUR && ColourName(a[0]))
    {
        out += '{';
        out += ColourName(a[0]);
        out += '}';
        return;
    }
    out += '{';
    out += ControlCode(code).Tag;
    if (style != TAG_NO_ARGUMENT) out += ' ';
    const char* soundName = style == TAG_SOUND ? SoundTagName((uint16_t)value) : nullptr;
    if (soundName)
        out += soundName;
    else if (style == TAG_DECIMAL)
        AppendNumber(out, value);
    else if (style != TAG_NO_ARGUMENT)
    {
        if (style != TAG_MESSAGE) out += "0x"; // a message ID is written as in a header
        for (int k = 0; k < count; k++) AppendHex2(out, a[k]);
    }
    out += '}';
}

// ---- One message -------------------------------------------------------------------------------
// Writes data[start, end) as text; end is just past a CC_END element or the end of the data.
// A code cut off by the end of the data (a message without end) is left out.
static void AppendMessageText(std::string& out, const uint8_t* data, uint32_t dataSize, uint32_t start,
                              uint32_t end)
{
    uint32_t p = start;
    while (p < end)
    {
        uint8_t b = data[p];
        int arguments = ControlArgumentCount(b);
        if (!RangeInside(p, 1 + (uint32_t)arguments, dataSize)) break;
        if (IsHexByte(b))
        {
            uint32_t run = p + 1;
            while (run < end && run - p < 16 && IsHexByte(data[run])) run++;
            AppendHexRun(out, data + p, run - p);
            p = run;
            continue;
        }
        if (b == CC_LINE_BREAK)
        {
            // A space that ends a line is written as a tag: text editors strip trailing blanks.
            if (!out.empty() && out.back() == ' ')
            {
                out.pop_back();
                out += "{sp}";
            }
            out += '\n';
        }
        else if (b < CONTROL_CODE_COUNT)
        {
            AppendCodeTag(out, b, data + p + 1);
            if (b == CC_BOX_BREAK || b == CC_BOX_BREAK_ALT) out += '\n'; // layout: the next box on its own line
        }
        else if (b == '{') out += "{{";
        else if (b == '@' && (out.empty() || out.back() == '\n')) out += "{@}"; // not a header
        else if (b == YEN_BYTE) AppendUtf8(out, 0xA5);                          // the yen sign
        else if (b >= 0x20 && b <= 0x7E) out += (char)b;
        else if (uint32_t letter = LetterCodePoint(b)) AppendUtf8(out, letter);
        else
        {
            out += '{';
            out += SymbolName(b);
            out += '}';
        }
        if (b == CC_END) break;
        p += 1 + arguments;
    }
}

// End of the message at start: just past its first CC_END element; without one, the end of the
// data or the start of a code whose arguments the end of the data cuts off (its last byte is an
// argument, not an end).
static uint32_t MessageEndAt(const uint8_t* data, uint32_t dataSize, uint32_t start, bool* hasEnd)
{
    uint32_t p = start;
    while (p < dataSize)
    {
        uint8_t b = data[p];
        if (b == CC_END)
        {
            *hasEnd = true;
            return p + 1;
        }
        int arguments = ControlArgumentCount(b);
        if (!RangeInside(p, 1 + (uint32_t)arguments, dataSize)) break;
        p += 1 + arguments;
    }
    *hasEnd = false;
    return p;
}

// ---- Headers -----------------------------------------------------------------------------------
static void AppendHeader(std::string& out, const uint8_t* entry)
{
    out += '@';
    AppendHex2(out, entry[0]);
    AppendHex2(out, entry[1]);
    uint8_t type = EntryBoxType(entry), position = entry[2] & 15;
    out += ' ';
    if (const char* name = BoxTypeName(type)) out += name;
    else { out += "type="; AppendNumber(out, type); }
    out += ' ';
    if (const char* name = BoxPositionName(position)) out += name;
    else { out += "position="; AppendNumber(out, position); }
    if (entry[3] != 0x00) { out += " reserved=0x"; AppendHex2(out, entry[3]); }
    if (entry[4] != 0x07) { out += " high=0x"; AppendHex2(out, entry[4]); }
}

static std::string IdText(const uint8_t* entry)
{
    char buffer[8];
    snprintf(buffer, sizeof(buffer), "%02X%02X", entry[0], entry[1]);
    return buffer;
}

// ---- ExportScript ------------------------------------------------------------------------------
void ExportScript(const MessageStore& store, std::string& out, std::vector<std::string>& notes)
{
    const uint8_t* table = store.MessageTable.data();
    const uint8_t* data = store.MessageData.data();
    const uint32_t dataSize = store.MessageDataSize;
    const uint32_t entries = store.MessageTableSize / ENTRY_SIZE;
    out.clear();
    notes.clear();
    out.reserve(dataSize * 5 / 4 + entries * 32 + 256);
    out += "# velloran-script " VELLORAN_VERSION ": ";
    AppendNumber(out, entries);
    out += " messages. Every block is @ID, box type and position, then the text up to {end}.\n\n";

    char note[160];
    uint32_t first = entries ? ReadTextOffset(store, 0) : 0;
    if (first > 0)
    {
        snprintf(note, sizeof(note), "the %u bytes before the first message are left out", first);
        notes.push_back(note);
    }
    for (uint32_t e = 0; e < entries; e++)
    {
        const uint8_t* entry = table + e * ENTRY_SIZE;
        uint32_t offset = ReadTextOffset(store, e * ENTRY_SIZE);
        AppendHeader(out, entry);
        if (e > 0 && offset == ReadTextOffset(store, (e - 1) * ENTRY_SIZE))
        {
            out += " same\n\n"; // shares the text of the entry before
            continue;
        }
        out += '\n';
        // The next message that starts elsewhere.
        uint32_t next = e + 1;
        while (next < entries && ReadTextOffset(store, next * ENTRY_SIZE) == offset) next++;
        bool last = next >= entries;
        uint32_t nextOffset = last ? dataSize : ReadTextOffset(store, next * ENTRY_SIZE);
        std::string id = IdText(entry);

        if (offset % 4 != 0)
        {
            snprintf(note, sizeof(note), "ID %s: its text starts at 0x%06X, not a multiple of 4; import aligns it",
                     id.c_str(), offset);
            notes.push_back(note);
        }
        bool hasEnd = false;
        uint32_t end = MessageEndAt(data, dataSize, offset, &hasEnd);
        AppendMessageText(out, data, dataSize, offset, end);
        if (!hasEnd)
        {
            // A code cut off by the end of the data is kept as bytes after the end import adds.
            out += "{end}";
            for (uint32_t k = end; k < dataSize; k += 16)
                AppendHexRun(out, data + k, dataSize - k < 16 ? dataSize - k : 16);
            snprintf(note, sizeof(note), "ID %s: its text has no end code; import adds one (before a code cut off by the end of the data)", id.c_str());
            notes.push_back(note);
            end = dataSize;
        }
        if (end > nextOffset)
        {
            snprintf(note, sizeof(note), "ID %s: its text runs into the next message; import gives it a copy of its own",
                     id.c_str());
            notes.push_back(note);
        }
        else if (hasEnd)
        {
            // Bytes between the end code and the next message: the zero padding import writes
            // again is left out; anything else follows the end as hex. Import adds nothing after
            // the last message, so every byte after it is written.
            uint32_t rest = nextOffset - end;
            uint32_t pad = (4 - end % 4) % 4;
            bool onlyPadding = rest == pad && !last;
            for (uint32_t k = end; k < nextOffset && onlyPadding; k++) onlyPadding = data[k] == 0;
            if (!onlyPadding)
            {
                uint32_t keep = rest;
                if (!last && nextOffset % 4 == 0)
                    while (keep > 0 && rest - keep < 3 && data[end + keep - 1] == 0) keep--;
                for (uint32_t k = 0; k < keep; k += 16)
                    AppendHexRun(out, data + end + k, keep - k < 16 ? keep - k : 16);
            }
        }
        out += "\n\n";
    }
}
