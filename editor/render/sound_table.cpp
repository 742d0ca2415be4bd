#include "sound_table.h"

const uint16_t SoundIdTable[SOUND_COUNT] = {
    0x0858, 0x28E3, 0x28E4, 0x3880, 0x3882, 0x38EC, 0x4807, 0x486F, 0x5965, 0x6844, 0x6852,
    0x6855, 0x685F, 0x6863, 0x6867, 0x6869, 0x686B, 0x686C, 0x686D, 0x6864, 0x28DF,
};

const char* const SoundNameTable[SOUND_COUNT + 1] = {
    "   DUN DUN DUN DUNNNN!",
    "       Ribbit #1!",
    "       Ribbit #2!",
    "    Deku Scrub Squeak",
    "     Deku Scrub Cry",
    "     Mystery Sound",
    "       Poe Giggle",
    "        Twinrova?",
    "        Twinrova?",
    "     \"Hello!\" ~ Navi",
    "      \"Ehh?\" ~ Talon",
    "\"WAAAA!\" ~ Carpenter Boss",
    "      \"Hey!\" ~ Navi",
    "       Saria Giggle",
    "          YAAAA!",
    "        Zelda Heh",
    "        Zelda Aww",
    "        Zelda Huh",
    "    Kokiri Girl Giggle",
    "    Navi Bumps Her Head",
    "   \"Moooooooooo!\" ~ Cow",
    "         No Sound",
};

int FindSoundIndex(uint16_t soundId)
{
    for (int i = 0; i < SOUND_COUNT; i++)
        if (SoundIdTable[i] == soundId) return i;
    return SOUND_COUNT;
}
