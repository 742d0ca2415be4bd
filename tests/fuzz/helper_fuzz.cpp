// Fuzz target for helper, in-process, on the synthetic images of all 15 releases (tests/common's
// builder), decompressed or as sold. Each input picks the release, damages the image, gives
// message files of chosen sizes and bytes and runs one request: extract, inject, info or
// decompress, by the command line with its options or by the dialogue. Every write step goes
// through the fault hook, which counts them and can make the k-th one fail. Invariants:
// - the exit status is a documented one: 64 exactly when the options do not belong together,
//   5 exactly when a write step failed;
// - a refusal (statuses 1 to 4, and 64) comes before the first write step; the one exception,
//   a stream that decompress finds damaged while writing, leaves nothing behind either;
// - anything but a done extraction leaves the message files byte-identical, anything but a done
//   decompression leaves OUT as it was, and no temporary file stays behind;
// - only an injection changes the image: a done one exactly the bytes it names (the text's VROM
//   end word, its table or address words, its data, the pair bytes of a PAL English text, the
//   checksums), a failed one nothing else; its data never passes the start of another file
//   (German and French passed over with --use-other-languages) nor the image's end; an image
//   as sold is never injected into;
// - a done extraction gives the table and data the image holds, read here on their own;
// - a done decompression gives an image recognised as the same release with the same texts,
//   and from an undamaged image the builder's decompressed image byte for byte;
// - an undamaged image is served: extraction, injection within the room, info and decompress
//   are done unless the options or the files present say otherwise;
// - refusal lines stay one line, the address patch rebuilds its offset, any command line parses
//   to one outcome.
//
// Input layout:
// byte 0   image: bits 0-3 the release (modulo 15), bit 4 as sold, bit 5 a byte-swapped first
//          word (bit 6 the 32-bit order), bit 7 --language=X spelled in one argument
// byte 1   request: bits 0-1 extract, inject, info, decompress; bit 2 by the dialogue (extract
//          and inject); bits 3-4 the text (en, de, fr, credits); bit 5 --use-other-languages;
//          bit 6 --force; bit 7 --no-checksum
// byte 2   files: bit 0 table exists, bit 1 data exists, bit 2 OUT exists, bit 3 OUT is the ROM
//          itself (bit 4: as ./rom.z64), bits 4-5 the dialogue's answer (1, 2, y, 7), bit 6 an
//          invalid dialogue mode, bit 7 the text named even when it is English (and for decompress)
// byte 3   the write step that fails, counted from 1 (0 none)
// byte 4   the image's length: 0 whole, else cut to n/256 of it
// byte 5   table file size: below 200 the text's table, else that - 8 + n % 24
// 6-9      data file size: top two bits small, around the room, around the room over the other
//          languages, anything up to twice the image; the rest the amount
// byte 10  damages that follow (n % 33), 5 bytes each: where (bits 0-1: the file table; the
//          text's table in the code, as sold the other compressed streams; the text's data; the
//          code around the pairs or the English table, as sold the code's stream), how (bits
//          2-3: set, xor, the word there moved by n * 16, the word set to n n n n), a 24-bit
//          offset, the value n
// byte 11  table file edits that follow (n % 33), 3 bytes each: 16-bit position, value
// then     the data file's first bytes; the same bytes read as command-line arguments
#include "checksum.h"
#include "command_line.h"
#include "dialogue.h"
#include "fuzz_common.h"
#include "platform.h"
#include "rom_builder.h"
#include "rom_image.h"
#include "rom_transfer.h"
#include "yaz0.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using Bytes8 = std::vector<uint8_t>;

// Large copies go through memcpy: the sanitizer's memmove, which a vector's copy takes, is many
// times slower.
static void CopyBytes(Bytes8& to, const Bytes8& from)
{
    to.resize(from.size());
    if (!from.empty()) memcpy(to.data(), from.data(), from.size());
}

// ---- Write steps ------------------------------------------------------------------------------
static int StepsSeen = 0;
static int FailAtStep = 0; // 1-based; 0 never
static bool FailedOnce = false;

static bool CountStep(HelperFileStep, const char*)
{
    StepsSeen++;
    if (StepsSeen == FailAtStep)
    {
        FailedOnce = true;
        return true;
    }
    return false;
}

