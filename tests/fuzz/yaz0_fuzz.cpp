// Fuzz target for Yaz0 decoding. Invariants:
// - the result and, when decoded, the output equal those of a plain byte-at-a-time reading of
//   the format, so the decoder says OK only when it filled the output exactly as the stream
//   says, and the sanitizers see that it stays inside both buffers (each exactly its size);
// - no header exactly when Yaz0DecodedSize finds none, a different size exactly when its word
//   differs from the one asked for;
// - the tests' encoder turns the input's stream bytes into a stream that decodes back to them,
//   no longer than one flag bit per byte over them.
//
// Input layout: bytes 0-3 the output size (big-endian, taken modulo 1 MiB + 1), byte 4 the mode:
// bit 0 a header made here goes before the stream bytes (bit 1: with a size one larger than the
// output's), bit 2 the output size is instead the stream's own header word when that is at
// most 1 MiB; then the stream bytes.
#include "yaz0.h"
#include "yaz0_encode.h"
#include "fuzz_common.h"

#include <cstring>
#include <vector>

static const uint32_t MAX_OUTPUT = 1u << 20;

static uint32_t Word(const uint8_t* p) { return (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// ---- Plain reading ----------------------------------------------------------------------------
// The format read as plainly as it is told, one flag bit and one byte at a time.
static Yaz0Result PlainDecode(const uint8_t* in, size_t n, uint32_t outSize, std::vector<uint8_t>& out)
{
    out.clear(); // keeps its capacity from run to run
    if (n < YAZ0_HEADER_SIZE || memcmp(in, "Yaz0", 4) != 0) return YAZ0_NO_HEADER;
    if (Word(in + 4) != outSize) return YAZ0_SIZE_DIFFERS;
    size_t at = YAZ0_HEADER_SIZE;
    uint32_t flags = 0, bits = 0;
    while (out.size() < outSize)
    {
        if (bits == 0)
        {
            if (at >= n) return YAZ0_TRUNCATED;
            flags = in[at++];
            bits = 8;
        }
        bool literal = flags & 0x80;
        flags <<= 1;
        bits--;
        if (literal)
        {
            if (at >= n) return YAZ0_TRUNCATED;
            out.push_back(in[at++]);
            continue;
        }
        if (at + 2 > n) return YAZ0_TRUNCATED;
        uint32_t b1 = in[at], b2 = in[at + 1];
        at += 2;
        uint32_t length = (b1 >> 4) + 2;
        if (b1 >> 4 == 0)
        {
            if (at >= n) return YAZ0_TRUNCATED;
            length = in[at++] + 0x12;
        }
        size_t distance = ((b1 & 0x0F) << 8 | b2) + 1;
        if (distance > out.size()) return YAZ0_REACHES_BACK;
        for (uint32_t i = 0; i < length && out.size() < outSize; i++) out.push_back(out[out.size() - distance]);
    }
    return YAZ0_OK;
}

// ---- The target -------------------------------------------------------------------------------
// One buffer for every run (a fresh megabyte each time costs more than the decoding); the
// output lies at its end, so a write past the output is a write past the allocation.
static uint8_t* const OUTPUT = new uint8_t[MAX_OUTPUT];
static std::vector<uint8_t> Plain;

static void CheckDecode(const std::vector<uint8_t>& stream, uint32_t outSize)
{
    uint8_t* out = OUTPUT + MAX_OUTPUT - outSize;
    Yaz0Result r = DecodeYaz0(stream.data(), stream.size(), out, outSize);
    Yaz0Result want = PlainDecode(stream.data(), stream.size(), outSize, Plain);
    FUZZ_CHECK(r == want, "the result differs from the plain reading");
    if (r == YAZ0_OK) FUZZ_CHECK(outSize == 0 || memcmp(out, Plain.data(), outSize) == 0, "the output differs from the plain reading");
    uint32_t size = 0;
    bool header = Yaz0DecodedSize(stream.data(), stream.size(), &size);
    FUZZ_CHECK(header == (r != YAZ0_NO_HEADER), "header found but not decoded, or the other way round");
    FUZZ_CHECK(!header || (size != outSize) == (r == YAZ0_SIZE_DIFFERS), "size mismatch misreported");
    const char* text = Yaz0ResultText(r);
    FUZZ_CHECK(text && *text, "a result without a phrase");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 5) return 0;
    uint32_t outSize = Word(bytes) % (MAX_OUTPUT + 1);
    const uint8_t mode = bytes[4];
    const uint8_t* rest = bytes + 5;
    const size_t restSize = size - 5;

    // Exactly as large as its bytes, so a read past the end is one past the allocation.
    std::vector<uint8_t> stream;
    if (mode & 1)
    {
        uint32_t word = outSize + (mode & 2 ? 1 : 0);
        const uint8_t header[YAZ0_HEADER_SIZE] = { 'Y', 'a', 'z', '0', (uint8_t)(word >> 24), (uint8_t)(word >> 16),
                                                   (uint8_t)(word >> 8), (uint8_t)word };
        stream.resize(YAZ0_HEADER_SIZE + restSize);
        memcpy(stream.data(), header, YAZ0_HEADER_SIZE);
        if (restSize) memcpy(stream.data() + YAZ0_HEADER_SIZE, rest, restSize);
    }
    else
        stream.assign(rest, rest + restSize);
    uint32_t own = 0;
    if ((mode & 4) && Yaz0DecodedSize(stream.data(), stream.size(), &own) && own <= MAX_OUTPUT) outSize = own;
    CheckDecode(stream, outSize);

    // The encoder's stream of the same bytes decodes back to them.
    std::vector<uint8_t> encoded = EncodeYaz0(rest, restSize);
    FUZZ_CHECK(encoded.size() <= YAZ0_HEADER_SIZE + restSize + (restSize + 7) / 8, "the encoder's stream is too long");
    uint8_t* back = OUTPUT + MAX_OUTPUT - restSize;
    FUZZ_CHECK(restSize <= MAX_OUTPUT && DecodeYaz0(encoded.data(), encoded.size(), back, (uint32_t)restSize) == YAZ0_OK,
               "the encoder's stream does not decode");
    FUZZ_CHECK(restSize == 0 || memcmp(back, rest, restSize) == 0, "the encoder's stream decodes to other bytes");
    return 0;
}
