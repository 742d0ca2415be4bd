#include "yaz0.h"

#include <cstring>

// ---- Layout ---------------------------------------------------------------------------------
static const uint32_t YAZ0_MAX_COPY = 0xFF + 0x12;           // the long form's longest copy
static const size_t GROUP_MAX_IN = 1 + 8 * 3;                // a flag byte and eight long copies
static const size_t GROUP_MAX_OUT = 8 * YAZ0_MAX_COPY;
static const size_t WIDE = 8;                                // bytes a wide copy moves at once

bool Yaz0DecodedSize(const uint8_t* in, size_t inSize, uint32_t* size)
{
    if (inSize < YAZ0_HEADER_SIZE || memcmp(in, "Yaz0", 4) != 0) return false;
    *size = (uint32_t)in[4] << 24 | (uint32_t)in[5] << 16 | (uint32_t)in[6] << 8 | in[7];
    return true;
}

// ---- Decoding -------------------------------------------------------------------------------
// A copy while the output has WIDE bytes of room past its end: eight bytes at a time when the
// source lies at least eight back (every byte read is then final); the up to seven bytes written
// past the copy's end are overwritten by the items that follow before anything reads them.
static inline void CopyBackWide(uint8_t* to, size_t distance, size_t length)
{
    const uint8_t* from = to - distance;
    if (distance >= WIDE)
        for (size_t i = 0; i < length; i += WIDE) memcpy(to + i, from + i, WIDE);
    else if (distance == 1)
        memset(to, from[0], length); // runs of one byte, zeros above all
    else
        for (size_t i = 0; i < length; i++) to[i] = from[i];
}

Yaz0Result DecodeYaz0(const uint8_t* in, size_t inSize, uint8_t* out, uint32_t outSize)
{
    uint32_t size = 0;
    if (!Yaz0DecodedSize(in, inSize, &size)) return YAZ0_NO_HEADER;
    if (size != outSize) return YAZ0_SIZE_DIFFERS;
    const uint8_t* src = in + YAZ0_HEADER_SIZE;
    const uint8_t* const srcEnd = in + inSize;
    uint8_t* dst = out;
    uint8_t* const dstEnd = out + outSize;

    // Whole groups while both buffers have room for the largest group: only the distance needs
    // a check, and no copy needs cutting.
    while ((size_t)(srcEnd - src) >= GROUP_MAX_IN && (size_t)(dstEnd - dst) >= GROUP_MAX_OUT + WIDE)
    {
        unsigned flags = *src++;
        if (flags == 0xFF) // eight literals, common in packed data
        {
            memcpy(dst, src, 8);
            dst += 8;
            src += 8;
            continue;
        }
        for (int item = 0; item < 8; item++, flags <<= 1)
        {
            if (flags & 0x80)
            {
                *dst++ = *src++;
                continue;
            }
            unsigned b1 = src[0], b2 = src[1];
            src += 2;
            size_t distance = ((b1 & 0x0F) << 8 | b2) + 1;
            size_t length = b1 >> 4 ? (b1 >> 4) + 2 : *src++ + 0x12u;
            if (distance > (size_t)(dst - out)) return YAZ0_REACHES_BACK;
            CopyBackWide(dst, distance, length);
            dst += length;
        }
    }

    // The rest, every read checked and the last copy cut at the size.
    while (dst < dstEnd)
    {
        if (src == srcEnd) return YAZ0_TRUNCATED;
        unsigned flags = *src++;
        for (int item = 0; item < 8 && dst < dstEnd; item++, flags <<= 1)
        {
            if (flags & 0x80)
            {
                if (src == srcEnd) return YAZ0_TRUNCATED;
                *dst++ = *src++;
                continue;
            }
            if (srcEnd - src < 2) return YAZ0_TRUNCATED;
            unsigned b1 = src[0], b2 = src[1];
            src += 2;
            size_t distance = ((b1 & 0x0F) << 8 | b2) + 1;
            size_t length = (b1 >> 4) + 2;
            if (b1 >> 4 == 0)
            {
                if (src == srcEnd) return YAZ0_TRUNCATED;
                length = *src++ + 0x12u;
            }
            if (distance > (size_t)(dst - out)) return YAZ0_REACHES_BACK;
            if (length > (size_t)(dstEnd - dst)) length = (size_t)(dstEnd - dst);
            const uint8_t* from = dst - distance;
            for (size_t i = 0; i < length; i++) dst[i] = from[i];
            dst += length;
        }
    }
    return YAZ0_OK;
}

const char* Yaz0ResultText(Yaz0Result result)
{
    switch (result)
    {
    case YAZ0_OK: return "decoded";
    case YAZ0_NO_HEADER: return "not a Yaz0 stream";
    case YAZ0_SIZE_DIFFERS: return "the stream's size is not the one expected";
    case YAZ0_TRUNCATED: return "the stream ends too early";
    case YAZ0_REACHES_BACK: return "a copy reaches back before the start";
    }
    return "unknown result";
}
