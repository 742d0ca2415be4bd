// Font cells, advance widths and the sound tables.
#include "encoding.h"
#include "glyph_table.h"
#include "sound_table.h"
#include <cstring>
#include <gtest/gtest.h>

TEST(GlyphTable, CellsFollowTheThreeCharacterRanges)
{
    EXPECT_EQ(GlyphCell(' '), 1);
    EXPECT_EQ(GlyphCell('~'), 95);
    EXPECT_EQ(GlyphCell(0x5C), 61);  // yen sign
    EXPECT_EQ(GlyphCell(0x7F), -1);  // no glyph
    EXPECT_EQ(GlyphCell(0x80), 97);  // the first accented letter
    EXPECT_EQ(GlyphCell(0x9E), 127);
    EXPECT_EQ(GlyphCell(0x9F), 128);
    EXPECT_EQ(GlyphCell(0xAA), 139);
    EXPECT_EQ(GlyphCell(0xAB), 140); // the D-pad, the last cell
    EXPECT_EQ(GlyphCell(0xAC), -1);
    EXPECT_EQ(GlyphCell(CC_PLAYER), -1);
    EXPECT_EQ(GlyphCell('|'), CURSOR_CELL);
    for (int b = 0; b < 0x20; b++) EXPECT_EQ(GlyphCell((uint8_t)b), -1) << b;
}

TEST(GlyphTable, AdvanceWidthsOfEveryGroup)
{
    struct Case { const char* chars; int advance; };
    const Case cases[] = {
        { "'", 2 }, { ",.Iil", 3 }, { "\":;[|`", 4 }, { "()*-1]fr", 5 }, { "!t{}", 6 },
        { " /<>EFJLPT^abcdehjknpsuvxyz", 7 }, { "#$+2356789=BSU_goq~", 8 },
        { "04?HKRXYZ\\", 9 }, { "NV", 10 }, { "&ACDGOmw", 11 }, { "@MQ", 12 }, { "%", 13 },
        { "W", 14 },
    };
    int covered = 0;
    for (const Case& c : cases)
        for (const char* p = c.chars; *p; p++, covered++)
            EXPECT_EQ(GlyphAdvance((uint8_t)*p), c.advance) << "byte " << *p;
    EXPECT_EQ(covered, 95); // every printable ASCII byte is listed exactly once

    // The letters keep their widths one byte higher than the old table had them.
    EXPECT_EQ(GlyphAdvance(0x7F), 7);
    EXPECT_EQ(GlyphAdvance(0x80), 10); EXPECT_EQ(GlyphAdvance(0x84), 10); // À .. Ç
    EXPECT_EQ(GlyphAdvance(0x85), 7);  EXPECT_EQ(GlyphAdvance(0x88), 7);  // È .. Ë
    EXPECT_EQ(GlyphAdvance(0x89), 4);                                     // Ï
    EXPECT_EQ(GlyphAdvance(0x8A), 11); EXPECT_EQ(GlyphAdvance(0x8B), 11); // Ô Ö
    EXPECT_EQ(GlyphAdvance(0x8C), 8);  EXPECT_EQ(GlyphAdvance(0x8F), 8);  // Ù .. ß
    EXPECT_EQ(GlyphAdvance(0x90), 7);  EXPECT_EQ(GlyphAdvance(0x98), 7);  // à .. ë
    EXPECT_EQ(GlyphAdvance(0x99), 3);                                     // ï
    EXPECT_EQ(GlyphAdvance(0x9A), 7);  EXPECT_EQ(GlyphAdvance(0x9E), 7);  // ô .. ü
    EXPECT_EQ(GlyphAdvance(0x9F), 13); EXPECT_EQ(GlyphAdvance(0xAB), 13);
    EXPECT_EQ(GlyphAdvance(0xAC), 7);  EXPECT_EQ(GlyphAdvance(0x03), 7);
}

TEST(SoundTable, LookupAndNames)
{
    EXPECT_EQ(FindSoundIndex(0x0858), 0);
    EXPECT_EQ(FindSoundIndex(0x28DF), 20);
    EXPECT_EQ(FindSoundIndex(0x486F), 7);
    EXPECT_EQ(FindSoundIndex(0x5965), 8);
    EXPECT_EQ(FindSoundIndex(0x1234), SOUND_COUNT);
    EXPECT_STREQ(SoundNameTable[7], SoundNameTable[8]);
    EXPECT_STREQ(SoundNameTable[SOUND_COUNT], "         No Sound");
    EXPECT_STREQ(SoundNameTable[11], "\"WAAAA!\" ~ Carpenter Boss");
    EXPECT_STREQ(SoundNameTable[20], "   \"Moooooooooo!\" ~ Cow");
    EXPECT_EQ(strlen(SoundNameTable[14]), 10u + 6u);
}
