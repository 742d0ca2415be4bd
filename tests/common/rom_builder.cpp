#include "rom_builder.h"
#include "checksum.h"
#include "testdata.h"
#include "yaz0_encode.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

// ---- Release facts ------------------------------------------------------------------------------
#define PAL { 21, 22, 23, 24 }
#define NTSC { 22, 0, 0, 23 }
const TestReleaseFacts TEST_RELEASES[TEST_RELEASE_COUNT] = {
    { "gc-eu-mq-dbg", 0x12F70, 28, PAL, { 0x12E4C0, 0x1326E8, 0x1347F8, 0x136908 }, true },
    { "gc-eu-dbg", 0x12F70, 28, PAL, { 0x12E4E0, 0x132708, 0x134818, 0x136928 }, true },
    { "gc-eu-dbg-2", 0x12F70, 28, PAL, { 0x12E4E0, 0x132708, 0x134818, 0x136928 }, true },
    { "pal-1.0", 0x7950, 28, PAL, { 0xF71DC, 0xFB404, 0xFD514, 0xFF624 }, true },
    { "pal-1.1", 0x7950, 28, PAL, { 0xF721C, 0xFB444, 0xFD554, 0xFF664 }, true },
    { "gc-eu", 0x7170, 28, PAL, { 0xF6910, 0xFAB38, 0xFCC48, 0xFED58 }, true },
    { "gc-eu-mq", 0x7170, 28, PAL, { 0xF68F0, 0xFAB18, 0xFCC28, 0xFED38 }, true },
    { "ntsc-1.0", 0x7430, 27, NTSC, { 0xFD9EC, 0, 0, 0x101C0C }, false },
    { "ntsc-1.1", 0x7430, 27, NTSC, { 0xFDBAC, 0, 0, 0x101DCC }, false },
    { "ntsc-1.2", 0x7960, 27, NTSC, { 0xFDA5C, 0, 0, 0x101C7C }, false },
    { "gc-us", 0x7170, 27, NTSC, { 0xFD0EC, 0, 0, 0x10130C }, false },
    { "gc-us-mq", 0x7170, 27, NTSC, { 0xFD0CC, 0, 0, 0x1012EC }, false },
    { "gc-jp", 0x7170, 27, NTSC, { 0xFD10C, 0, 0, 0x10132C }, false },
    { "gc-jp-mq", 0x7170, 27, NTSC, { 0xFD0EC, 0, 0, 0x10130C }, false },
    { "gc-jp-ce", 0x7170, 27, NTSC, { 0xFD0EC, 0, 0, 0x10130C }, false },
};
#undef PAL
#undef NTSC

const TestReleaseFacts& TestRelease(const char* name)
{
    for (const TestReleaseFacts& f : TEST_RELEASES)
        if (strcmp(f.Name, name) == 0) return f;
    return TEST_RELEASES[0];
}

TestImageOptions DebugReleaseLayout()
{
    TestImageOptions o;
    o.EnglishAt = 0x8C6000;
    o.CodeAt = 0xA94000;
    return o;
}

// ---- Bytes --------------------------------------------------------------------------------------
uint32_t TestWord(const std::vector<uint8_t>& b, uint64_t pos)
{
    return (uint32_t)b[pos] << 24 | (uint32_t)b[pos + 1] << 16 | (uint32_t)b[pos + 2] << 8 | b[pos + 3];
}

void PutTestWord(std::vector<uint8_t>& b, uint64_t pos, uint32_t value)
{
    b[pos] = (uint8_t)(value >> 24);
    b[pos + 1] = (uint8_t)(value >> 16);
    b[pos + 2] = (uint8_t)(value >> 8);
    b[pos + 3] = (uint8_t)value;
}

static uint32_t AlignUp(uint32_t v, uint32_t to)
{
    return (v + to - 1) / to * to;
}

bool WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// ---- Texts --------------------------------------------------------------------------------------
// One text: messages "<tag> nnnn ..." with the end code, offsets aligned to 4; the table holds
// ID, type/position, a zero byte and the address word.
static void MakeText(const char* tag, const std::vector<uint16_t>& ids, std::vector<uint8_t>& table,
                     std::vector<uint8_t>& data)
{
    table.clear();
    data.clear();
    for (size_t i = 0; i < ids.size(); i++)
    {
        uint32_t offset = (uint32_t)data.size();
        const uint8_t record[8] = { (uint8_t)(ids[i] >> 8), (uint8_t)ids[i], (uint8_t)((i % 4) << 4 | i % 3), 0,
                                    0x07, (uint8_t)(offset >> 16), (uint8_t)(offset >> 8), (uint8_t)offset };
        table.insert(table.end(), record, record + 8);
        char text[48];
        int n = snprintf(text, sizeof(text), "%s %04X%s", tag, ids[i], i % 3 == 0 ? " and more words" : "");
        data.insert(data.end(), text, text + n);
        data.push_back(0x02); // the end code
        while (data.size() % 4) data.push_back(0);
    }
}

