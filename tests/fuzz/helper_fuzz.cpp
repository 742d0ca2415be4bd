// Fuzz target for helper, in-process: the checks and patch arithmetic over arbitrary numbers,
// then the whole console dialogue over a ROM image with arbitrary size, words and table bytes
// and message files of arbitrary sizes. Every write step goes through the fault hook, which
// counts them and can make the k-th one fail. Invariants:
// - a refusal (and statuses 1 to 3) happens before the first write step;
// - a failed or refused extraction leaves the old message files byte-identical, and no
//   temporary file behind;
// - a done extraction copies exactly the table area and the data range;
// - a done injection wrote exactly the end word, table, data and the two patches, and the
//   checksum words (the tool is never found) match the image's code range;
// - an image that starts in a swapped byte order is refused in both modes;
// - an image whose table area lacks the address byte 0x07 in any record is refused in both
//   modes, and the plans never accept words that say it lacks one;
// - any command line parses to one clear outcome.
//
// Input layout: byte 0 mode (0 inject, 1 extract, else an invalid mode), byte 1 which
// message files exist before (bits 0-1), a swapped first word (bit 2; bit 3 which order), the
// address byte put into every record of the table area (bit 4) but one (bit 5, the record
// chosen by the data size selector),
// byte 2 answer to the overwrite question (bit 7: full sizes, see below), byte 3 the ROM size
// selector (bits 5-7) and the write step that fails (bits 0-4, 0 none), bytes 4-11 the two
// words, bytes 12-19 table and data
// size selectors, then bytes spread over the ROM's table area and the message files.
#include "checksum.h"
#include "command_line.h"
#include "rom_transfer.h"
#include "platform.h"
#include "dialogue.h"
#include "fuzz_common.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
static void CheckArithmetic(uint64_t romSize, RomWords words, uint64_t tableSize, uint64_t dataSize, uint32_t offset)
{
    ExtractPlan e = PlanExtraction(romSize, words);
    if (e.Refused.Code == REFUSE_NONE)
    {
        FUZZ_CHECK(romSize >= ROM_MIN_SIZE, "extraction accepted a short ROM");
        FUZZ_CHECK(e.DataFrom == words.DataStart && e.DataFrom + e.DataSize == words.DataEnd, "extraction range differs from the words");
        FUZZ_CHECK(e.DataFrom + e.DataSize <= romSize, "extraction range beyond the ROM");
    }
    InjectPlan i = PlanInjection(romSize, words, tableSize, dataSize);
    if (!words.HoldsMessageTable)
        FUZZ_CHECK(e.Refused.Code != REFUSE_NONE && i.Refused.Code != REFUSE_NONE, "a plan accepted an image without the table");
    if (i.Refused.Code == REFUSE_NONE)
    {
        FUZZ_CHECK(romSize >= ROM_MIN_SIZE && tableSize == TABLE_SIZE, "injection accepted a short ROM or a wrong table");
        FUZZ_CHECK(words.DataStart == ROM_DATA_OFFSET && words.DataEnd >= words.DataStart, "injection accepted odd words");
        uint64_t end = ROM_DATA_OFFSET + RoundDataSize(dataSize);
        FUZZ_CHECK(end <= ROM_PATCH_A_HIGH && end <= romSize, "injected data would reach a patch place or the end");
        FUZZ_CHECK(i.NewDataEnd == end && i.DataSize == dataSize, "new data end word differs");
    }
    char line[256];
    DescribeRefusal(e.Refused, line, sizeof(line));
    FUZZ_CHECK(strlen(line) < sizeof(line) - 1 && !strchr(line, '\n'), "refusal line cut or broken");
    DescribeRefusal(i.Refused, line, sizeof(line));
    FUZZ_CHECK(strlen(line) < sizeof(line) - 1 && !strchr(line, '\n'), "refusal line cut or broken");

    // The code adds the sign-extended low half to the high half shifted up.
    AddressPatch p = ComputeAddressPatch(offset);
    uint32_t rebuilt = ((uint32_t)p.High << 16) + (uint32_t)(int32_t)(int16_t)p.Low;
    FUZZ_CHECK((rebuilt & 0xFFFFFF) == (offset & 0xFFFFFF), "address patch does not rebuild the offset");
    FUZZ_CHECK(RoundDataSize(dataSize & 0xFFFFFFFFFFFFull) % 16 == 0, "rounding is not to 16");
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
    FUZZ_CHECK(!(cl.Request.NoChecksum && cl.Request.Kind == COMMAND_EXTRACT), "--no-checksum accepted for extract");
}

