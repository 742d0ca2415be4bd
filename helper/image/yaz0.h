// Yaz0, the compressed form in which the game's ROM images are sold: a 16-byte header ("Yaz0",
// the decompressed size as a big-endian word, eight reserved bytes), then groups of a flag byte
// and eight items, each a literal byte or a copy from up to 4096 bytes back in the output.
#pragma once
#include <cstddef>
#include <cstdint>
const uint32_t YAZ0_HEADER_SIZE = 16;
enum Yaz0Result
{
    YAZ0_OK = 0,
    YAZ0_NO_HEADER,     // shorter than the header, or not starting "Yaz0"
    YAZ0_SIZE_DIFFERS,  // the header's size is not the size the caller expects
    YAZ0_TRUNCATED,     // the stream ends before the output is filled (reads past its end)
    YAZ0_REACHES_BACK,  // a copy reaches back before the output's start
};
// The size word of a stream's header; false when there is no header.
bool Yaz0DecodedSize(const uint8_t* in, size_t inSize, uint32_t* size);
// Decodes the stream in[0..inSize) into out, which holds exactly outSize bytes and must equal
// the header's size (else YAZ0_SIZE_DIFFERS). Never reads or writes outside the two buffers.
Yaz0Result DecodeYaz0(const uint8_t* in, size_t inSize, uint8_t* out, uint32_t outSize);
// One short lowercase phrase for a result, e.g. "the stream ends too early", for messages.
const char* Yaz0ResultText(Yaz0Result result);