// ---- Pure checks ------------------------------------------------------------------------------
static void CheckArithmetic(uint32_t a, uint32_t b, uint8_t code)
{
    // The code adds the sign-extended low half to the high half shifted up.
    AddressPatch p = ComputeAddressPatch(a);
    uint32_t rebuilt = ((uint32_t)p.High << 16) + (uint32_t)(int32_t)(int16_t)p.Low;
    FUZZ_CHECK((rebuilt & 0xFFFFFF) == (a & 0xFFFFFF), "address patch does not rebuild the offset");
    uint64_t size = (uint64_t)a << 16 | b;
    FUZZ_CHECK(RoundDataSize(size) % 16 == 0 && RoundDataSize(size) - size < 16, "rounding is not to 16");

    Refusal r = {};
    r.Code = (RefusalCode)(code % (REFUSE_TOO_LARGE + 1));
    r.A = (uint64_t)a << 32 | b;
    r.B = code & 0x80 ? (uint64_t)-1 : b;
    // Where a field holds the decoder's result, it holds one.
    if (r.Code == REFUSE_DAMAGED_CODE) r.A %= YAZ0_REACHES_BACK + 1;
    if (r.Code == REFUSE_DAMAGED_FILE) r.B %= YAZ0_REACHES_BACK + 1;
    r.C = a;
    r.Text = (TextKind)(code % TEXT_KINDS);
    r.Rel = code & 0x40 ? &RELEASES[code % RELEASE_COUNT] : NULL;
    r.FromDialogue = code & 0x20;
    char line[512];
    DescribeRefusal(r, line, sizeof(line));
    FUZZ_CHECK(strlen(line) < sizeof(line) - 1 && !strchr(line, '\n'), "refusal line cut or broken");
}

// The rest of the input as up to eight arguments split at zero bytes.
static void CheckCommandLine(const uint8_t* bytes, size_t size)
{
    std::vector<std::string> args(2); // the program's name, then the first argument
    for (size_t i = 0; i < size && i < 200; i++)
        if (bytes[i]) args.back() += (char)bytes[i];
        else if (args.size() < 9) args.emplace_back();
        else break;
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    CommandLine cl = ParseCommandLine((int)argv.size(), argv.data());
    if (cl.Action == ACTION_MALFORMED)
        FUZZ_CHECK(!cl.Problem.empty() && cl.Problem.find('\n') == std::string::npos, "malformed without one line");
    if (cl.Action != ACTION_TRANSFER) return;
    FUZZ_CHECK(std::find(argv.begin() + 1, argv.end(), cl.Request.RomPath) != argv.end(), "the ROM path is no argument");
    FUZZ_CHECK(!(cl.Request.Force && cl.Request.Kind == COMMAND_INJECT), "--force accepted for inject");
    FUZZ_CHECK(!(cl.Request.NoChecksum && cl.Request.Kind != COMMAND_INJECT), "--no-checksum accepted outside inject");
    FUZZ_CHECK(!cl.Request.UseOtherLanguages || cl.Request.Text == TEXT_ENGLISH, "--use-other-languages for a translation");
    FUZZ_CHECK((cl.Request.Kind == COMMAND_DECOMPRESS) == (cl.Request.OutPath != NULL), "OUT without decompress");
}

// ---- The builder's images ---------------------------------------------------------------------
struct Span
{
    uint64_t At, Size;
};

struct BaseImage
{
    bool      Built, SoldBuilt;
    TestImage Img;
    Bytes8    Sold;
    Bytes8    Code;                      // the program code, decompressed
    Span      CodeStream;                // the program code's stream in the image as sold
    std::vector<Span> OtherStreams;      // the other compressed files' streams there
    uint64_t  SoldDataAt[TT_KINDS];      // where each text lies there
};

static BaseImage Bases[TEST_RELEASE_COUNT];

// Built on first use: each costs tens of milliseconds, the image as sold more.
static const BaseImage& Base(int release, bool sold)
{
    BaseImage& b = Bases[release];
    if (!b.Built)
    {
        b.Img = BuildTestImage(TEST_RELEASES[release]);
        b.Code.assign(b.Img.Rom.begin() + b.Img.CodeAt, b.Img.Rom.begin() + b.Img.CodeAt + b.Img.CodeSize);
        b.Built = true;
    }
    if (sold && !b.SoldBuilt)
    {
        b.Sold = SellTestImage(b.Img);
        const TestReleaseFacts& facts = *b.Img.Facts;
        for (size_t i = 3; i < b.Img.Files.size() / 4; i++)
        {
            uint64_t record = facts.FileTableAt + i * FILE_RECORD_SIZE;
            uint32_t romStart = TestWord(b.Sold, record + 8), romEnd = TestWord(b.Sold, record + 12);
            for (int t = 0; t < TT_KINDS; t++)
                if (facts.TextRecord[t] == i) b.SoldDataAt[t] = romStart;
            if (romEnd == 0 || romStart == ABSENT_FILE_WORD) continue;
            Span s = { romStart, romEnd - romStart };
            if (i == facts.CodeRecord) b.CodeStream = s;
            else b.OtherStreams.push_back(s);
        }
        b.SoldBuilt = true;
    }
    return b;
}

// ---- Damage -----------------------------------------------------------------------------------
enum DamageArea { DAMAGE_FILE_TABLE, DAMAGE_TEXT_TABLE, DAMAGE_TEXT_DATA, DAMAGE_CODE };
enum DamageKind { DAMAGE_SET, DAMAGE_XOR, DAMAGE_MOVE_WORD, DAMAGE_FILL_WORD };

