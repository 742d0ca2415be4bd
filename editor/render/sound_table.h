// The sounds a box can carry: IDs written into CC_SOUND and the names the Box Options panel shows.
#pragma once
#include <cstdint>

const int SOUND_COUNT = 21; // index SOUND_COUNT names "no sound"

extern const uint16_t SoundIdTable[SOUND_COUNT];
extern const char* const SoundNameTable[SOUND_COUNT + 1]; // leading blanks centre the names

// Index of the first table entry with this ID, SOUND_COUNT when none has it.
int FindSoundIndex(uint16_t soundId);
