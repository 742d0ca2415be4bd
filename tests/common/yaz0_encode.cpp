#include "yaz0_encode.h"

// ---- Matching -------------------------------------------------------------------------------
static const uint32_t WINDOW = 4096;
static const uint32_t MIN_MATCH = 3;
static const uint32_t MAX_MATCH = 0xFF + 0x12;
static const uint32_t SHORT_LIMIT = 0x12;  // shorter matches fit the two-byte form
static const uint32_t HASH_BITS = 12;       // as many heads as the window holds positions
static const int CHAIN_DEPTH = 24;         // candidates tried per position: speed over ratio
static const uint32_t NONE = 0xFFFFFFFF;

static uint32_t Hash3(const uint8_t* p)
{
    uint32_t v = (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
    return (v * 2654435761u) >> (32 - HASH_BITS);
}

struct Matcher
{
    const uint8_t* Data;
    size_t Size;
    std::vector<uint32_t> Head;  // latest position of each hash
    std::vector<uint32_t> Prev;  // the position before it with the same hash, by position % WINDOW

    void Insert(size_t pos)
    {
        if (pos + MIN_MATCH > Size) return;
        uint32_t h = Hash3(Data + pos);
        Prev[pos % WINDOW] = Head[h];
        Head[h] = (uint32_t)pos;
    }

    // The longest match for pos (the nearest among equals); its length 0 when none reaches three.
    // A link is only followed while its position is inside the window, so it is never stale.
    uint32_t Longest(size_t pos, uint32_t* distance) const
    {
        if (pos + MIN_MATCH > Size) return 0;
        size_t limit = Size - pos < MAX_MATCH ? Size - pos : MAX_MATCH;
        uint32_t best = 0;
        uint32_t cand = Head[Hash3(Data + pos)];
        for (int depth = 0; depth < CHAIN_DEPTH && cand != NONE && pos - cand <= WINDOW; depth++)
        {
            size_t len = 0;
            while (len < limit && Data[cand + len] == Data[pos + len]) len++; // may run into pos: overlap
            if (len > best)
            {
                best = (uint32_t)len;
                *distance = (uint32_t)(pos - cand);
                if (len == limit) break;
            }
            cand = Prev[cand % WINDOW];
        }
        return best >= MIN_MATCH ? best : 0;
    }
};

// ---- Encoding -------------------------------------------------------------------------------
std::vector<uint8_t> EncodeYaz0(const uint8_t* data, size_t size)
{
    const uint8_t header[16] = { 'Y', 'a', 'z', '0', (uint8_t)(size >> 24), (uint8_t)(size >> 16),
                                 (uint8_t)(size >> 8), (uint8_t)size };
    std::vector<uint8_t> out(header, header + 16);
    out.reserve(16 + size + size / 8 + 1);
    Matcher m = { data, size, std::vector<uint32_t>(1u << HASH_BITS, NONE), std::vector<uint32_t>(WINDOW, NONE) };

    size_t flagAt = 0;
    int item = 8;
    for (size_t pos = 0; pos < size; item++)
    {
        if (item == 8)
        {
            flagAt = out.size();
            out.push_back(0);
            item = 0;
        }
        uint32_t distance = 0;
        uint32_t length = m.Longest(pos, &distance);
        if (length == 0)
        {
            out[flagAt] |= (uint8_t)(0x80 >> item);
            out.push_back(data[pos]);
            m.Insert(pos++);
            continue;
        }
        uint32_t d = distance - 1;
        if (length < SHORT_LIMIT)
        {
            out.push_back((uint8_t)((length - 2) << 4 | d >> 8));
            out.push_back((uint8_t)d);
        }
        else
        {
            out.push_back((uint8_t)(d >> 8));
            out.push_back((uint8_t)d);
            out.push_back((uint8_t)(length - SHORT_LIMIT));
        }
        for (size_t end = pos + length; pos < end; pos++) m.Insert(pos);
    }
    return out;
}