// The image offset one damage lands on.
static uint64_t DamagePlace(const BaseImage& b, bool sold, int area, int text, uint32_t offset)
{
    const TestImage& img = b.Img;
    const int records = (int)img.Files.size() / 4;
    switch (area)
    {
    case DAMAGE_FILE_TABLE:
        return img.Facts->FileTableAt + offset % ((records + 1) * FILE_RECORD_SIZE);
    case DAMAGE_TEXT_TABLE:
        if (sold)
        {
            uint64_t total = 0;
            for (const Span& s : b.OtherStreams) total += s.Size;
            uint64_t k = offset % total;
            for (const Span& s : b.OtherStreams)
                if (k < s.Size) return s.At + k;
                else k -= s.Size;
            return 0;
        }
        return img.TableAt[text] + offset % (img.Records[text] * (text == TT_DE || text == TT_FR ? 4 : 8) + 8);
    case DAMAGE_TEXT_DATA:
        return (sold ? b.SoldDataAt[text] : img.TextAt[text]) + offset % (img.TextSize[text] + 16);
    default:
        if (sold) return b.CodeStream.At + offset % b.CodeStream.Size;
        // Where the pairs are, or where a table read a record early would start.
        return (img.Facts->Pal ? img.PatchHigh[0] - 3 : img.TableAt[TT_EN]) - 0x40 + offset % 0xC0;
    }
}

static void Damage(Bytes8& image, uint64_t pos, int how, uint8_t value)
{
    if (pos >= image.size()) return;
    uint64_t word = pos & ~(uint64_t)3;
    if (how == DAMAGE_SET) image[pos] = value;
    else if (how == DAMAGE_XOR) image[pos] ^= value;
    else if (word + 4 > image.size()) return;
    else if (how == DAMAGE_MOVE_WORD) PutTestWord(image, word, TestWord(image, word) + (uint32_t)((int8_t)value * 16));
    else PutTestWord(image, word, value * 0x01010101u);
}

// ---- What the image holds, read here on its own -----------------------------------------------
struct HeldImage
{
    bool Found;                      // a file table closed by a zero record at the release's place
    std::vector<FileRecord> Files;
    bool Sold;                       // a present file is compressed
    bool CodeFound;
    Bytes8 Code;
    uint64_t CodeAt;                 // decompressed images: where the code lies
};

struct HeldText
{
    bool Found;
    int Record;
    uint64_t DataAt;
    uint32_t VromStart;
    uint64_t TableAt;                // in the image, when decompressed
    uint32_t Records;
    Bytes8 Table, Data;
};

// The file table alone.
static HeldImage ReadHeldFiles(const Bytes8& image, const TestReleaseFacts& facts)
{
    HeldImage h = {};
    for (uint64_t pos = facts.FileTableAt; pos + FILE_RECORD_SIZE <= image.size(); pos += FILE_RECORD_SIZE)
    {
        FileRecord r = { TestWord(image, pos), TestWord(image, pos + 4), TestWord(image, pos + 8),
                         TestWord(image, pos + 12) };
        if (!r.VromStart && !r.VromEnd && !r.RomStart && !r.RomEnd && !h.Files.empty())
        {
            h.Found = true;
            break;
        }
        if (h.Files.size() == FILE_TABLE_MAX_RECORDS) break;
        h.Files.push_back(r);
        h.Sold |= !(r.RomStart == ABSENT_FILE_WORD && r.RomEnd == ABSENT_FILE_WORD) && r.RomEnd != 0;
    }
    return h;
}

// The file table and the program code. knownCode: the code when it is known (an undamaged image
// as sold), which saves decoding it again.
static HeldImage ReadHeldImage(const Bytes8& image, const TestReleaseFacts& facts, const Bytes8* knownCode)
{
    HeldImage h = ReadHeldFiles(image, facts);
    if (!h.Found || h.Files.size() <= facts.CodeRecord) return h;
    const FileRecord& c = h.Files[facts.CodeRecord];
    if (c.VromEnd < c.VromStart || c.RomStart == ABSENT_FILE_WORD) return h;
    uint32_t size = c.VromEnd - c.VromStart;
    if (c.RomEnd != 0)
    {
        if (c.RomEnd < c.RomStart || c.RomEnd > image.size() || size > (16u << 20)) return h;
        h.CodeFound = knownCode != nullptr;
        if (knownCode) h.Code = *knownCode;
        if (knownCode) return h;
        h.Code.resize(size);
        h.CodeFound = DecodeYaz0(&image[c.RomStart], c.RomEnd - c.RomStart, h.Code.data(), size) == YAZ0_OK;
        return h;
    }
    h.CodeAt = h.Sold ? c.RomStart : c.VromStart;
    if (h.CodeAt > image.size() || size > image.size() - h.CodeAt) return h;
    h.Code.assign(image.begin() + h.CodeAt, image.begin() + h.CodeAt + size);
    h.CodeFound = true;
    return h;
}

