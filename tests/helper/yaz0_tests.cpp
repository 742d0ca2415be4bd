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

// A copy from exactly 4096 back works, one byte further is refused. With a long tail after it
// the copy is among the whole groups decoded without per-byte checks, without one among the last.
TEST(Yaz0, FarthestCopyIsTheWindow)
{
    for (uint32_t tail : { 0u, 4000u })
        for (uint32_t before : { 4096u, 4095u })
        {
            Items items;
            std::vector<uint8_t> want;
            for (uint32_t i = 0; i < before; i++)
            {
                items.Literal((uint8_t)(i * 37 >> 3));
                want.push_back((uint8_t)(i * 37 >> 3));
            }
            items.Copy(4096, 4);
            want.insert(want.end(), want.begin(), want.begin() + 4);
            for (uint32_t n = 0; n < tail; n += 200)
            {
                items.Copy(1, 200);
                want.insert(want.end(), 200, want.back());
            }
            const uint32_t size = (uint32_t)want.size();
            std::vector<uint8_t> out;
            Yaz0Result r = Decode(Stream(size, items.Body), size, &out);
            EXPECT_EQ(r, before == 4096 ? YAZ0_OK : YAZ0_REACHES_BACK) << before << " " << tail;
            if (r == YAZ0_OK) { EXPECT_EQ(out, want) << tail; }
        }
}

// ---- Round trips ------------------------------------------------------------------------------
struct ItemCounts { uint32_t Literals, ShortCopies, LongCopies, Overlapping; };

// The kinds of item in a stream that decoded.
static ItemCounts CountItems(const std::vector<uint8_t>& stream, uint32_t size)
{
    ItemCounts c = {};
    size_t at = YAZ0_HEADER_SIZE;
    for (uint32_t done = 0; done < size;)
    {
        uint8_t flags = stream[at++];
        for (int i = 0; i < 8 && done < size; i++, flags <<= 1)
        {
            if (flags & 0x80)
            {
                c.Literals++, done++, at++;
                continue;
            }
            uint32_t distance = ((stream[at] & 0x0F) << 8 | stream[at + 1]) + 1;
            uint32_t length = stream[at] >> 4 ? (stream[at] >> 4) + 2 : stream[at + 2] + 0x12;
            (stream[at] >> 4 ? c.ShortCopies : c.LongCopies)++;
            at += stream[at] >> 4 ? 2 : 3;
            c.Overlapping += distance < length;
            done += length;
        }
    }
    return c;
}

static std::vector<uint8_t> RandomBytes(uint32_t seed, size_t size)
{
    TestRandom random(seed);
    std::vector<uint8_t> v(size);
    for (uint8_t& b : v) b = (uint8_t)random.Next();
    return v;
}

// Runs of one byte and short repeated patterns (periods 2 to 7) of random lengths.
static std::vector<uint8_t> Runs(uint32_t seed, size_t size)
{
    TestRandom random(seed);
    std::vector<uint8_t> v;
    while (v.size() < size)
    {
        uint32_t period = random.Chance(50) ? 1 : 2 + random.Below(6), length = 1 + random.Below(2000);
        uint8_t pattern[7];
        for (uint8_t& b : pattern) b = (uint8_t)random.Next();
        for (uint32_t i = 0; i < length; i++) v.push_back(pattern[i % period]);
    }
    v.resize(size);
    return v;
}

