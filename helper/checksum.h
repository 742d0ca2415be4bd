// The two checksum words of the cartridge header, computed over the first megabyte of code the
// way the boot chip of this game's cartridge checks them.
#pragma once
#include <cstdint>

const uint32_t CHECKSUM_FROM  = 0x1000;   // first word summed
const uint32_t CHECKSUM_TO    = 0x101000; // end of the summed range (exclusive)
const uint32_t CHECKSUM_AT    = 0x10;     // CRC1 here, CRC2 in the word after it
const uint32_t CHECKSUM_SEED  = 0xDF26F436;
const uint32_t CHECKSUM_MIXER = 0x750;    // start of the 256 bytes that are mixed into t1

// Computes both words from the big-endian image; false when it is shorter than CHECKSUM_TO.
bool ComputeBootChecksums(const uint8_t* rom, uint64_t size, uint32_t* crc1, uint32_t* crc2);
