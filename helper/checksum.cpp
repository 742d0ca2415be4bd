#include "checksum.h"
#include "rom_transfer.h"

static uint32_t RotateLeft(uint32_t v, uint32_t n)
{
    n &= 31;
    return n == 0 ? v : (v << n) | (v >> (32 - n)); // a shift by 32 would be undefined
}

bool ComputeBootChecksums(const uint8_t* rom, uint64_t size, uint32_t* crc1, uint32_t* crc2)
{
    if (size < CHECKSUM_TO) return false;
    uint32_t t1 = CHECKSUM_SEED, t2 = CHECKSUM_SEED, t3 = CHECKSUM_SEED;
    uint32_t t4 = CHECKSUM_SEED, t5 = CHECKSUM_SEED, t6 = CHECKSUM_SEED;
    for (uint32_t i = CHECKSUM_FROM; i < CHECKSUM_TO; i += 4)
    {
        uint32_t d = ReadWord(rom + i);
        uint32_t sum = t6 + d;
        if (sum < t6) t4++; // the carry out of t6
        t6 = sum;
        t3 ^= d;
        uint32_t r = RotateLeft(d, d);
        t5 += r;
        if (t2 > d) t2 ^= r;
        else t2 ^= t6 ^ d;
        t1 += ReadWord(rom + CHECKSUM_MIXER + (i & 0xFF)) ^ d;
    }
    *crc1 = t6 ^ t4 ^ t3;
    *crc2 = t5 ^ t2 ^ t1;
    return true;
}
