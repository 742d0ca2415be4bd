// Writes a ROM image for the browser tests and measurements: the generated message pair of
// the tests at the places helper extracts from, the rest a fixed byte pattern.
//
//   make_test_rom OUT SIZE_MB [--swapped]   (--swapped: the same image in 16-bit swapped order)
#include "rom_transfer.h"
#include "testdata.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const uint32_t MESSAGE_SEED = 1;
const uint64_t MEGABYTE = 1024 * 1024;
static const uint8_t BIG_ENDIAN_START[4] = { 0x80, 0x37, 0x12, 0x40 };

static void PutWord(std::vector<uint8_t>& rom, uint64_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++) rom[at + i] = (uint8_t)(value >> (24 - 8 * i));
}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4 || (argc == 4 && strcmp(argv[3], "--swapped") != 0))
    {
        fprintf(stderr, "usage: make_test_rom OUT SIZE_MB [--swapped]\n");
        return 64;
    }
    uint64_t size = strtoull(argv[2], nullptr, 10) * MEGABYTE;
    if (size < ROM_MIN_SIZE)
    {
        fprintf(stderr, "make_test_rom: at least %llu bytes are needed\n", (unsigned long long)ROM_MIN_SIZE);
        return 64;
    }
    std::vector<uint8_t> table, data;
    GenerateMessagePair(MESSAGE_SEED, table, data);

    std::vector<uint8_t> rom(size);
    for (uint64_t i = 0; i < size; i++) rom[i] = (uint8_t)(i * 7 + (i >> 12));
    memcpy(rom.data(), BIG_ENDIAN_START, sizeof(BIG_ENDIAN_START));
    PutWord(rom, ROM_WORDS_OFFSET, (uint32_t)ROM_DATA_OFFSET);
    PutWord(rom, ROM_DATA_END_OFFSET, (uint32_t)(ROM_DATA_OFFSET + data.size()));
    memcpy(&rom[ROM_DATA_OFFSET], data.data(), data.size());
    memcpy(&rom[ROM_TABLE_OFFSET], table.data(), table.size());
    if (argc == 4)
        for (uint64_t i = 0; i + 1 < size; i += 2)
        {
            uint8_t b = rom[i];
            rom[i] = rom[i + 1];
            rom[i + 1] = b;
        }

    FILE* f = fopen(argv[1], "wb");
    bool ok = f && fwrite(rom.data(), 1, rom.size(), f) == rom.size();
    if (f && fclose(f) != 0) ok = false;
    if (!ok)
    {
        fprintf(stderr, "make_test_rom: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
