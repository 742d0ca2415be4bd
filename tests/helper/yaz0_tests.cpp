// Yaz0 decoding: hand-made streams with known output, round trips through the tests' encoder on
// varied data, and damaged streams, each with the one result it must give.
#include "testdata.h"
#include "yaz0.h"
#include "yaz0_encode.h"
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// ---- Streams ----------------------------------------------------------------------------------
static std::vector<uint8_t> Stream(uint32_t size, const std::vector<uint8_t>& body)
{
    const uint8_t header[YAZ0_HEADER_SIZE] = { 'Y', 'a', 'z', '0', (uint8_t)(size >> 24), (uint8_t)(size >> 16),
                                               (uint8_t)(size >> 8), (uint8_t)size };
    std::vector<uint8_t> s(YAZ0_HEADER_SIZE + body.size());
    std::copy(header, header + YAZ0_HEADER_SIZE, s.begin());
    std::copy(body.begin(), body.end(), s.begin() + YAZ0_HEADER_SIZE);
    return s;
}

// A body item by item, for streams too long to write out byte by byte.
struct Items
{
    std::vector<uint8_t> Body;
    size_t FlagAt = 0;
    int Count = 8;

    void Next(bool literal)
    {
        if (Count == 8)
        {
            FlagAt = Body.size();
            Body.push_back(0);
            Count = 0;
        }
        if (literal) Body[FlagAt] |= (uint8_t)(0x80 >> Count);
        Count++;
    }
    void Literal(uint8_t b)
    {
        Next(true);
        Body.push_back(b);
    }
    void Copy(uint32_t distance, uint32_t length) // length 3 to 0x111
    {
        Next(false);
        uint32_t d = distance - 1;
        if (length < 0x12) Body.insert(Body.end(), { (uint8_t)((length - 2) << 4 | d >> 8), (uint8_t)d });
        else Body.insert(Body.end(), { (uint8_t)(d >> 8), (uint8_t)d, (uint8_t)(length - 0x12) });
    }
};

// Both buffers exactly as large as given, so the sanitizer sees a step past either.
static Yaz0Result Decode(const std::vector<uint8_t>& stream, size_t inSize, uint32_t outSize, std::vector<uint8_t>* out)
{
    std::vector<uint8_t> in(stream.begin(), stream.begin() + inSize);
    *out = std::vector<uint8_t>(outSize, 0xAA);
    return DecodeYaz0(in.data(), in.size(), out->data(), outSize);
}

static Yaz0Result Decode(const std::vector<uint8_t>& stream, uint32_t outSize, std::vector<uint8_t>* out)
{
    return Decode(stream, stream.size(), outSize, out);
}

static std::string Repeat(const char* text, int times)
{
    std::string s;
    while (times-- > 0) s += text;
    return s;
}

// ---- Known output -----------------------------------------------------------------------------
TEST(Yaz0, HandMadeStreamsDecodeToTheirText)
{
    // The largest group there is, ending the output exactly: the copies must not spill past it.
    Items largest;
    for (char c : std::string("abcdefgh")) largest.Literal((uint8_t)c);
    for (int i = 0; i < 8; i++) largest.Copy(8, 0x111);
    // A copy from the window's far end, 4096 back.
    Items window;
    std::string windowText;
    for (uint32_t i = 0; i < 4096; i++)
    {
        window.Literal((uint8_t)('a' + i % 23));
        windowText.push_back((char)('a' + i % 23));
    }
    window.Copy(4096, 4);
    windowText += windowText.substr(0, 4);
    struct Case { const char* name; uint32_t size; std::vector<uint8_t> body; std::string text; };
    const Case cases[] = {
        { "literals", 3, { 0xE0, 'a', 'b', 'c' }, "abc" },
        { "flag bits past the end unused", 2, { 0xFF, 'a', 'b' }, "ab" },
        { "literals over two groups", 9, { 0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x80, 'i' }, "abcdefghi" },
        { "short copy", 6, { 0xE0, 'a', 'b', 'c', 0x10, 0x02 }, "abcabc" },
        { "longest short copy", 19, { 0xC0, 'a', 'b', 0xF0, 0x01 }, Repeat("ab", 9) + "a" },
        { "long copy by the third byte", 36, { 0xC0, 'a', 'b', 0x00, 0x01, 0x10 }, Repeat("ab", 18) },
        { "longest copy", 274, { 0x80, 'z', 0x00, 0x00, 0xFF }, std::string(274, 'z') },
        { "overlapping copy from one back", 6, { 0x80, 'x', 0x30, 0x00 }, "xxxxxx" },
        { "overlapping copy from three back", 10, { 0xE0, 'a', 'b', 'c', 0x50, 0x02 }, "abcabcabca" },
        { "literal after a copy", 5, { 0xA0, 'a', 0x10, 0x00, 'b' }, "aaaab" },
        { "copy cut at the size", 5, { 0xC0, 'a', 'b', 0xF0, 0x01 }, "ababa" },
        { "long copy cut at the size", 3, { 0x80, 'q', 0x00, 0x00, 0xFF }, "qqq" },
        { "largest group at the end", 8 + 8 * 0x111, largest.Body, Repeat("abcdefgh", 1 + 0x111) },
        { "copy from 4096 back", 4100, window.Body, windowText },
        { "nothing to decode", 0, {}, "" },
        { "bytes after the end ignored", 3, { 0xE0, 'a', 'b', 'c', 0, 0, 0, 0 }, "abc" },
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> out;
        EXPECT_EQ(Decode(Stream(c.size, c.body), c.size, &out), YAZ0_OK) << c.name;
        EXPECT_EQ(std::string(out.begin(), out.end()), c.text) << c.name;
    }
}