// Records of the 8-byte table at at, up to the closing record; false when it leaves the code or
// a record lacks the address byte.
static bool WalkTable(const Bytes8& code, uint32_t at, uint32_t* records)
{
    for (uint64_t pos = at, n = 0; pos + 8 <= code.size() && n < 0x10000; pos += 8, n++)
    {
        if (code[pos] == 0xFF && code[pos + 1] == 0xFF && TestWord(code, pos + 4) == 0)
        {
            *records = (uint32_t)n;
            return true;
        }
        if (code[pos + 4] != MESSAGE_ADDRESS_BYTE) return false;
    }
    return false;
}

static HeldText ReadHeldText(const Bytes8& image, const HeldImage& h, const TestReleaseFacts& facts, int text)
{
    HeldText t = {};
    t.Record = facts.TextRecord[text];
    if (!h.CodeFound || t.Record == 0 || (size_t)t.Record >= h.Files.size()) return t;
    const FileRecord& r = h.Files[t.Record];
    if (r.VromEnd < r.VromStart || r.RomEnd != 0 || r.RomStart == ABSENT_FILE_WORD) return t;
    t.DataAt = h.Sold ? r.RomStart : r.VromStart;
    t.VromStart = r.VromStart;
    if (t.DataAt > image.size() || r.VromEnd - r.VromStart > image.size() - t.DataAt) return t;
    t.Data.assign(image.begin() + t.DataAt, image.begin() + t.DataAt + (r.VromEnd - r.VromStart));
    t.TableAt = h.CodeAt + facts.TableInCode[text];
    uint32_t english = 0;
    if (!WalkTable(h.Code, facts.TableInCode[TT_EN], &english)) return t;
    if (text == TT_EN || text == TT_CREDITS)
    {
        if (!WalkTable(h.Code, facts.TableInCode[text], &t.Records)) return t;
        const uint8_t* from = &h.Code[facts.TableInCode[text]];
        t.Table.assign(from, from + t.Records * 8);
        t.Found = true;
        return t;
    }
    // A translation: the English records but 0xFFFC, each with the language's address word, the
    // words closed by a zero word.
    for (uint32_t i = 0; i < english; i++)
    {
        const uint8_t* rec = &h.Code[facts.TableInCode[TT_EN] + i * 8];
        if (rec[0] == 0xFF && rec[1] == 0xFC) continue;
        uint64_t word = facts.TableInCode[text] + (uint64_t)t.Records * 4;
        if (word + 4 > h.Code.size() || h.Code[word] != MESSAGE_ADDRESS_BYTE) return t;
        t.Table.insert(t.Table.end(), rec, rec + 4);
        t.Table.insert(t.Table.end(), &h.Code[word], &h.Code[word] + 4);
        t.Records++;
    }
    uint64_t closing = facts.TableInCode[text] + (uint64_t)t.Records * 4;
    t.Found = closing + 4 <= h.Code.size() && TestWord(h.Code, closing) == 0;
    return t;
}

// The image as a done injection leaves it.
static void InjectedImage(const Bytes8& before, const HeldImage& h, const HeldText& t, const TestReleaseFacts& facts,
                          int text, const Bytes8& table, const Bytes8& data, bool checksums, Bytes8& want)
{
    CopyBytes(want, before);
    PutTestWord(want, facts.FileTableAt + (uint64_t)t.Record * FILE_RECORD_SIZE + 4,
                t.VromStart + (uint32_t)RoundDataSize(data.size()));
    bool words = text == TT_DE || text == TT_FR;
    for (uint32_t i = 0; i < t.Records; i++)
        if (words) memcpy(&want[t.TableAt + i * 4], &table[i * 8 + 4], 4);
        else memcpy(&want[t.TableAt + i * 8], &table[i * 8], 8);
    if (!data.empty()) memcpy(&want[t.DataAt], data.data(), data.size());
    if (text == TT_EN && facts.Pal) FUZZ_CHECK(t.Records >= 2, "injected without the two last records' pairs");
    for (uint32_t k = 0; k < 2 && text == TT_EN && facts.Pal; k++)
    {
        uint32_t record = t.Records - 2 + k;
        uint32_t address = TestWord(h.Code, facts.TableInCode[TT_EN] + record * 8 + 4);
        AddressPair pair;
        FUZZ_CHECK(FindAddressPairs(h.Code.data(), h.Code.size(), address, &pair, 1) == 1,
                   "injected where the code does not load the address in one place");
        AddressPatch patch = ComputeAddressPatch(TableTextOffset(table.data(), record * 8 + 5));
        want[h.CodeAt + pair.HighAt] = patch.High;
        want[h.CodeAt + pair.LowAt] = (uint8_t)(patch.Low >> 8);
        want[h.CodeAt + pair.LowAt + 1] = (uint8_t)patch.Low;
    }
    uint32_t crc1 = 0, crc2 = 0;
    if (checksums && ComputeBootChecksums(want.data(), want.size(), &crc1, &crc2))
    {
        PutTestWord(want, CHECKSUM_AT, crc1);
        PutTestWord(want, CHECKSUM_AT + 4, crc2);
    }
}

// ---- Files ------------------------------------------------------------------------------------
static const char ROM_NAME[] = "rom.z64";
static const char OUT_NAME[] = "out.z64";

