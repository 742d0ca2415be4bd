#include "rom_image.h"
#include "yaz0.h"
#include <cstdlib>
#include <cstring>
#include <new>

static uint32_t Word(const uint8_t* p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

// ---- The file table ---------------------------------------------------------------------------
bool IsAbsentFile(const FileRecord& r)
{
    return r.RomStart == ABSENT_FILE_WORD && r.RomEnd == ABSENT_FILE_WORD;
}

bool IsCompressedFile(const FileRecord& r)
{
    return !IsAbsentFile(r) && r.RomEnd != 0;
}

uint32_t FileVromSize(const FileRecord& r)
{
    return r.VromEnd >= r.VromStart ? r.VromEnd - r.VromStart : 0;
}

int NextFileAbove(const std::vector<FileRecord>& files, uint32_t index, const int* skip, int skipCount)
{
    const uint32_t start = files[index].VromStart;
    int best = -1;
    for (uint32_t i = 0; i < files.size(); i++)
    {
        bool skipped = i == index;
        for (int k = 0; k < skipCount; k++) skipped |= (int)i == skip[k];
        const FileRecord& r = files[i];
        // A file that starts where this one does counts unless it is empty: it leaves no room.
        bool above = r.VromStart > start || (r.VromStart == start && r.VromEnd > r.VromStart);
        if (skipped || !above) continue;
        if (best < 0 || r.VromStart < files[best].VromStart) best = (int)i;
    }
    return best;
}

// ---- Releases ---------------------------------------------------------------------------------
const char* TextTag(TextKind text)
{
    static const char* const tags[TEXT_KINDS] = { "en", "de", "fr", "credits" };
    return text < TEXT_KINDS ? tags[text] : "?";
}

const char* TextName(TextKind text)
{
    static const char* const names[TEXT_KINDS] = { "the English text", "the German text", "the French text",
                                                   "the credits text" };
    return text < TEXT_KINDS ? names[text] : "a text";
}

#define PAL_TEXTS   { 21, 22, 23, 24 }
#define NTSC_TEXTS  { 22, 0, 0, 23 }
const Release RELEASES[RELEASE_COUNT] = {
    { "gc-eu-mq-dbg", 0x12F70, 28, PAL_TEXTS, { 0x12E4C0, 0x1326E8, 0x1347F8, 0x136908 }, true,
      { "75e344f41c26ec2ec5ad92caa9e25629", NULL, "9704bc98c20c20319cc1633fe02b6fc7", NULL } },
    { "gc-eu-dbg", 0x12F70, 28, PAL_TEXTS, { 0x12E4E0, 0x132708, 0x134818, 0x136928 }, true,
      { "382dc484e317d6522745c95387e7d5b9", NULL, "414fdf77955f510da713c12cbc90d6f0", NULL } },
    { "gc-eu-dbg-2", 0x12F70, 28, PAL_TEXTS, { 0x12E4E0, 0x132708, 0x134818, 0x136928 }, true,
      { "2814fde8d6cfe23a220de6be955b4196", NULL, "635fd8a89b9b87d16b91b7cce39ca75f", NULL } },
    { "pal-1.0", 0x7950, 28, PAL_TEXTS, { 0xF71DC, 0xFB404, 0xFD514, 0xFF624 }, true,
      { "f7e8dec14a2fbae90aafa838c801310f", NULL, "e040de91a74b61e3201db0e2323f768a", NULL } },
    { "pal-1.1", 0x7950, 28, PAL_TEXTS, { 0xF721C, 0xFB444, 0xFD554, 0xFF664 }, true,
      { "fee6fe6e4cc6228aae02e15c40168aa1", NULL, "d714580dd74c2c033f5e1b6dc0aeac77", NULL } },
    { "gc-eu", 0x7170, 28, PAL_TEXTS, { 0xF6910, 0xFAB38, 0xFCC48, 0xFED58 }, true,
      { "05d6c0a3528d6de7472e5a98520d9f46", NULL, "2c27b4e000e85fd78dbca551f1b1c965", NULL } },
    { "gc-eu-mq", 0x7170, 28, PAL_TEXTS, { 0xF68F0, 0xFAB18, 0xFCC28, 0xFED38 }, true,
      { "4920520254b9aab86de57b42ab477dbb", NULL, "1618403427e4344a57833043db5ce3c3", NULL } },
    { "ntsc-1.0", 0x7430, 27, NTSC_TEXTS, { 0xFD9EC, 0, 0, 0x101C0C }, false,
      { "6829a16db1a34e8ce989847cd8da8d9a", "963d8ee3bd921f4d3c833b82004a76d2",
        "5bd1fe107bf8106b2ab6650abecd54d6", "9f04c8e68534b870f707c247fa4b50fc" } },
    { "ntsc-1.1", 0x7430, 27, NTSC_TEXTS, { 0xFDBAC, 0, 0, 0x101DCC }, false,
      { "a11496a4abcd9f173f2f2a342a6370d2", "8b07c719217cb89334edf481a52ef392",
        "721fdcc6f5f34be55c43a807f2a16af4", "1bf5f42b98c3e97948f01155f12e2d88" } },
    { "ntsc-1.2", 0x7960, 27, NTSC_TEXTS, { 0xFDA5C, 0, 0, 0x101C7C }, false,
      { "12fcafeba93992facaf65c2ba00f3089", "48b3e547359f21bb7e123fb362c1dd4e",
        "57a9719ad547c516342e1a15d5c28c3d", "2258052847bdd056c8406a9ef6427f13" } },
    { "gc-us", 0x7170, 27, NTSC_TEXTS, { 0xFD0EC, 0, 0, 0x10130C }, false,
      { "282e6281bc7f030cddccf2422237e9a7", NULL, "cd09029edcfb7c097ac01986a0f83d3f", NULL } },
    { "gc-us-mq", 0x7170, 27, NTSC_TEXTS, { 0xFD0CC, 0, 0, 0x1012EC }, false,
      { "3f0d68ac5b8a9dc3898655025db474dd", NULL, "da35577fe54579f6a266931cc75f512d", NULL } },
    { "gc-jp", 0x7170, 27, NTSC_TEXTS, { 0xFD10C, 0, 0, 0x10132C }, false,
      { "c72746a38cee7b25e6bbecde8db7e2d1", NULL, "33fb7852c180b18ea0b9620b630f413f", NULL } },
    { "gc-jp-mq", 0x7170, 27, NTSC_TEXTS, { 0xFD0EC, 0, 0, 0x10130C }, false,
      { "f70cf137eb8f783cb5d79756190728ce", NULL, "69895c5c78442260f6eafb2506dc482a", NULL } },
    { "gc-jp-ce", 0x7170, 27, NTSC_TEXTS, { 0xFD0EC, 0, 0, 0x10130C }, false,
      { "fe2f22c16e03762513b5af5449d453aa", NULL, "0c13e0449a28ea5b925cdb8af8d29768", NULL } },
};
#undef PAL_TEXTS
#undef NTSC_TEXTS

bool SameReleaseFacts(const Release& a, const Release& b)
{
    return a.FileTableAt == b.FileTableAt && a.CodeRecord == b.CodeRecord &&
           memcmp(a.TextRecord, b.TextRecord, sizeof(a.TextRecord)) == 0 &&
           memcmp(a.TableInCode, b.TableInCode, sizeof(a.TableInCode)) == 0 &&
           a.PatchesAddressPairs == b.PatchesAddressPairs;
}

// ---- Reading the image ------------------------------------------------------------------------
bool ReadImageBytes(const ImageFile& image, uint64_t pos, void* dst, uint64_t n)
{
    if (pos > image.Size || n > image.Size - pos) return false;
    if (n == 0) return true;
#ifdef _WIN32
    if (_fseeki64(image.File, (long long)pos, SEEK_SET) != 0) return false;
#else
    if (fseeko(image.File, (off_t)pos, SEEK_SET) != 0) return false;
#endif
    return fread(dst, 1, (size_t)n, image.File) == n;
}

// Reads the file table at at: records up to the closing one. False when there is none within
// the image or the bound.
static bool ReadFileTable(const ImageFile& image, uint32_t at, std::vector<FileRecord>& files, bool* readFailed)
{
    files.clear();
    if (at >= image.Size) return false;
    uint64_t bytes = image.Size - at;
    if (bytes > (uint64_t)FILE_TABLE_MAX_RECORDS * FILE_RECORD_SIZE) bytes = (uint64_t)FILE_TABLE_MAX_RECORDS * FILE_RECORD_SIZE;
    bytes -= bytes % FILE_RECORD_SIZE;
    std::vector<uint8_t> raw((size_t)bytes);
    if (!ReadImageBytes(image, at, raw.data(), bytes)) { *readFailed = true; return false; }
    for (uint64_t pos = 0; pos < bytes; pos += FILE_RECORD_SIZE)
    {
        FileRecord r = { Word(&raw[pos]), Word(&raw[pos + 4]), Word(&raw[pos + 8]), Word(&raw[pos + 12]) };
        if (r.VromStart == 0 && r.VromEnd == 0 && r.RomStart == 0 && r.RomEnd == 0 && !files.empty()) return true;
        files.push_back(r);
    }
    return false;
}

static bool AnyCompressed(const std::vector<FileRecord>& files)
{
    for (const FileRecord& r : files)
        if (IsCompressedFile(r)) return true;
    return false;
}

// Where an uncompressed file's bytes lie in the image, when they all lie inside it.
static bool StoredPlace(const FileRecord& r, ImageKind kind, uint64_t imageSize, uint64_t* at)
{
    if (IsAbsentFile(r) || r.VromEnd < r.VromStart) return false;
    uint64_t from = kind == IMAGE_DECOMPRESSED ? r.VromStart : r.RomStart;
    if (from > imageSize || FileVromSize(r) > imageSize - from) return false;
    *at = from;
    return true;
}

// A compressed file's stream lies inside the image.
static bool StreamInside(const FileRecord& r, uint64_t imageSize)
{
    return r.RomStart <= r.RomEnd && r.RomEnd <= imageSize && r.VromStart <= r.VromEnd;
}

const uint32_t CODE_MAX_SIZE = 16u << 20; // the program code is about 1.5 MiB in every release

// Reads (and decompresses) the program code. False when it does not lie inside the image;
// *damaged is set when its stream does not decode.
static bool LoadCode(const ImageFile& image, const FileRecord& r, ImageKind kind, std::vector<uint8_t>& code,
                     uint64_t* codeAt, int* damaged, bool* readFailed)
{
    code.clear();
    *codeAt = 0;
    uint32_t size = FileVromSize(r);
    if (r.VromEnd < r.VromStart || size > CODE_MAX_SIZE) return false;
    if (!IsCompressedFile(r))
    {
        uint64_t at;
        if (!StoredPlace(r, kind, image.Size, &at)) return false;
        code.resize(size);
        if (!ReadImageBytes(image, at, code.data(), size)) { *readFailed = true; return false; }
        *codeAt = at;
        return true;
    }
    if (!StreamInside(r, image.Size) || r.RomEnd - r.RomStart > CODE_MAX_SIZE) return false;
    std::vector<uint8_t> stream(r.RomEnd - r.RomStart);
    if (!ReadImageBytes(image, r.RomStart, stream.data(), stream.size())) { *readFailed = true; return false; }
    code.resize(size);
    Yaz0Result result = DecodeYaz0(stream.data(), stream.size(), code.data(), size);
    if (result != YAZ0_OK)
    {
        *damaged = (int)result;
        code.clear();
        return false;
    }
    return true;
}

// ---- Message tables in the code ---------------------------------------------------------------
const uint32_t TABLE_MAX_RECORDS = 0x10000;

// Walks 8-byte records from at to the closing record {0xFFFF, 0, 0}; every record before it
// has the address byte. False when the walk leaves the code first.
static bool WalkMessageTable(const std::vector<uint8_t>& code, uint32_t at, uint32_t* records)
{
    *records = 0;
    const size_t size = code.size();
    for (uint32_t n = 0; n < TABLE_MAX_RECORDS; n++)
    {
        uint64_t pos = (uint64_t)at + (uint64_t)n * TABLE_RECORD_BYTES;
        if (size < TABLE_RECORD_BYTES || pos > size - TABLE_RECORD_BYTES) return false;
        const uint8_t* rec = &code[(size_t)pos];
        uint16_t id = (uint16_t)(rec[0] << 8 | rec[1]);
        if (id == CLOSING_MESSAGE_ID && Word(rec + 4) == 0)
        {
            *records = n;
            return true;
        }
        if (rec[4] != MESSAGE_ADDRESS_BYTE) return false;
    }
    return false;
}

// Counts the address words from at up to the closing zero word.
static bool WalkAddressWords(const std::vector<uint8_t>& code, uint32_t at, uint32_t* words)
{
    *words = 0;
    const size_t size = code.size();
    for (uint32_t n = 0; n < TABLE_MAX_RECORDS; n++)
    {
        uint64_t pos = (uint64_t)at + (uint64_t)n * 4;
        if (size < 4 || pos > size - 4) return false;
        uint32_t w = Word(&code[(size_t)pos]);
        if (w == 0)
        {
            *words = n;
            return true;
        }
        if ((w >> 24) != MESSAGE_ADDRESS_BYTE) return false;
    }
    return false;
}

void TranslatedRecords(const RomImage& image, std::vector<uint32_t>& positions)
{
    positions.clear();
    const TextPlace& en = image.Texts[TEXT_ENGLISH];
    for (uint32_t i = 0; i < en.Records; i++)
    {
        uint32_t pos = en.TableInCode + i * TABLE_RECORD_BYTES;
        if ((uint16_t)(image.Code[pos] << 8 | image.Code[pos + 1]) != NO_TRANSLATION_ID) positions.push_back(pos);
    }
}

void BuildTextTable(const RomImage& image, TextKind text, std::vector<uint8_t>& table)
{
    table.clear();
    const TextPlace& t = image.Texts[text];
    if (t.State != TEXT_READY) return;
    if (text == TEXT_ENGLISH || text == TEXT_CREDITS)
    {
        const uint8_t* from = &image.Code[t.TableInCode];
        table.assign(from, from + (size_t)t.Records * TABLE_RECORD_BYTES);
        return;
    }
    std::vector<uint32_t> positions;
    TranslatedRecords(image, positions);
    table.resize(positions.size() * TABLE_RECORD_BYTES);
    for (size_t i = 0; i < positions.size(); i++)
    {
        memcpy(&table[i * TABLE_RECORD_BYTES], &image.Code[positions[i]], 4);
        memcpy(&table[i * TABLE_RECORD_BYTES + 4], &image.Code[t.TableInCode + i * 4], 4);
    }
}

// ---- Recognition ------------------------------------------------------------------------------
// How well one release's facts fit: a table that starts with message 0x0001 first (every
// release's does), then one not preceded by a record (a table read a few records late is), then
// the longest.
struct Fit
{
    bool     Fits;
    bool     StartsWithFirstMessage;
    bool     Alone;
    uint32_t Records;
};

static bool Better(const Fit& a, const Fit& b)
{
    if (a.Fits != b.Fits) return a.Fits;
    if (a.StartsWithFirstMessage != b.StartsWithFirstMessage) return a.StartsWithFirstMessage;
    if (a.Alone != b.Alone) return a.Alone;
    return a.Records > b.Records;
}

static bool SameFit(const Fit& a, const Fit& b)
{
    return a.Fits == b.Fits && a.StartsWithFirstMessage == b.StartsWithFirstMessage && a.Alone == b.Alone &&
           a.Records == b.Records;
}

static bool SameRecord(const FileRecord& a, const FileRecord& b)
{
    return a.VromStart == b.VromStart && a.VromEnd == b.VromEnd && a.RomStart == b.RomStart && a.RomEnd == b.RomEnd;
}

// One text's place, room and table, once the release is chosen.
static void PlaceText(RomImage* image, const Release& release, TextKind text)
{
    TextPlace& t = image->Texts[text];
    memset(&t, 0, sizeof(t));
    t.NextRecord = -1;
    int record = release.TextRecord[text];
    if (record == 0) return;
    t.State = TEXT_DAMAGED;
    t.Record = record;
    t.TableInCode = release.TableInCode[text];
    if ((size_t)record >= image->Files.size()) return;
    const FileRecord& r = image->Files[record];
    if (IsCompressedFile(r) || !StoredPlace(r, image->Kind, image->Size, &t.DataAt)) return;
    t.VromStart = r.VromStart;
    t.DataSize = FileVromSize(r);
    t.NextRecord = NextFileAbove(image->Files, (uint32_t)record, NULL, 0);
    uint64_t end = t.NextRecord >= 0 ? image->Files[t.NextRecord].VromStart : image->SpaceEnd;
    t.Room = end > r.VromStart ? end - r.VromStart : 0;
    bool tableFits = false;
    if (text == TEXT_ENGLISH || text == TEXT_CREDITS)
        tableFits = WalkMessageTable(image->Code, t.TableInCode, &t.Records);
    else if (image->Texts[TEXT_ENGLISH].State == TEXT_READY)
    {
        std::vector<uint32_t> positions;
        TranslatedRecords(*image, positions);
        uint32_t words = 0;
        tableFits = WalkAddressWords(image->Code, t.TableInCode, &words) && words == positions.size();
        t.Records = words;
    }
    if (tableFits) t.State = TEXT_READY;
}

void RecogniseImage(const ImageFile& image, RomImage* out)
{
    out->Problem = NOT_A_RELEASE;
    out->Best = NULL;
    out->SameFacts = 0;
    out->Kind = IMAGE_DECOMPRESSED;
    out->Size = image.Size;
    out->SpaceEnd = image.Size;
    out->Files.clear();
    out->Code.clear();
    out->CodeAt = 0;
    out->DamagedCodeResult = 0;
    memset(out->Texts, 0, sizeof(out->Texts));

    Fit fits[RELEASE_COUNT] = {};
    int best = -1;
    bool readFailed = false;
    int damaged = 0;
    // Releases share file tables and code records; the code is read once for each.
    std::vector<FileRecord> files;
    std::vector<uint8_t> code;
    uint32_t filesAt = 0;
    bool filesRead = false, filesFound = false;
    FileRecord codeRecord = {};
    bool codeTried = false, codeLoaded = false;
    uint64_t codeAt = 0;
    for (int i = 0; i < RELEASE_COUNT; i++)
    {
        const Release& rel = RELEASES[i];
        if (!filesRead || filesAt != rel.FileTableAt)
        {
            filesFound = ReadFileTable(image, rel.FileTableAt, files, &readFailed);
            filesAt = rel.FileTableAt;
            filesRead = true;
            codeTried = false;
        }
        if (!filesFound || files.size() <= rel.CodeRecord || files.size() <= rel.TextRecord[TEXT_ENGLISH] ||
            files.size() <= 2)
            continue;
        const FileRecord boot = { 0, BOOT_RECORD_END, 0, 0 };
        if (!SameRecord(files[0], boot) || files[2].VromStart != rel.FileTableAt) continue;
        ImageKind kind = AnyCompressed(files) ? IMAGE_COMPRESSED : IMAGE_DECOMPRESSED;
        uint64_t englishAt;
        const FileRecord& english = files[rel.TextRecord[TEXT_ENGLISH]];
        if (IsCompressedFile(english) || !StoredPlace(english, kind, image.Size, &englishAt)) continue;
        const FileRecord& codeFile = files[rel.CodeRecord];
        if (!codeTried || !SameRecord(codeRecord, codeFile))
        {
            int codeDamage = 0;
            codeLoaded = LoadCode(image, codeFile, kind, code, &codeAt, &codeDamage, &readFailed);
            codeRecord = codeFile;
            codeTried = true;
            if (codeDamage) damaged = codeDamage;
        }
        if (!codeLoaded) continue;
        Fit f = {};
        uint32_t at = rel.TableInCode[TEXT_ENGLISH];
        f.Fits = WalkMessageTable(code, at, &f.Records);
        if (!f.Fits) continue;
        f.StartsWithFirstMessage = f.Records > 0 && code[at] == 0x00 && code[at + 1] == 0x01;
        f.Alone = at < TABLE_RECORD_BYTES || code[at - TABLE_RECORD_BYTES + 4] != MESSAGE_ADDRESS_BYTE;
        fits[i] = f;
        if (best < 0 || Better(f, fits[best]))
        {
            best = i;
            out->Files = files;
            out->Code = code;
            out->CodeAt = codeAt;
            out->Kind = kind;
        }
    }
    if (best < 0)
    {
        out->Problem = readFailed ? IMAGE_UNREADABLE : damaged ? DAMAGED_CODE : NOT_A_RELEASE;
        out->DamagedCodeResult = damaged;
        return;
    }
    out->Problem = RECOGNISED;
    out->Best = &RELEASES[best];
    for (int i = 0; i < RELEASE_COUNT; i++)
        if (SameFit(fits[i], fits[best]) && SameReleaseFacts(RELEASES[i], RELEASES[best])) out->SameFacts |= 1u << i;
    if (out->Kind == IMAGE_COMPRESSED)
    {
        // The VROM space ends where the decompressed image would: the last file rounded up.
        uint64_t end = 0;
        for (const FileRecord& r : out->Files)
            if (!IsAbsentFile(r) && r.VromEnd > end) end = r.VromEnd;
        out->SpaceEnd = (end + DECOMPRESSED_ROUNDING - 1) & ~(DECOMPRESSED_ROUNDING - 1);
    }
    for (int t = 0; t < TEXT_KINDS; t++) PlaceText(out, *out->Best, (TextKind)t);
}

void ReleaseNames(const RomImage& image, const char* md5, char* out, size_t cap, bool* unmodified)
{
    *unmodified = false;
    if (cap == 0) return;
    out[0] = '\0';
    for (int i = 0; i < RELEASE_COUNT && md5; i++)
    {
        if (!(image.SameFacts & (1u << i))) continue;
        for (const char* sum : RELEASES[i].Md5)
            if (sum && strcmp(sum, md5) == 0)
            {
                snprintf(out, cap, "%s", RELEASES[i].Name);
                *unmodified = true;
                return;
            }
    }
    size_t used = 0;
    for (int i = 0; i < RELEASE_COUNT; i++)
    {
        if (!(image.SameFacts & (1u << i))) continue;
        int n = snprintf(out + used, cap - used, "%s%s", used ? " or " : "", RELEASES[i].Name);
        if (n < 0 || (size_t)n >= cap - used) return;
        used += (size_t)n;
    }
}

// ---- The address pairs in the program code ----------------------------------------------------
const uint32_t OPCODE_LUI = 0x0F, OPCODE_ADDI = 0x08, OPCODE_ADDIU = 0x09;

uint32_t FindAddressPairs(const uint8_t* code, size_t size, uint32_t address, AddressPair* pairs, uint32_t cap)
{
    const uint32_t high = ((address + 0x8000) >> 16) & 0xFFFF, low = address & 0xFFFF;
    const size_t words = size / 4;
    uint32_t found = 0;
    for (size_t i = 0; i < words; i++)
    {
        uint32_t w = Word(code + i * 4);
        if ((w >> 26) != OPCODE_LUI || ((w >> 21) & 31) != 0 || (w & 0xFFFF) != high) continue;
        uint32_t reg = (w >> 16) & 31;
        for (size_t j = i + 1; j <= i + ADDRESS_PAIR_REACH && j < words; j++)
        {
            uint32_t v = Word(code + j * 4);
            uint32_t op = v >> 26;
            if ((op != OPCODE_ADDIU && op != OPCODE_ADDI) || ((v >> 21) & 31) != reg || (v & 0xFFFF) != low) continue;
            if (found < cap) pairs[found] = AddressPair{ (uint32_t)(i * 4 + 3), (uint32_t)(j * 4 + 2) };
            found++;
            break;
        }
    }
    return found;
}

// ---- MD5 --------------------------------------------------------------------------------------
// The public message-digest algorithm: 64-byte blocks, four rounds of sixteen steps.
struct Md5State
{
    uint32_t H[4];
};

static uint32_t RotateLeft(uint32_t v, uint32_t n)
{
    return (v << n) | (v >> (32 - n));
}

static void Md5Block(Md5State* s, const uint8_t* block)
{
    static const uint32_t K[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
    };
    static const uint8_t R[16] = { 7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21 };
    uint32_t m[16];
    for (int i = 0; i < 16; i++)
        m[i] = (uint32_t)block[i * 4] | (uint32_t)block[i * 4 + 1] << 8 | (uint32_t)block[i * 4 + 2] << 16 |
               (uint32_t)block[i * 4 + 3] << 24;
    uint32_t a = s->H[0], b = s->H[1], c = s->H[2], d = s->H[3];
    for (int i = 0; i < 64; i++)
    {
        uint32_t f;
        int g, round = i / 16;
        if (round == 0) { f = (b & c) | (~b & d); g = i; }
        else if (round == 1) { f = (d & b) | (~d & c); g = (5 * i + 1) % 16; }
        else if (round == 2) { f = b ^ c ^ d; g = (3 * i + 5) % 16; }
        else { f = c ^ (b | ~d); g = (7 * i) % 16; }
        uint32_t t = d;
        d = c;
        c = b;
        b = b + RotateLeft(a + f + K[i] + m[g], R[round * 4 + i % 4]);
        a = t;
    }
    s->H[0] += a; s->H[1] += b; s->H[2] += c; s->H[3] += d;
}

bool ImageMd5(const ImageFile& image, char out[33])
{
    Md5State s = { { 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476 } };
    const size_t CHUNK = 1 << 20;
    std::vector<uint8_t> buf(CHUNK + 128);
    uint64_t pos = 0;
    while (true)
    {
        uint64_t n = image.Size - pos < CHUNK ? image.Size - pos : CHUNK;
        if (!ReadImageBytes(image, pos, buf.data(), n)) return false;
        pos += n;
        size_t whole = (size_t)n & ~(size_t)63;
        for (size_t i = 0; i < whole; i += 64) Md5Block(&s, &buf[i]);
        if (pos < image.Size) continue;
        // The tail, a one bit, zeros and the length in bits, little-endian.
        size_t rest = (size_t)n - whole;
        memmove(buf.data(), &buf[whole], rest);
        buf[rest++] = 0x80;
        while (rest % 64 != 56) buf[rest++] = 0;
        uint64_t bits = image.Size * 8;
        for (int i = 0; i < 8; i++) buf[rest++] = (uint8_t)(bits >> (8 * i));
        for (size_t i = 0; i < rest; i += 64) Md5Block(&s, &buf[i]);
        break;
    }
    for (int i = 0; i < 16; i++) snprintf(out + i * 2, 3, "%02x", (s.H[i / 4] >> (8 * (i % 4))) & 0xFF);
    return true;
}
