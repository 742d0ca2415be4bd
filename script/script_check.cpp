// Check: every box as the preview would draw it, by the store's box scan and the renderer's
// measure. One line per finding.
#include "script.h"
#include "encoding.h"
#include "glyph_table.h"
#include "sound_table.h"
#include "text_measure.h"
#include <cstdio>

const uint32_t CHECK_LINE_CAPACITY = 64; // lines reported per box; counts cover the rest
const int ICON_NUMBER_LAST = 120;         // 121 and above lie outside the icon strip

struct CheckContext
{
    std::string* Out;
    uint32_t Found = 0;
    const char* Prefix = "";
    uint32_t Id = 0;
};

static void Report(CheckContext& c, uint32_t box, uint32_t line, const char* what)
{
    char text[200];
    if (line)
        snprintf(text, sizeof(text), "%sID %04X box %u line %u: %s\n", c.Prefix, c.Id, box, line, what);
    else
        snprintf(text, sizeof(text), "%sID %04X box %u: %s\n", c.Prefix, c.Id, box, what);
    *c.Out += text;
    c.Found++;
}

// True for a code of the table and a character with a font cell.
static bool KnownByte(uint8_t b)
{
    if (b < CONTROL_CODE_COUNT) return b == CC_LINE_BREAK || ControlCode(b).Tag;
    return IsCharacterByte(b);
}

// Codes and bytes of one box, walked as the renderer walks them.
static void CheckCodes(CheckContext& c, const uint8_t* text, uint32_t length, uint32_t box, bool strict)
{
    char what[120];
    uint32_t line = 1;
    uint32_t i = 0;
    while (!EndsTextAt(text, i, length))
    {
        uint8_t b = text[i];
        if (b >= 0x20 && b <= LETTER_LAST && b != 0x7F)
        {
            i++; // a character: nothing to report (most of the text)
            continue;
        }
        int arguments = ControlArgumentCount(b);
        if (arguments >= 1 && ArgumentsCutOff(text, i, arguments, length)) break;
        if (b == CC_LINE_BREAK) line++;
        else if (b == CC_COLOR && (text[i + 1] < COLOR_FIRST || text[i + 1] > COLOR_LAST))
        {
            snprintf(what, sizeof(what), "colour 0x%02X is outside 0x40-0x47", text[i + 1]);
            Report(c, box, line, what);
        }
        else if (b == CC_ICON && text[i + 1] > ICON_NUMBER_LAST)
        {
            snprintf(what, sizeof(what), "icon %u lies outside the icon strip (0-%d)", text[i + 1], ICON_NUMBER_LAST);
            Report(c, box, line, what);
        }
        else if (strict && b == CC_SOUND && FindSoundIndex((uint16_t)(text[i + 1] << 8 | text[i + 2])) >= SOUND_COUNT)
        {
            snprintf(what, sizeof(what), "sound 0x%02X%02X is not in the sound table", text[i + 1], text[i + 2]);
            Report(c, box, line, what);
        }
        else if (strict && !KnownByte(b))
        {
            snprintf(what, sizeof(what), "byte 0x%02X is not a character or code the editor knows", b);
            Report(c, box, line, what);
        }
        i += 1 + arguments;
    }
}

static void CheckBox(CheckContext& c, const uint8_t* text, uint32_t length, BoxType type, uint32_t box,
                     bool strict, LineMeasure* lines)
{
    char what[120];
    BoxMeasure m = MeasureBoxText(text, length, type, lines, CHECK_LINE_CAPACITY);
    for (uint32_t l = 0; l < m.LinesStored; l++)
        if (lines[l].TooWide)
        {
            snprintf(what, sizeof(what), "%d px wide, the box has %d", lines[l].Width, m.UsableWidth);
            Report(c, box + 1, l + 1, what);
        }
    if (m.LineCount > m.LinesStored && m.TooWideCount > 0)
    {
        snprintf(what, sizeof(what), "more lines too wide after line %u", m.LinesStored);
        Report(c, box + 1, 0, what);
    }
    if (m.BelowCount > 0)
    {
        snprintf(what, sizeof(what), "%u lines, %u fit above the bottom of the box", m.LineCount, m.LinesThatFit);
        Report(c, box + 1, 0, what);
    }
    CheckCodes(c, text, length, box + 1, strict);
}

uint32_t CheckMessages(MessageStore& store, bool strict, std::string& out,
                       const std::vector<std::string>* prefixes)
{
    CheckContext c;
    c.Out = &out;
    LineMeasure lines[CHECK_LINE_CAPACITY];
    const uint32_t entries = store.MessageTableSize / ENTRY_SIZE;
    for (uint32_t e = 0; e < entries; e++)
    {
        const uint8_t* entry = &store.MessageTable[e * ENTRY_SIZE];
        uint32_t offset = ReadTextOffset(store, e * ENTRY_SIZE);
        if (offset >= store.MessageDataSize) continue;
        // An entry sharing the text and type of the one before shows the same boxes.
        if (e > 0 && offset == ReadTextOffset(store, (e - 1) * ENTRY_SIZE) && EntryBoxType(entry) == EntryBoxType(entry - ENTRY_SIZE))
            continue;
        c.Id = EntryMessageId(entry);
        c.Prefix = prefixes && e < prefixes->size() ? (*prefixes)[e].c_str() : "";
        BoxType type = (BoxType)EntryBoxType(entry);
        ScanBoxStarts(store, offset);
        uint32_t messageLength = ScannedMessageLength(store, offset);
        for (uint32_t box = 0; box <= store.LastBox; box++)
        {
            uint32_t start = offset + store.BoxStarts[box];
            if (start >= store.MessageDataSize) break;
            uint32_t length = BoxLengthAt(store, start);
            CheckBox(c, &store.MessageData[start], length, type, box, strict, lines);
            // A message too long for the game's buffer is named at the box that runs past it.
            uint32_t boxEnd = box < store.LastBox ? store.BoxStarts[box + 1] : messageLength;
            if (messageLength > GAME_MESSAGE_MAX && store.BoxStarts[box] <= GAME_MESSAGE_MAX && boxEnd > GAME_MESSAGE_MAX)
            {
                char what[120];
                snprintf(what, sizeof(what), "message of %u bytes, the game's buffer holds %u", messageLength, GAME_MESSAGE_MAX);
                Report(c, box + 1, 0, what);
            }
        }
    }
    return c.Found;
}
