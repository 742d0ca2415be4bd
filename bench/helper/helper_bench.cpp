// helper's work on images of realistic size, run in a temporary directory exactly as the program
// runs it (open, recognise the image, plan, copy or write):
// - extraction and injection on a 32 MiB image in gc-eu-mq-dbg's layout whose English text is
//   the generated 2116-record pair; data sizes: that text, and the text padded to the largest
//   the tool took before it knew the room (2.2 MB);
// - decompression of a 32 MiB image as sold (64 MiB decompressed: the builder's files and 1000
//   fillers of 64 KiB) into a new image beside it;
// - the header checksums: the computation over the megabyte of code alone, and the whole update
//   of an image on disk (read the range, compute, write the two words).
#include "checksum.h"
#include "decompress.h"
#include "platform.h"
#include "rom_builder.h"
#include "rom_transfer.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <ftw.h>
#include <malloc.h>
#include <string>
#include <unistd.h>
#include <vector>

static const uint64_t ROM_BYTES = 32u << 20;
static const uint32_t PADDED_DATA = 2228400; // the English data padded to this

// ---- Setup ------------------------------------------------------------------------------------
static std::string MakeBenchDir()
{
    const char* base = getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/helper-bench-XXXXXX";
    return mkdtemp(&tmpl[0]) ? tmpl : "";
}

static void RemoveBenchDir(const std::string& path)
{
    nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return remove(p); }, 8,
         FTW_DEPTH | FTW_PHYS);
}

struct BenchDir
{
    std::string Path, Old;
    BenchDir()
    {
        Path = MakeBenchDir();
        char cwd[4096];
        Old = getcwd(cwd, sizeof(cwd)) ? cwd : ".";
        if (chdir(Path.c_str()) != 0) Path.clear();
    }
    ~BenchDir()
    {
        if (chdir(Old.c_str()) == 0) RemoveBenchDir(Path);
    }
};

// The debug release's image with the generated English text, its data padded to dataBytes when
// that is larger, the whole padded with zeros to 32 MiB.
static bool MakeRom(const char* name, uint32_t dataBytes)
{
    const TestReleaseFacts& facts = TestRelease("gc-eu-mq-dbg");
    std::vector<uint8_t> table, data;
    GeneratedEnglishText(facts, 1, table, data);
    TestImageOptions options = DebugReleaseLayout();
    options.EnglishTable = &table;
    options.EnglishData = &data;
    options.EnglishPadding = dataBytes > data.size() ? dataBytes - (uint32_t)data.size() : 0;
    TestImage img = BuildTestImage(facts, options);
    if (img.Rom.size() < ROM_BYTES) img.Rom.resize(ROM_BYTES, 0);
    return WriteImageFile(name, img.Rom);
}

// An image opened and recognised as the program does it.
struct OpenedImage
{
    FILE*     Rom;
    ImageFile File;
    uint32_t  FirstWord;
    RomImage  Image;
};

static bool OpenImage(const char* name, const char* mode, OpenedImage* im)
{
    im->Rom = fopen(name, mode);
    uint64_t size = 0;
    if (!im->Rom || !FileSizeOf(im->Rom, &size) || ReadFirstWord(im->Rom, size, &im->FirstWord) != TRANSFER_OK)
        return false;
    im->File = ImageFile{ im->Rom, size };
    RecogniseImage(im->File, &im->Image);
    return im->Image.Problem == RECOGNISED;
}

static void CloseImage(OpenedImage* im)
{
    if (im->Rom) fclose(im->Rom);
    im->Rom = NULL;
}

// ---- Extraction and injection -----------------------------------------------------------------
static void BM_Extract(benchmark::State& state)
{
    BenchDir dir;
    if (!MakeRom("rom.z64", (uint32_t)state.range(0))) state.SkipWithError("cannot write the ROM image");
    uint64_t bytes = 0;
    for (auto _ : state)
    {
        OpenedImage im = {};
        bool opened = OpenImage("rom.z64", "rb+", &im);
        ExtractPlan plan = PlanExtraction(im.Image, im.FirstWord, TEXT_ENGLISH);
        TransferFailure f = opened ? ExtractMessageFiles(im.Rom, plan, TABLE_FILE_NAME, DATA_FILE_NAME) : TRANSFER_READ_ROM;
        CloseImage(&im);
        if (plan.Refused.Code != REFUSE_NONE || f != TRANSFER_OK)
        {
            state.SkipWithError("extraction failed");
            break;
        }
        bytes = plan.Table.size() + plan.DataSize;
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * bytes));
}
BENCHMARK(BM_Extract)->Arg(0)->Arg(PADDED_DATA)->Unit(benchmark::kMillisecond);