struct FileImage
{
    bool Present;
    Bytes8 Bytes;
};

static void ReadImage(const char* name, FileImage* image)
{
    FILE* f = fopen(name, "rb");
    image->Present = f != nullptr;
    struct stat st;
    image->Bytes.resize(f && fstat(fileno(f), &st) == 0 ? (size_t)st.st_size : 0);
    if (!f) return;
    FUZZ_CHECK(image->Bytes.empty() || fread(image->Bytes.data(), 1, image->Bytes.size(), f) == image->Bytes.size(),
               "cannot read a file back");
    fclose(f);
}

static FileImage ReadImage(const char* name)
{
    FileImage image;
    ReadImage(name, &image);
    return image;
}

static bool SameImage(const FileImage& a, const FileImage& b)
{
    return a.Present == b.Present && a.Bytes == b.Bytes;
}

// A message file of the given size: the given bytes first, zeros after them (sparse).
static void MakeMessageFile(const char* name, const uint8_t* bytes, size_t count, uint64_t size)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    FUZZ_CHECK(fd >= 0, "cannot create a message file");
    if (count > size) count = (size_t)size;
    FUZZ_CHECK(count == 0 || pwrite(fd, bytes, count, 0) == (ssize_t)count, "cannot write a message file");
    FUZZ_CHECK(ftruncate(fd, (off_t)size) == 0, "cannot size a message file");
    close(fd);
}

static void RecogniseBytes(const Bytes8& image, RomImage* out)
{
    FILE* f = fmemopen((void*)image.data(), image.size(), "rb");
    FUZZ_CHECK(f != nullptr, "cannot open an image in memory");
    RecogniseImage(ImageFile{ f, image.size() }, out);
    fclose(f);
}

static void SetUp()
{
    static bool done = false;
    if (done) return;
    done = true;
    FUZZ_CHECK(chdir(FuzzDirectory().c_str()) == 0, "cannot enter the working directory");
    // The checksum tool is never found, so a done injection costs one failed start.
    setenv("PATH", (FuzzDirectory() + "/no-such-directory").c_str(), 1);
    HelperFaultHook = CountStep;
}

// ---- The request ------------------------------------------------------------------------------
enum RunKind { RUN_EXTRACT, RUN_INJECT, RUN_INFO, RUN_DECOMPRESS, RUN_NOTHING };

struct Request
{
    RunKind Kind;
    bool    Dialogue;
    int     Text;          // TestText
    bool    TextNamed;     // on the command line
    bool    OtherLanguages, NoChecksum;
    bool    Force;         // --force; by the dialogue, its answer replaces existing files
    bool    Usage;         // the options do not belong together: status 64
};

static const char* const TEXT_TAGS[TT_KINDS] = { "en", "de", "fr", NULL };

static Request ReadRequest(uint8_t run, uint8_t files)
{
    Request q = {};
    q.Kind = (RunKind)(run & 3);
    q.Dialogue = (run & 4) && q.Kind <= RUN_INJECT;
    q.Text = (run >> 3) & 3;
    q.OtherLanguages = run & 0x20;
    q.Force = run & 0x40;
    q.NoChecksum = run & 0x80;
    uint8_t answer = (files >> 4) & 3;
    if (q.Dialogue)
    {
        // The dialogue asks for English only, takes no options and asks before replacing.
        q.Text = TT_EN;
        q.OtherLanguages = q.NoChecksum = false;
        q.Force = answer == 0 || answer == 3;
        if (files & 0x40) q.Kind = RUN_NOTHING;
        return q;
    }
    q.TextNamed = q.Text != TT_EN || (files & 0x80);
    if (q.Kind == RUN_DECOMPRESS && !(files & 0x80))
    {
        q.TextNamed = false;
        q.Text = TT_EN;
    }
    // What helper(1) says belongs together.
    q.Usage = (q.Force && q.Kind != RUN_EXTRACT && q.Kind != RUN_DECOMPRESS) ||
              (q.NoChecksum && q.Kind != RUN_INJECT) || (q.OtherLanguages && q.Kind != RUN_INJECT) ||
              (q.TextNamed && q.Kind == RUN_DECOMPRESS) || (q.OtherLanguages && q.Text != TT_EN);
    return q;
}

