// helper decompress: a new image in which every present file lies uncompressed at its VROM
// start, its record saying so (ROM start = VROM start, ROM end 0), the bytes between files
// zero, the size the last file's end rounded up to a whole MiB, and the header checksums
// computed for it. The image given is only read.
#pragma once
#include "rom_transfer.h"
#include <vector>

struct DecompressPlan
{
    Refusal               Refused;
    std::vector<uint32_t> Order;   // present, non-empty files by VROM start
    uint64_t              OutSize;
};

// Every present file must lie inside the image and no two may share VROM bytes.
DecompressPlan PlanDecompression(const RomImage& image, uint32_t firstWord);

// Writes the new image under a temporary name beside outPath and renames it into place once it
// is whole. A stream that turns out damaged sets *damaged (the refusal to report) and leaves
// nothing behind, as does any write failure (TRANSFER_WRITE_IMAGE).
TransferFailure WriteDecompressedImage(const ImageFile& in, const RomImage& image, const DecompressPlan& plan,
                                       const char* outPath, Refusal* damaged);