TEST(Yaz0, EncodedDataDecodesBack)
{
    std::vector<uint8_t> table, text;
    GenerateMessagePair(7, table, text);
    struct Case { const char* name; std::vector<uint8_t> data; bool compresses; };
    const Case cases[] = {
        { "empty", {}, false },
        { "one byte", { 0x42 }, false },
        { "seven bytes", Bytes("abcabca"), false },
        { "random", RandomBytes(1, 4097), false },
        { "runs", Runs(2, 300001), true },
        { "zeros", std::vector<uint8_t>(100003, 0), true },
        { "message text", text, true },
        { "rom-like", GenerateRomLikeBytes(3, (1u << 20) + 5), true },
    };
    for (const Case& c : cases)
    {
        const uint32_t n = (uint32_t)c.data.size();
        std::vector<uint8_t> stream = EncodeYaz0(c.data.data(), n), out;
        uint32_t header = 0;
        ASSERT_TRUE(Yaz0DecodedSize(stream.data(), stream.size(), &header)) << c.name;
        EXPECT_EQ(header, n) << c.name;
        ASSERT_EQ(Decode(stream, n, &out), YAZ0_OK) << c.name;
        EXPECT_TRUE(out == c.data) << c.name;
        // No more than a flag bit per byte over the data, and far less where it repeats.
        EXPECT_LE(stream.size(), YAZ0_HEADER_SIZE + n + (n + 7) / 8) << c.name;
        if (!c.compresses) continue;
        EXPECT_LT(stream.size(), n / 2) << c.name;
        ItemCounts k = CountItems(stream, n);
        EXPECT_GT(k.LongCopies, 0u) << c.name;
        EXPECT_GT(k.Overlapping, 0u) << c.name;
        if (c.data[0] != 0) { EXPECT_GT(k.ShortCopies, 0u) << c.name; }
    }
}

// ---- Damaged streams --------------------------------------------------------------------------
TEST(Yaz0, DamagedStreamsGiveTheirResult)
{
    const std::vector<uint8_t> body3 = { 0xE0, 'a', 'b', 'c' };
    std::vector<uint8_t> cut = Stream(0, {}), other = Stream(3, body3), lower = Stream(3, body3);
    cut.pop_back();
    other[3] = '1';
    lower[0] = 'y';
    // Many whole groups before the copy from too far back: the unchecked loop meets it.
    Items far;
    for (char c : std::string("abcdefgh")) far.Literal((uint8_t)c);
    far.Copy(9, 0x111);
    for (int i = 0; i < 7; i++) far.Copy(1, 0x111);
    struct Case { const char* name; std::vector<uint8_t> stream; uint32_t outSize; Yaz0Result want; };
    const Case cases[] = {
        { "empty", {}, 0, YAZ0_NO_HEADER },
        { "header cut", cut, 0, YAZ0_NO_HEADER },
        { "other magic", other, 3, YAZ0_NO_HEADER },
        { "lowercase magic", lower, 3, YAZ0_NO_HEADER },
        { "size larger than expected", Stream(3, body3), 2, YAZ0_SIZE_DIFFERS },
        { "size smaller than expected", Stream(3, body3), 4, YAZ0_SIZE_DIFFERS },
        { "size's high byte", Stream(0x01000003, body3), 3, YAZ0_SIZE_DIFFERS },
        { "no groups", Stream(1, {}), 1, YAZ0_TRUNCATED },
        { "literal missing", Stream(2, { 0xC0, 'a' }), 2, YAZ0_TRUNCATED },
        { "copy's second byte missing", Stream(4, { 0x80, 'a', 0x10 }), 4, YAZ0_TRUNCATED },
        { "long copy's third byte missing", Stream(30, { 0x80, 'a', 0x00, 0x00 }), 30, YAZ0_TRUNCATED },
        { "next flag byte missing", Stream(9, { 0xFF, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h' }), 9, YAZ0_TRUNCATED },
        { "copies fall short", Stream(10, { 0x80, 'a', 0x10, 0x00 }), 10, YAZ0_TRUNCATED },
        { "copy first", Stream(3, { 0x00, 0x10, 0x00 }), 3, YAZ0_REACHES_BACK },
        { "copy two back after one byte", Stream(4, { 0x80, 'a', 0x10, 0x01 }), 4, YAZ0_REACHES_BACK },
        { "long copy three back after two", Stream(20, { 0xC0, 'a', 'b', 0x00, 0x02, 0x00 }), 20, YAZ0_REACHES_BACK },
        { "copy cut at the size still too far", Stream(2, { 0x80, 'a', 0x10, 0x01 }), 2, YAZ0_REACHES_BACK },
        { "too far among whole groups", Stream(10000, far.Body), 10000, YAZ0_REACHES_BACK },
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
    const std::vector<uint8_t> mixed = GenerateRomLikeBytes(11, 12000), runs = Runs(12, 9000);
    const std::vector<uint8_t> streams[] = {
        Stream(8 + 5 + 0x40 + 1 + 0x111, hand.Body), EncodeYaz0(mixed.data(), mixed.size()),
        EncodeYaz0(runs.data(), runs.size()), EncodeYaz0(nullptr, 0),
    };
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