// ---- Round trips ------------------------------------------------------------------------------
TEST(Yaz0, EncodedDataDecodesBack)
{
    std::vector<uint8_t> table, text;
    GenerateMessagePair(7, table, text);
    const std::vector<uint8_t> cases[] = {
        {}, { 0x42 }, Bytes("abcabca"), std::vector<uint8_t>(100003, 0), text, GenerateRomLikeBytes(3, (1u << 20) + 5),
    };
    for (const std::vector<uint8_t>& data : cases)
    {
        const uint32_t n = (uint32_t)data.size();
        std::vector<uint8_t> stream = EncodeYaz0(data.data(), n), out;
        uint32_t header = 0;
        ASSERT_TRUE(Yaz0DecodedSize(stream.data(), stream.size(), &header)) << n;
        EXPECT_EQ(header, n);
        ASSERT_EQ(Decode(stream, n, &out), YAZ0_OK) << n;
        EXPECT_TRUE(out == data) << n;
    }
}

// ---- Damaged streams --------------------------------------------------------------------------
TEST(Yaz0, DamagedStreamsGiveTheirResult)
{
    const std::vector<uint8_t> body3 = { 0xE0, 'a', 'b', 'c' };
    std::vector<uint8_t> cut = Stream(0, {}), other = Stream(3, body3);
    cut.pop_back();
    other[3] = '1';
    // Many whole groups before the copy from too far back: the unchecked loop meets it.
    Items far;
    for (char c : std::string("abcdefgh")) far.Literal((uint8_t)c);
    far.Copy(9, 0x111);
    for (int i = 0; i < 7; i++) far.Copy(1, 0x111);
    // One byte short of the window for a copy from 4096 back.
    Items window;
    for (uint32_t i = 0; i < 4095; i++) window.Literal((uint8_t)i);
    window.Copy(4096, 4);
    struct Case { const char* name; std::vector<uint8_t> stream; uint32_t outSize; Yaz0Result want; };
    const Case cases[] = {
        { "empty", {}, 0, YAZ0_NO_HEADER },
        { "header cut", cut, 0, YAZ0_NO_HEADER },
        { "other magic", other, 3, YAZ0_NO_HEADER },
        { "size larger than expected", Stream(3, body3), 2, YAZ0_SIZE_DIFFERS },
        { "size's high byte", Stream(0x01000003, body3), 3, YAZ0_SIZE_DIFFERS },
        { "no groups", Stream(1, {}), 1, YAZ0_TRUNCATED },
        { "literal missing", Stream(2, { 0xC0, 'a' }), 2, YAZ0_TRUNCATED },
        { "long copy's third byte missing", Stream(30, { 0x80, 'a', 0x00, 0x00 }), 30, YAZ0_TRUNCATED },
        { "next flag byte missing", Stream(9, { 0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h' }), 9, YAZ0_TRUNCATED },
        { "copies fall short", Stream(10, { 0x80, 'a', 0x10, 0x00 }), 10, YAZ0_TRUNCATED },
        { "copy first", Stream(3, { 0x00, 0x10, 0x00 }), 3, YAZ0_REACHES_BACK },
        { "long copy three back after two", Stream(20, { 0xC0, 'a', 'b', 0x00, 0x02, 0x00 }), 20, YAZ0_REACHES_BACK },
        { "copy cut at the size still too far", Stream(2, { 0x80, 'a', 0x10, 0x01 }), 2, YAZ0_REACHES_BACK },
        { "too far among whole groups", Stream(10000, far.Body), 10000, YAZ0_REACHES_BACK },
        { "4096 back after 4095 bytes", Stream(4099, window.Body), 4099, YAZ0_REACHES_BACK },
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> out;
        EXPECT_EQ(Decode(c.stream, c.outSize, &out), c.want) << c.name;
        uint32_t size = 0;
        EXPECT_EQ(Yaz0DecodedSize(c.stream.data(), c.stream.size(), &size), c.want != YAZ0_NO_HEADER) << c.name;
    }
}

// Every prefix of a valid stream is refused as cut (or headerless), whichever item it ends in.
TEST(Yaz0, EveryCutOfAStreamIsTruncated)
{
    Items hand; // every kind of item, the last one long
    for (char c : std::string("yaz0 cut")) hand.Literal((uint8_t)c);
    hand.Copy(1, 5);
    hand.Copy(8, 0x40);
    hand.Literal('!');
    hand.Copy(3, 0x111);
    const std::vector<uint8_t> mixed = GenerateRomLikeBytes(11, 12000);
    const std::vector<uint8_t> streams[] = { Stream(8 + 5 + 0x40 + 1 + 0x111, hand.Body),
                                             EncodeYaz0(mixed.data(), mixed.size()) };
    for (const std::vector<uint8_t>& s : streams)
    {
        uint32_t size = 0;
        ASSERT_TRUE(Yaz0DecodedSize(s.data(), s.size(), &size));
        std::vector<uint8_t> out;
        ASSERT_EQ(Decode(s, size, &out), YAZ0_OK);
        for (size_t len = 0; len < s.size(); len++)
            ASSERT_EQ(Decode(s, len, size, &out), len < YAZ0_HEADER_SIZE ? YAZ0_NO_HEADER : YAZ0_TRUNCATED) << len;
    }
}