static void BM_Inject(benchmark::State& state)
{
    BenchDir dir;
    OpenedImage first = {};
    if (!MakeRom("rom.z64", (uint32_t)state.range(0)) || !OpenImage("rom.z64", "rb+", &first) ||
        ExtractMessageFiles(first.Rom, PlanExtraction(first.Image, first.FirstWord, TEXT_ENGLISH), TABLE_FILE_NAME,
                            DATA_FILE_NAME) != TRANSFER_OK)
        state.SkipWithError("cannot make the image and its message files");
    CloseImage(&first);
    std::vector<uint8_t> table, data;
    uint64_t bytes = 0;
    for (auto _ : state)
    {
        // The files read whole and the plan made before the first write, as the dialogue does.
        OpenedImage im = {};
        bool opened = OpenImage("rom.z64", "rb+", &im);
        FILE* t = OpenFileRead(TABLE_FILE_NAME);
        FILE* d = OpenFileRead(DATA_FILE_NAME);
        uint64_t tableSize = 0, dataSize = 0;
        TransferFailure f = TRANSFER_READ_ROM;
        if (opened && t && d && FileSizeOf(t, &tableSize) && FileSizeOf(d, &dataSize))
        {
            table.resize(tableSize);
            data.resize(dataSize);
            f = ReadMessageFile(t, table.data(), tableSize, TRANSFER_READ_TABLE);
            if (f == TRANSFER_OK) f = ReadMessageFile(d, data.data(), dataSize, TRANSFER_READ_DATA);
        }
        if (t) fclose(t);
        if (d) fclose(d);
        InjectPlan plan = PlanInjection(im.Image, im.FirstWord, TEXT_ENGLISH, false, table.data(), tableSize, dataSize);
        if (f == TRANSFER_OK && plan.Refused.Code == REFUSE_NONE) f = InjectMessageFiles(im.Rom, plan, table.data(), data.data());
        CloseImage(&im);
        if (plan.Refused.Code != REFUSE_NONE || f != TRANSFER_OK)
        {
            state.SkipWithError("injection failed");
            break;
        }
        bytes = tableSize + dataSize;
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * bytes));
}
BENCHMARK(BM_Inject)->Arg(0)->Arg(PADDED_DATA)->Unit(benchmark::kMillisecond);

// ---- Decompression ----------------------------------------------------------------------------
const uint32_t FILLER_FILES = 1000;

// The peak resident size so far (Linux); 0 where it cannot be read.
static uint64_t PeakResidentBytes()
{
    FILE* f = fopen("/proc/self/status", "r");
    unsigned long long kib = 0;
    char line[256];
    while (f && fgets(line, sizeof(line), f))
        if (sscanf(line, "VmHWM: %llu kB", &kib) == 1) break;
    if (f) fclose(f);
    return kib * 1024;
}

// The image as sold, built once for the process in a directory of its own and removed at exit.
// Building it takes far more memory than decompressing it: once it is written and freed, the
// process's peak resident size is reset (Linux), so the peak that /usr/bin/time -v reports for
// a run of this benchmark alone is the decompression's.
static const std::string& SoldImagePath()
{
    static std::string dir, path;
    if (!path.empty()) return path;
    dir = MakeBenchDir();
    TestImageOptions options;
    options.FillerFiles = FILLER_FILES;
    std::vector<uint8_t> sold = SellTestImage(BuildTestImage(TestRelease("gc-eu-mq-dbg"), options));
    if (dir.empty() || !WriteImageFile(dir + "/sold.z64", sold)) return path;
    path = dir + "/sold.z64";
    std::vector<uint8_t>().swap(sold);
    malloc_trim(0);
    FILE* refs = fopen("/proc/self/clear_refs", "w");
    if (refs) fputs("5", refs);
    if (refs) fclose(refs);
    atexit([] { RemoveBenchDir(dir); });
    return path;
}

static void BM_Decompress(benchmark::State& state)
{
    const std::string& path = SoldImagePath();
    if (path.empty()) state.SkipWithError("cannot write the image as sold");
    const std::string outPath = path.substr(0, path.size() - 8) + "out.z64";
    uint64_t inBytes = 0, outBytes = 0;
    for (auto _ : state)
    {
        OpenedImage im = {};
        bool opened = OpenImage(path.c_str(), "rb", &im);
        DecompressPlan plan = PlanDecompression(im.Image, im.FirstWord);
        Refusal damaged = {};
        TransferFailure f = TRANSFER_READ_ROM;
        if (opened && plan.Refused.Code == REFUSE_NONE)
            f = WriteDecompressedImage(im.File, im.Image, plan, outPath.c_str(), &damaged);
        inBytes = im.File.Size;
        outBytes = plan.OutSize;
        CloseImage(&im);
        if (f != TRANSFER_OK || damaged.Code != REFUSE_NONE)
        {
            state.SkipWithError("decompression failed");
            break;
        }
        state.PauseTiming();
        remove(outPath.c_str()); // each run writes a new image, as to a fresh OUT
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)(state.iterations() * inBytes));
    state.counters["image_MiB"] = (double)inBytes / (1 << 20);
    state.counters["out_MiB"] = (double)outBytes / (1 << 20);
    state.counters["peak_MiB"] = (double)PeakResidentBytes() / (1 << 20);
}
BENCHMARK(BM_Decompress)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Checksums --------------------------------------------------------------------------------
static void BM_BootChecksums(benchmark::State& state)
{
    std::vector<uint8_t> code(CHECKSUM_TO);
    uint32_t x = 1;
    for (uint8_t& b : code) { x = (x * 1103515245u + 12345u) & 0x7FFFFFFF; b = (uint8_t)(x >> 16); }
    uint32_t crc1 = 0, crc2 = 0;
    for (auto _ : state)
    {
        ComputeBootChecksums(code.data(), code.size(), &crc1, &crc2);
        benchmark::DoNotOptimize(crc1);
        benchmark::DoNotOptimize(crc2);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (CHECKSUM_TO - CHECKSUM_FROM));
}
BENCHMARK(BM_BootChecksums)->Unit(benchmark::kMillisecond);

static void BM_UpdateBootChecksums(benchmark::State& state)
{
    BenchDir dir;
    if (!MakeRom("rom.z64", 0)) state.SkipWithError("cannot write the ROM image");
    for (auto _ : state)
    {
        FILE* rom = fopen("rom.z64", "rb+");
        uint64_t size = 0;
        if (!rom || !FileSizeOf(rom, &size) || UpdateBootChecksums(rom, size) != TRANSFER_OK)
            state.SkipWithError("checksum update failed");
        if (rom) fclose(rom);
    }
}
BENCHMARK(BM_UpdateBootChecksums)->Unit(benchmark::kMillisecond);