// ---- The program code -----------------------------------------------------------------------------
// Words of the R-type shape only (top six bits zero): never a load-upper-immediate, so the only
// pairs the tool can find are the ones put here.
static void FillCode(std::vector<uint8_t>& code)
{
    for (size_t i = 0; i + 4 <= code.size(); i += 4) PutTestWord(code, i, (uint32_t)(i * 2654435761u) & 0x03FFFFFF);
}

static const uint32_t LUI = 0x3C000000, ADDIU = 0x24000000;

// A load-upper-immediate of address's high part (with carry) into reg, and lowAfter words later
// the add of its low half; returns the byte offsets of the two places the tool writes.
static void PutPair(std::vector<uint8_t>& code, uint32_t at, uint32_t lowAfter, uint32_t reg, uint32_t address,
                    uint32_t* highByte, uint32_t* lowHalf)
{
    uint32_t high = ((address + 0x8000) >> 16) & 0xFFFF;
    PutTestWord(code, at, LUI | reg << 16 | high);
    PutTestWord(code, at + lowAfter * 4, ADDIU | reg << 21 | reg << 16 | (address & 0xFFFF));
    *highByte = at + 3;
    *lowHalf = at + lowAfter * 4 + 2;
}

// ---- The image ----------------------------------------------------------------------------------
const int TEST_RECORDS = 32; // without fillers

// A filler file: in every 64 bytes, 23 that look random and a run of one byte, so the encoder
// keeps about half of it.
static void MakeFiller(int record, uint32_t size, std::vector<uint8_t>& c)
{
    c.assign(size, 0);
    uint32_t x = (uint32_t)record * 2654435761u + 1;
    for (uint32_t k = 0; k < size; k++)
    {
        x = x * 1103515245u + 12345u;
        c[k] = k % 64 < 23 ? (uint8_t)(x >> 24) : (uint8_t)(k / 64 + record);
    }
}

uint32_t FileRecordAt(const TestImage& img, int record)
{
    return img.Facts->FileTableAt + (uint32_t)record * 16;
}