// Runs the request; its console text goes to *text.
static int Run(const Request& q, bool outIsRom, bool oneArgument, uint8_t files, std::string* text)
{
    char* outText = nullptr;
    size_t outSize = 0;
    FILE* out = open_memstream(&outText, &outSize);
    int status;
    StepsSeen = 0;
    FailedOnce = false;
    if (q.Dialogue || q.Kind == RUN_NOTHING)
    {
        static const char* const ANSWERS[4] = { "1", "2", "y", "7" };
        char script[64];
        const char* mode = q.Kind == RUN_NOTHING ? "7" : q.Kind == RUN_INJECT ? "1" : "2";
        int len = snprintf(script, sizeof(script), "%s\n%s\n%s\n\n", mode, ROM_NAME, ANSWERS[(files >> 4) & 3]);
        FILE* in = fmemopen(script, (size_t)len, "r");
        status = RunHelperDialogue(in, out);
        fclose(in);
    }
    else
    {
        static const char* const VERBS[4] = { "extract", "inject", "info", "decompress" };
        std::vector<std::string> args = { "helper", VERBS[q.Kind], ROM_NAME };
        if (q.Kind == RUN_DECOMPRESS) args.push_back(outIsRom ? (files & 0x10 ? "./rom.z64" : ROM_NAME) : OUT_NAME);
        if (q.TextNamed && q.Text == TT_CREDITS) args.push_back("--credits");
        else if (q.TextNamed && oneArgument) args.push_back(std::string("--language=") + TEXT_TAGS[q.Text]);
        else if (q.TextNamed) args.insert(args.end(), { "--language", TEXT_TAGS[q.Text] });
        if (q.OtherLanguages) args.push_back("--use-other-languages");
        if (q.Force) args.push_back("--force");
        if (q.NoChecksum) args.push_back("--no-checksum");
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        status = RunHelperCommandLine((int)argv.size(), argv.data(), out, out);
    }
    fclose(out);
    text->assign(outText, outSize);
    free(outText);
    return status;
}

