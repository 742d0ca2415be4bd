#include "glyph_table.h"
#include <cstring>

int GlyphCell(uint8_t b)
{
    // One rule for every character byte; 0x7F, between ASCII and the letters, has no cell.
    if ((b >= 0x20 && b <= 0x7E) || (b >= 0x80 && b <= 0xAB)) return b - 31;
    return -1;
}

// ---- Advance widths --------------------------------------------------------------------------
// Built once from the width groups; unlisted bytes keep the unassigned width.
struct AdvanceTable
{
    uint8_t Width[256];
    AdvanceTable()
    {
        memset(Width, UNASSIGNED_ADVANCE, sizeof(Width));
        struct Group { int Advance; const char* Chars; int RangeFirst, RangeLast; };
        static const Group groups[] = {
            { 2,  "'",                       0, -1 },
            { 3,  ",.Iil",                   0x99, 0x99 },
            { 4,  "\":;[|`",                 0x89, 0x89 },
            { 5,  "()*-1]fr",                0, -1 },
            { 6,  "!t{}",                    0, -1 },
            { 7,  " /<>EFJLPT^abcdehjknpsuvxyz", 0x85, 0x88 },
            { 7,  "",                        0x90, 0x98 },
            { 7,  "",                        0x9A, 0x9E },
            { 8,  "#$+2356789=BSU_goq~",    0x8C, 0x8F },
            { 9,  "04?HKRXYZ\\",             0, -1 },
            { 10, "NV",                      0x80, 0x84 },
            { 11, "&ACDGOmw",                0x8A, 0x8B },
            { 12, "@MQ",                     0, -1 },
            { 13, "%",                       0x9F, 0xAB },
            { 14, "W",                       0, -1 },
        };
        for (const Group& g : groups)
        {
            for (const char* c = g.Chars; *c; c++)
                Width[(uint8_t)*c] = (uint8_t)g.Advance;
            for (int b = g.RangeFirst; b <= g.RangeLast; b++) Width[b] = (uint8_t)g.Advance;
        }
    }
};

int GlyphAdvance(uint8_t b)
{
    static const AdvanceTable table;
    return table.Width[b];
}