TestImage BuildTestImage(const TestReleaseFacts& facts, const TestImageOptions& options)
{
    TestImage img = {};
    img.Facts = &facts;
    // The texts: IDs from 0x0001 up, 0xFFFC third from the end (the translations lack it).
    std::vector<uint16_t> ids, translated, credits;
    for (uint32_t i = 0; i < options.Messages; i++)
        ids.push_back(i + 3 == options.Messages ? 0xFFFC : (uint16_t)(i == 0 ? 1 : 0x100 + i * 7));
    for (uint16_t id : ids)
        if (id != 0xFFFC) translated.push_back(id);
    for (uint32_t i = 0; i < options.CreditsMessages; i++) credits.push_back((uint16_t)(0x0500 + i));
    MakeText("Text", ids, img.Table[TT_EN], img.Data[TT_EN]);
    if (options.EnglishTable && options.EnglishData)
    {
        img.Table[TT_EN] = *options.EnglishTable;
        img.Data[TT_EN] = *options.EnglishData;
        ids.clear();
        for (size_t i = 0; i + 8 <= img.Table[TT_EN].size(); i += 8)
            ids.push_back((uint16_t)(img.Table[TT_EN][i] << 8 | img.Table[TT_EN][i + 1]));
        translated.clear();
        for (uint16_t id : ids)
            if (id != 0xFFFC) translated.push_back(id);
    }
    img.Data[TT_EN].resize(img.Data[TT_EN].size() + options.EnglishPadding, 0);
    if (facts.Pal)
    {
        MakeText("Satz", translated, img.Table[TT_DE], img.Data[TT_DE]);
        MakeText("Phrase", translated, img.Table[TT_FR], img.Data[TT_FR]);
        // Extraction gives a translation the English records' first four bytes: only the
        // address words are the language's own.
        const std::vector<uint8_t>& en = img.Table[TT_EN];
        for (int t = TT_DE; t <= TT_FR; t++)
            for (size_t i = 0, k = 0; i + 8 <= en.size(); i += 8)
                if (TestWord(en, i) >> 16 != 0xFFFC) memcpy(&img.Table[t][8 * k++], &en[i], 4);
    }
    MakeText("Staff", credits, img.Table[TT_CREDITS], img.Data[TT_CREDITS]);

    // The code: big enough for the last table, the tables at their offsets.
    uint32_t codeSize = 0;
    for (int t = 0; t < TT_KINDS; t++)
        if (facts.TableInCode[t]) codeSize = facts.TableInCode[t] + (uint32_t)img.Table[t].size() + 16;
    codeSize = AlignUp(codeSize + 0x100, 16);
    std::vector<uint8_t> code(codeSize);
    FillCode(code);
    for (int t = 0; t < TT_KINDS; t++)
    {
        if (!facts.TableInCode[t]) continue;
        img.Records[t] = (uint32_t)img.Table[t].size() / 8;
        uint32_t at = facts.TableInCode[t];
        if (t == TT_DE || t == TT_FR)
        {
            for (uint32_t i = 0; i < img.Records[t]; i++) memcpy(&code[at + i * 4], &img.Table[t][i * 8 + 4], 4);
            PutTestWord(code, at + img.Records[t] * 4, 0); // closes the table
        }
        else
        {
            memcpy(&code[at], img.Table[t].data(), img.Table[t].size());
            const uint8_t closing[8] = { 0xFF, 0xFF, 0, 0, 0, 0, 0, 0 };
            memcpy(&code[at + img.Table[t].size()], closing, 8);
        }
    }
    // The pairs: on the debug release where the tool always patched (0x520B4 and on), elsewhere
    // lower in the code; a lone high half of the first address stands before them as a decoy.
    uint32_t pairHigh[2] = {}, pairLow[2] = {};
    if (facts.Pal && options.Pairs)
    {
        uint32_t base = facts.FileTableAt == 0x12F70 ? 0x520B4 : 0x4000;
        const std::vector<uint8_t>& en = img.Table[TT_EN];
        uint32_t addressA = TestWord(en, en.size() - 12), addressB = TestWord(en, en.size() - 4);
        PutTestWord(code, base - 0x14, LUI | 24u << 16 | (((addressA + 0x8000) >> 16) & 0xFFFF));
        PutPair(code, base, 1, 14, addressA, &pairHigh[0], &pairLow[0]);
        PutPair(code, base + 0x10, 11, 15, addressB, &pairHigh[1], &pairLow[1]);
    }

    // The files, in record order, each on an aligned start; the English text and the code may be
    // placed further up, leaving a gap no file covers.
    const int records = TEST_RECORDS + (int)options.FillerFiles;
    std::vector<std::vector<uint8_t>> contents(records);
    uint32_t tableBytes = (records + 1) * 16;
    img.Files.assign(records * 4, 0);
    uint32_t pos = 0;
    for (int i = 0; i < records; i++)
    {
        std::vector<uint8_t>& c = contents[i];
        uint32_t start = AlignUp(pos, i <= 2 ? 16 : options.Align);
        if (i == 0) { start = 0; c.assign(0x1060, 0); }
        else if (i == 1) c.assign(facts.FileTableAt - 0x1060, 0);
        else if (i == 2) { start = facts.FileTableAt; c.assign(tableBytes, 0); }
        else if (i == facts.CodeRecord) c = code;
        else if (i >= TEST_RECORDS) MakeFiller(i, options.FillerSize, c);
        else
        {
            c.assign(0x700 + (uint32_t)i * 0x53, 0);
            for (size_t k = 0; k < c.size(); k++) c[k] = (uint8_t)(k % 97 < 40 ? i : k * 31 + i);
        }
        for (int t = 0; t < TT_KINDS; t++)
            if (facts.TextRecord[t] && facts.TextRecord[t] == i) c = img.Data[t];
        if (i == facts.TextRecord[TT_EN] && options.EnglishAt > start) start = options.EnglishAt;
        if (i == facts.CodeRecord && options.CodeAt > start) start = options.CodeAt;
        uint32_t* r = &img.Files[i * 4];
        r[0] = start;
        r[1] = start + (uint32_t)c.size();
        r[2] = i == 5 ? 0xFFFFFFFF : start; // record 5 is absent: no bytes in any image
        r[3] = i == 5 ? 0xFFFFFFFF : 0;
        if (i == 5) c.assign(c.size(), 0);
        pos = r[1];
    }
    for (int t = 0; t < TT_KINDS; t++)
    {
        int rec = facts.TextRecord[t];
        if (!rec) continue;
        img.TextAt[t] = img.Files[rec * 4];
        img.TextSize[t] = (uint32_t)img.Data[t].size();
        img.NextAt[t] = img.Files[(rec + 1) * 4];
    }
    img.CodeAt = img.Files[facts.CodeRecord * 4];
    img.CodeSize = codeSize;
    for (int t = 0; t < TT_KINDS; t++)
        if (facts.TableInCode[t]) img.TableAt[t] = img.CodeAt + facts.TableInCode[t];
    for (int k = 0; k < 2 && facts.Pal && options.Pairs; k++)
    {
        img.PatchHigh[k] = img.CodeAt + pairHigh[k];
        img.PatchLow[k] = img.CodeAt + pairLow[k];
    }

    // The decompressed image: whole MiB, the header's first word, the file table, the files.
    img.Rom.assign(AlignUp(pos, 1u << 20), 0);
    for (int i = 0; i < records * 4; i++) PutTestWord(contents[2], (uint32_t)i * 4, img.Files[i]);
    for (int i = 0; i < records; i++)
        if (!contents[i].empty()) memcpy(&img.Rom[img.Files[i * 4]], contents[i].data(), contents[i].size());
    for (uint32_t k = 0x20; k < 0x1000; k++) img.Rom[k] = (uint8_t)(k * 7);
    PutTestWord(img.Rom, 0, 0x80371240);
    uint32_t crc1 = 0, crc2 = 0;
    if (ComputeBootChecksums(img.Rom.data(), img.Rom.size(), &crc1, &crc2))
    {
        PutTestWord(img.Rom, 0x10, crc1);
        PutTestWord(img.Rom, 0x14, crc2);
    }
    return img;
}