// ---- The target -------------------------------------------------------------------------------
const size_t HEADER_BYTES = 12;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < HEADER_BYTES) return 0;
    SetUp();
    const int release = (bytes[0] & 15) % TEST_RELEASE_COUNT;
    const bool sold = bytes[0] & 0x10;
    const uint8_t files = bytes[2];
    const Request q = ReadRequest(bytes[1], files);
    FailAtStep = bytes[3];
    const uint32_t dataSel = ReadWord(bytes + 6);
    const BaseImage& base = Base(release, sold);
    const TestImage& img = base.Img;
    const TestReleaseFacts& facts = *img.Facts;
    const int text = facts.TextRecord[q.Text] ? q.Text : TT_EN; // where damage to "the text" goes

    // The image: damaged, cut, its first word swapped.
    static Bytes8 before;
    CopyBytes(before, sold ? base.Sold : img.Rom);
    size_t pos = HEADER_BYTES;
    const int damages = bytes[10] % 33;
    for (int i = 0; i < damages && pos + 5 <= size; i++, pos += 5)
    {
        uint32_t offset = (uint32_t)bytes[pos + 1] << 16 | (uint32_t)bytes[pos + 2] << 8 | bytes[pos + 3];
        Damage(before, DamagePlace(base, sold, bytes[pos] & 3, text, offset), (bytes[pos] >> 2) & 3, bytes[pos + 4]);
    }
    if (bytes[4]) before.resize(before.size() * bytes[4] / 256);
    if ((bytes[0] & 0x20) && before.size() >= 4) PutTestWord(before, 0, bytes[0] & 0x40 ? 0x40123780 : 0x37804012);
    const bool undamaged = damages == 0 && bytes[4] == 0 && !(bytes[0] & 0x20);

    // The message files: the text's table with edits, data of the chosen size.
    Bytes8 table = img.Table[q.Text];
    uint64_t tableSize = table.size();
    if (bytes[5] >= 200) tableSize = tableSize + bytes[5] % 24 >= 8 ? tableSize + bytes[5] % 24 - 8 : 0;
    table.resize((size_t)tableSize);
    const int edits = bytes[11] % 33;
    for (int i = 0; i < edits && pos + 3 <= size; i++, pos += 3)
        if (!table.empty()) table[(bytes[pos] << 8 | bytes[pos + 1]) % table.size()] = bytes[pos + 2];
    const uint64_t room = img.NextAt[q.Text] - img.TextAt[q.Text];
    const uint64_t roomOver = facts.Pal && q.Text == TT_EN ? img.TextAt[TT_CREDITS] - img.TextAt[TT_EN] : room;
    const uint32_t amount = dataSel & 0x3FFFFFFF;
    int64_t dataSize;
    switch (dataSel >> 30)
    {
    case 0: dataSize = amount % 0x2000; break;
    case 1: dataSize = (int64_t)room + (int8_t)amount; break;
    case 2: dataSize = (int64_t)roomOver + (int8_t)amount; break;
    default: dataSize = amount % (2 * img.Rom.size()); break;
    }
    if (dataSize < 0) dataSize = 0;
    const uint8_t* rest = bytes + std::min(pos, size);
    const size_t restSize = size - std::min(pos, size);
    CheckArithmetic(dataSel, ReadWord(bytes), bytes[3]);
    CheckCommandLine(rest, restSize);

    ClearFuzzDirectory();
    WriteFuzzFile(FuzzDirectory() + "/" + ROM_NAME, before);
    if (files & 1) MakeMessageFile(TABLE_FILE_NAME, table.data(), table.size(), tableSize);
    if (files & 2) MakeMessageFile(DATA_FILE_NAME, rest, restSize, (uint64_t)dataSize);
    if (files & 4) WriteFuzzFile(FuzzDirectory() + "/" + OUT_NAME, Bytes8(rest, rest + std::min<size_t>(restSize, 64)));
    const FileImage oldTable = ReadImage(TABLE_FILE_NAME), oldData = ReadImage(DATA_FILE_NAME);
    const FileImage oldOut = ReadImage(OUT_NAME);
    const bool outIsRom = files & 8;

    std::string said;
    const int status = Run(q, outIsRom, bytes[0] & 0x80, files, &said);

    // ---- Every outcome
    // Buffers kept from input to input: fresh ones of this size cost more than the rest.
    static FileImage rom, newOut;
    ReadImage(ROM_NAME, &rom);
    ReadImage(OUT_NAME, &newOut);
    const FileImage newTable = ReadImage(TABLE_FILE_NAME), newData = ReadImage(DATA_FILE_NAME);
    FUZZ_CHECK(status <= STATUS_IO_FAILURE || status == STATUS_USAGE, "unknown exit status");
    if (!q.Dialogue && q.Kind != RUN_NOTHING)
        FUZZ_CHECK((status == STATUS_USAGE) == q.Usage, "options judged against helper(1)");
    FUZZ_CHECK((status == STATUS_IO_FAILURE) == FailedOnce, "a failed write step not reported, or a failure without one");
    bool damagedWhileWriting = q.Kind == RUN_DECOMPRESS && status == STATUS_REFUSED &&
                               said.find("of the ROM image is damaged (") != std::string::npos;
    if (status != STATUS_DONE && status != STATUS_IO_FAILURE && !damagedWhileWriting)
        FUZZ_CHECK(StepsSeen == 0, "a refusal came after a write");
    FUZZ_CHECK(OnlyMessageFilesIn(FuzzDirectory(), ROM_NAME, OUT_NAME), "a temporary file was left behind");
    const bool extracted = q.Kind == RUN_EXTRACT && status == STATUS_DONE;
    if (!extracted)
    {
        FUZZ_CHECK(SameImage(oldTable, newTable), "the table changed without a done extraction");
        FUZZ_CHECK(SameImage(oldData, newData), "the data file changed without a done extraction");
    }
    if (q.Kind != RUN_DECOMPRESS || status != STATUS_DONE) FUZZ_CHECK(SameImage(oldOut, newOut), "OUT changed");
    FUZZ_CHECK(rom.Present && rom.Bytes.size() == before.size(), "the ROM changed size");
    if (q.Kind != RUN_INJECT) FUZZ_CHECK(rom.Bytes == before, "the ROM changed outside an injection");
    if (q.Kind == RUN_NOTHING) FUZZ_CHECK(status == STATUS_DONE, "an invalid mode not said as such");
    const uint32_t firstWord = before.size() >= 4 ? TestWord(before, 0) : 0;
    if (ByteOrderOf(firstWord) != ROM_ORDER_BIG_ENDIAN && q.Kind != RUN_NOTHING)
        FUZZ_CHECK(status == STATUS_REFUSED || status == STATUS_USAGE || status == STATUS_FILES_MISSING,
                   "a swapped image was worked on");

    // ---- What the image holds, by the release helper recognised (a damaged image may pass for
    // another); read only where helper did something.
    const bool live = undamaged && !q.Usage;
    const bool injected = q.Kind == RUN_INJECT && (status == STATUS_DONE || rom.Bytes != before);
    static RomImage seen;
    seen.Problem = NOT_A_RELEASE;
    if (!undamaged && (extracted || injected || (q.Kind == RUN_DECOMPRESS && status == STATUS_DONE)))
        RecogniseBytes(before, &seen);
    if (!undamaged && (extracted || injected))
        FUZZ_CHECK(seen.Problem == RECOGNISED, "worked on an image that is no release");
    const TestReleaseFacts& heldFacts = seen.Problem == RECOGNISED ? TestRelease(seen.Best->Name) : facts;
    HeldImage held = {};
    HeldText heldText = {};
    if (extracted || injected)
    {
        held = ReadHeldImage(before, heldFacts, undamaged ? &base.Code : nullptr);
        heldText = ReadHeldText(before, held, heldFacts, q.Text);
    }

    if (q.Kind == RUN_EXTRACT)
    {
        bool existed = oldTable.Present || oldData.Present;
        if (extracted)
        {
            FUZZ_CHECK(!existed || q.Force, "existing files replaced without being asked to");
            FUZZ_CHECK(heldText.Found, "extracted a text the image does not hold");
            FUZZ_CHECK(newTable.Present && newTable.Bytes == heldText.Table, "extracted table differs from the image");
            FUZZ_CHECK(newData.Present && newData.Bytes == heldText.Data, "extracted data differs from the image");
        }
        if (live && facts.TextRecord[q.Text] && (!existed || q.Force))
            FUZZ_CHECK(status == STATUS_DONE || status == STATUS_IO_FAILURE, "an undamaged image not extracted from");
        if (live && extracted)
            FUZZ_CHECK(newTable.Bytes == img.Table[q.Text] && newData.Bytes == img.Data[q.Text], "not the builder's text");
    }

    if (injected)
    {
        FUZZ_CHECK(!held.Sold, "an image as sold was injected into");
        FUZZ_CHECK(heldText.Found && oldTable.Present && oldData.Present, "injected a text the image does not hold");
        FUZZ_CHECK(oldTable.Bytes.size() == heldText.Table.size(), "injected a table of another size");
        // The data never passes the start of another file, the image's end, or (over the other
        // languages) the credits text.
        bool over = q.OtherLanguages && q.Text == TT_EN;
        uint64_t end = heldText.VromStart + RoundDataSize(oldData.Bytes.size());
        FUZZ_CHECK(end <= before.size(), "injected past the image's end");
        for (size_t j = 0; j < held.Files.size(); j++)
        {
            const FileRecord& r = held.Files[j];
            bool passedOver = over && (j == heldFacts.TextRecord[TT_DE] || j == heldFacts.TextRecord[TT_FR]);
            bool above = r.VromStart > heldText.VromStart || (r.VromStart == heldText.VromStart && r.VromEnd > r.VromStart);
            if ((int)j != heldText.Record && !passedOver && above)
                FUZZ_CHECK(end <= r.VromStart, "injected data passes the start of the next file");
        }
        static Bytes8 want;
        InjectedImage(before, held, heldText, heldFacts, q.Text, oldTable.Bytes, oldData.Bytes, !q.NoChecksum, want);
        if (status == STATUS_DONE) FUZZ_CHECK(rom.Bytes == want, "a done injection wrote other bytes");
        else
            for (size_t i = 0; i < before.size(); i++)
                FUZZ_CHECK(rom.Bytes[i] == before[i] || rom.Bytes[i] == want[i], "a failed injection wrote other bytes");
    }
    if (q.Kind == RUN_INJECT && live && !sold && facts.TextRecord[q.Text] && oldTable.Present && oldData.Present &&
        edits == 0 && bytes[5] < 200 && RoundDataSize((uint64_t)dataSize) <= (q.OtherLanguages ? roomOver : room) &&
        (facts.Pal || !q.OtherLanguages))
        FUZZ_CHECK(status == STATUS_DONE || status == STATUS_IO_FAILURE, "an undamaged image not injected into");

    if (q.Kind == RUN_INFO)
    {
        FUZZ_CHECK(status == STATUS_DONE || status == STATUS_REFUSED || status == STATUS_USAGE, "info failed");
        if (live && (!q.TextNamed || facts.TextRecord[q.Text]))
        {
            FUZZ_CHECK(status == STATUS_DONE, "info refused an undamaged image");
            FUZZ_CHECK(said.find("release: ") == 0 && said.find(facts.Name) != std::string::npos, "info named no release");
            FUZZ_CHECK(said.find(sold ? "image: compressed\n" : "image: decompressed\n") != std::string::npos,
                       "info said the wrong image kind");
        }
    }

    if (q.Kind == RUN_DECOMPRESS)
    {
        HeldImage files = ReadHeldFiles(before, facts);
        if (files.Found && !files.Sold)
            FUZZ_CHECK(status == STATUS_REFUSED || status == STATUS_USAGE, "a decompressed image decompressed");
        if (live && sold && !outIsRom && (!oldOut.Present || q.Force))
            FUZZ_CHECK(status == STATUS_DONE || status == STATUS_IO_FAILURE, "an undamaged image not decompressed");
        if (outIsRom) FUZZ_CHECK(status != STATUS_DONE, "decompressed over the image itself");
        if (status == STATUS_DONE) FUZZ_CHECK(!oldOut.Present || q.Force, "OUT replaced without --force");
        if (status == STATUS_DONE && undamaged) FUZZ_CHECK(newOut.Bytes == img.Rom, "not the builder's decompressed image");
        if (status == STATUS_DONE && !undamaged)
        {
            static RomImage again;
            RecogniseBytes(newOut.Bytes, &again);
            FUZZ_CHECK(seen.Problem == RECOGNISED && again.Problem == RECOGNISED && again.Best == seen.Best &&
                       again.Kind == IMAGE_DECOMPRESSED, "the decompressed image is another release");
            // A text that lay in a compressed file is only readable afterwards.
            for (int t = 0; t < TEXT_KINDS; t++)
            {
                const TextPlace &a = seen.Texts[t], &b = again.Texts[t];
                FUZZ_CHECK((a.State == TEXT_ABSENT) == (b.State == TEXT_ABSENT), "a text came or went in decompression");
                if (a.State != TEXT_READY) continue;
                FUZZ_CHECK(b.State == TEXT_READY && a.Records == b.Records && a.DataSize == b.DataSize &&
                           a.VromStart == b.VromStart && a.Room == b.Room, "a text moved in decompression");
                FUZZ_CHECK(memcmp(&before[a.DataAt], &newOut.Bytes[b.DataAt], a.DataSize) == 0,
                           "a text changed in decompression");
            }
        }
    }
    return 0;
}