// ---- Files ------------------------------------------------------------------------------------
static const char ROM_NAME[] = "rom.z64";

struct FileImage
{
    bool Present;
    std::vector<uint8_t> Bytes;
};

static FileImage ReadImage(const char* name)
{
    FileImage image = { false, {} };
    FILE* f = fopen(name, "rb");
    if (!f) return image;
    image.Present = true;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof(chunk), f)) > 0) image.Bytes.insert(image.Bytes.end(), chunk, chunk + n);
    fclose(f);
    return image;
}

static bool SameImage(const FileImage& a, const FileImage& b)
{
    return a.Present == b.Present && a.Bytes == b.Bytes;
}

static void ReadAt(int fd, uint64_t pos, uint8_t* dst, size_t size)
{
    FUZZ_CHECK(pread(fd, dst, size, (off_t)pos) == (ssize_t)size, "cannot read the ROM back");
}

static void WriteAt(int fd, uint64_t pos, const uint8_t* src, size_t size)
{
    FUZZ_CHECK(pwrite(fd, src, size, (off_t)pos) == (ssize_t)size, "cannot build the ROM");
}

// A message file of the given size: the given bytes first, zeros after them (sparse).
static void MakeMessageFile(const char* name, const uint8_t* bytes, size_t count, uint64_t size)
{
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    FUZZ_CHECK(fd >= 0, "cannot create a message file");
    if (count > size) count = (size_t)size;
    if (count > 0) WriteAt(fd, 0, bytes, count);
    FUZZ_CHECK(ftruncate(fd, (off_t)size) == 0, "cannot size a message file");
    close(fd);
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

// ---- The target -------------------------------------------------------------------------------
static uint32_t Word(const uint8_t* p) { return ReadWord(p); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 20) return 0;
    SetUp();
    uint8_t mode = bytes[0], presence = bytes[1], answer = bytes[2];
    RomWords words = { Word(bytes + 4), Word(bytes + 8), 0, (presence & 0x10) != 0 };
    // Mostly small data ranges and files, which keeps the runs fast; bit 7 of byte 2 asks for
    // the words and sizes as they are (up to the limits the plans check).
    bool full = answer & 0x80;
    if (!full) words.DataEnd = words.DataStart + (words.DataEnd & 0xFFFF);
    uint32_t tableSel = Word(bytes + 12), dataSel = Word(bytes + 16);
    const uint8_t* rest = bytes + 20;
    size_t restSize = size - 20;

    // ROM sizes around the places that matter, plus whatever the first word says.
    uint64_t romSize;
    switch (bytes[3] >> 5)
    {
    case 0: romSize = ROM_MIN_SIZE + (tableSel & 0xFFFFF); break;
    case 1: romSize = ROM_MIN_SIZE - 1 - (tableSel & 0xFF); break;
    case 2: romSize = ROM_WORDS_OFFSET + (tableSel & 0xF); break;
    case 3: romSize = ROM_MIN_SIZE; break;
    default: romSize = ROM_MIN_SIZE + (tableSel & 0xFF); break;
    }
    // The steering byte doubles as the failing write step (low five bits).
    FailAtStep = bytes[3] & 0x1F;
    uint64_t tableSize = (tableSel >> 24) < 200 ? TABLE_SIZE : TABLE_SIZE - 8 + (tableSel >> 24) % 24;
    uint64_t dataSize = full ? dataSel % (DATA_MAX_SIZE + 64) : dataSel % 0x10000;
    CheckArithmetic(((uint64_t)tableSel << 32) | dataSel, words, tableSel, dataSel, Word(bytes + 4));
    CheckCommandLine(rest, restSize);

    // The ROM image: zeros, the two words, fuzz bytes over the table area and the data start.
    ClearFuzzDirectory();
    int rom = open(ROM_NAME, O_RDWR | O_CREAT | O_TRUNC, 0644);
    FUZZ_CHECK(rom >= 0, "cannot create the ROM");
    FUZZ_CHECK(ftruncate(rom, (off_t)romSize) == 0, "cannot size the ROM");
    uint8_t w[8];
    WriteWord(w, words.DataStart);
    WriteWord(w + 4, words.DataEnd);
    if (romSize >= ROM_WORDS_OFFSET + 8) WriteAt(rom, ROM_WORDS_OFFSET, w, 8);
    if (romSize >= ROM_MIN_SIZE && restSize > 0)
        WriteAt(rom, ROM_TABLE_OFFSET, rest, restSize < TABLE_SIZE ? restSize : TABLE_SIZE);
    if (words.DataStart < romSize && restSize > 0)
    {
        size_t n = restSize < 64 ? restSize : 64;
        if (words.DataStart + n > romSize) n = (size_t)(romSize - words.DataStart);
        WriteAt(rom, words.DataStart, rest + restSize - n, n);
    }
    // The table area: the address byte put in, then whether every record carries it.
    bool gameTable = romSize >= ROM_MIN_SIZE;
    if (gameTable)
    {
        std::vector<uint8_t> area(TABLE_SIZE);
        ReadAt(rom, ROM_TABLE_OFFSET, area.data(), TABLE_SIZE);
        for (uint32_t record = 0; record < TABLE_SIZE / 8 && (presence & 0x10); record++)
            if (!(presence & 0x20) || record != dataSel % (TABLE_SIZE / 8)) area[record * 8 + 4] = 0x07;
        WriteAt(rom, ROM_TABLE_OFFSET, area.data(), TABLE_SIZE);
        for (uint32_t pos = 4; pos < TABLE_SIZE && gameTable; pos += 8) gameTable = area[pos] == 0x07;
    }

    // A swapped first word, written last so nothing above covers it.
    uint8_t first[4] = {};
    WriteWord(w, presence & 8 ? 0x40123780 : 0x37804012);
    if (presence & 4) WriteAt(rom, 0, w, 4);
    if (romSize >= 4) ReadAt(rom, 0, first, 4);
    bool swapped = ReadWord(first) == 0x37804012 || ReadWord(first) == 0x40123780;

    // The message files present before the run.
    if (presence & 1) MakeMessageFile(TABLE_FILE_NAME, rest, restSize, tableSize);
    if (presence & 2) MakeMessageFile(DATA_FILE_NAME, rest + restSize / 2, restSize - restSize / 2, dataSize);
    FileImage oldTable = ReadImage(TABLE_FILE_NAME);
    FileImage oldData = ReadImage(DATA_FILE_NAME);

    // The dialogue on memory streams.
    char script[64];
    const char* modeText = mode % 3 == 0 ? "1" : mode % 3 == 1 ? "2" : (mode & 8 ? "x" : "7");
    const char* answerText = answer % 3 == 0 ? "1" : answer % 3 == 1 ? "2" : "y";
    int len = snprintf(script, sizeof(script), "%s\n%s\n%s\n\n", modeText, ROM_NAME, answerText);
    FILE* in = fmemopen(script, (size_t)len, "r");
    char* outText = nullptr;
    size_t outSize = 0;
    FILE* out = open_memstream(&outText, &outSize);
    StepsSeen = 0;
    FailedOnce = false;
    int status = RunHelperDialogue(in, out);
    fclose(in);
    fclose(out);
    free(outText);

    FUZZ_CHECK(status >= 0 && status <= 5, "unknown exit status");
    if (swapped && mode % 3 == 1) FUZZ_CHECK(status == STATUS_REFUSED, "a swapped image was extracted from");
    if (swapped && mode % 3 == 0)
        FUZZ_CHECK(status == STATUS_REFUSED || status == STATUS_FILES_MISSING, "a swapped image was injected into");
    if (!gameTable && mode % 3 == 1) FUZZ_CHECK(status == STATUS_REFUSED, "an image without the table was extracted from");
    if (!gameTable && mode % 3 == 0)
        FUZZ_CHECK(status == STATUS_REFUSED || status == STATUS_FILES_MISSING, "an image without the table was injected into");
    if (status >= STATUS_ROM_NOT_OPEN && status <= STATUS_REFUSED)
        FUZZ_CHECK(StepsSeen == 0, "a refusal came after a write");
    FUZZ_CHECK(status != STATUS_IO_FAILURE || FailedOnce, "a transfer failed without a fault");
    FUZZ_CHECK(status == STATUS_IO_FAILURE || !FailedOnce, "a failed write step was not reported");

    FileImage newTable = ReadImage(TABLE_FILE_NAME);
    FileImage newData = ReadImage(DATA_FILE_NAME);
    bool extracted = mode % 3 == 1 && status == STATUS_DONE;
    if (!extracted)
    {
        // Nothing but a done extraction touches the message files.
        FUZZ_CHECK(SameImage(oldTable, newTable), "the table changed without a done extraction");
        FUZZ_CHECK(SameImage(oldData, newData), "the data file changed without a done extraction");
    }
    else
    {
        std::vector<uint8_t> expected(TABLE_SIZE);
        ReadAt(rom, ROM_TABLE_OFFSET, expected.data(), TABLE_SIZE);
        FUZZ_CHECK(newTable.Present && newTable.Bytes == expected, "extracted table differs from the ROM");
        expected.resize((size_t)(words.DataEnd - words.DataStart));
        if (!expected.empty()) ReadAt(rom, words.DataStart, expected.data(), expected.size());
        FUZZ_CHECK(newData.Present && newData.Bytes == expected, "extracted data differs from the ROM");
    }

    if (mode % 3 == 0 && status == STATUS_DONE)
    {
        uint8_t end[4];
        ReadAt(rom, ROM_DATA_END_OFFSET, end, 4);
        FUZZ_CHECK(ReadWord(end) == ROM_DATA_OFFSET + RoundDataSize(oldData.Bytes.size()), "data end word differs");
        std::vector<uint8_t> got(TABLE_SIZE);
        ReadAt(rom, ROM_TABLE_OFFSET, got.data(), TABLE_SIZE);
        FUZZ_CHECK(got == oldTable.Bytes, "injected table differs");
        got.resize(oldData.Bytes.size());
        if (!got.empty()) ReadAt(rom, ROM_DATA_OFFSET, got.data(), got.size());
        FUZZ_CHECK(got == oldData.Bytes, "injected data differs");
        AddressPatch a = ComputeAddressPatch(TableTextOffset(oldTable.Bytes.data(), TABLE_OFFSET_A));
        uint8_t patch[3];
        ReadAt(rom, ROM_PATCH_A_HIGH, patch, 1);
        ReadAt(rom, ROM_PATCH_A_LOW, patch + 1, 2);
        FUZZ_CHECK(patch[0] == a.High && ((patch[1] << 8) | patch[2]) == a.Low, "patch A differs");
        std::vector<uint8_t> code(CHECKSUM_TO);
        ReadAt(rom, 0, code.data(), code.size());
        uint32_t crc1 = 0, crc2 = 0;
        FUZZ_CHECK(ComputeBootChecksums(code.data(), code.size(), &crc1, &crc2), "no checksums for a done injection");
        FUZZ_CHECK(ReadWord(&code[CHECKSUM_AT]) == crc1 && ReadWord(&code[CHECKSUM_AT + 4]) == crc2, "checksums not written");
    }
    FUZZ_CHECK(OnlyMessageFilesIn(FuzzDirectory(), ROM_NAME), "a temporary file was left behind");
    if (status != STATUS_DONE || mode % 3 != 0)
    {
        struct stat st;
        FUZZ_CHECK(fstat(rom, &st) == 0 && (uint64_t)st.st_size == romSize, "the ROM changed size");
    }
    close(rom);
    return 0;
}