std::vector<uint8_t> SellTestImage(const TestImage& img)
{
    const TestReleaseFacts& facts = *img.Facts;
    const int records = (int)img.Files.size() / 4;
    std::vector<uint8_t> sold(img.Rom.begin(), img.Rom.begin() + facts.FileTableAt + (records + 1) * 16);
    uint32_t tableAt = facts.FileTableAt;
    for (int i = 3; i < records; i++)
    {
        uint32_t vromStart = img.Files[i * 4], vromEnd = img.Files[i * 4 + 1];
        uint32_t at = (uint32_t)(sold.size() + 15) / 16 * 16;
        uint32_t romStart = at, romEnd = 0;
        bool isText = false;
        for (int t = 0; t < TT_KINDS; t++) isText |= facts.TextRecord[t] != 0 && facts.TextRecord[t] == i;
        if (i == 5)
            romStart = romEnd = 0xFFFFFFFF;
        else if (i == facts.CodeRecord || i >= TEST_RECORDS || (!isText && i % 4 == 0))
        {
            std::vector<uint8_t> stream = EncodeYaz0(&img.Rom[vromStart], vromEnd - vromStart);
            sold.resize(at);
            sold.insert(sold.end(), stream.begin(), stream.end());
            romEnd = (uint32_t)sold.size();
        }
        else
        {
            sold.resize(at);
            sold.insert(sold.end(), img.Rom.begin() + vromStart, img.Rom.begin() + vromEnd);
        }
        PutTestWord(sold, tableAt + i * 16 + 8, romStart);
        PutTestWord(sold, tableAt + i * 16 + 12, romEnd);
    }
    sold.resize(AlignUp((uint32_t)sold.size(), 1u << 20), 0);
    uint32_t crc1 = 0, crc2 = 0;
    if (ComputeBootChecksums(sold.data(), sold.size(), &crc1, &crc2))
    {
        PutTestWord(sold, 0x10, crc1);
        PutTestWord(sold, 0x14, crc2);
    }
    return sold;
}

void GrowTestText(const TestImage& img, int text, uint32_t grow, std::vector<uint8_t>& table,
                  std::vector<uint8_t>& data)
{
    table = img.Table[text];
    data.clear();
    const std::vector<uint8_t>& old = img.Data[text];
    uint32_t records = (uint32_t)table.size() / 8;
    for (uint32_t i = 0; i < records; i++)
    {
        uint32_t from = TestWord(table, i * 8 + 4) & 0xFFFFFF;
        uint32_t to = i + 1 < records ? TestWord(table, i * 8 + 12) & 0xFFFFFF : (uint32_t)old.size();
        uint32_t offset = (uint32_t)data.size();
        PutTestWord(table, i * 8 + 4, 0x07000000 | offset);
        // The message up to its end code, then grow letters, the end code and the padding.
        uint32_t end = from;
        while (end < to && old[end] != 0x02) end++;
        data.insert(data.end(), old.begin() + from, old.begin() + end);
        for (uint32_t k = 0; k < grow; k++) data.push_back((uint8_t)('a' + k % 26));
        data.push_back(0x02);
        while (data.size() % 4) data.push_back(0);
    }
}

void GeneratedEnglishText(const TestReleaseFacts& facts, uint32_t seed, std::vector<uint8_t>& table,
                          std::vector<uint8_t>& data)
{
    GenerateMessagePair(seed, table, data);
    // The closing record must fit before the release's next table.
    uint32_t room = 0xFFFFFFFF;
    for (int t = 1; t < TT_KINDS; t++)
        if (facts.TableInCode[t] > facts.TableInCode[TT_EN] && facts.TableInCode[t] - facts.TableInCode[TT_EN] < room)
            room = facts.TableInCode[t] - facts.TableInCode[TT_EN];
    if (table.size() + 8 > room) table.resize(room - 8);
    table[table.size() - 24] = 0xFF;
    table[table.size() - 23] = 0xFC;
}
