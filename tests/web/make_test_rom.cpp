// Writes a synthetic ROM image of one release for the browser tests, the measurements and a look
// by hand: the generated message pair of the tests as its English text, the other texts and
// files as the test images have them.
//
//   make_test_rom OUT SIZE_MB [--swapped] [--sold] [--release NAME] [--align BYTES]
//     SIZE_MB     the image is padded with zeros up to this size when it is smaller
//     --swapped   the same image in 16-bit swapped order
//     --sold      the image as sold (compressed); its decompressed form is the plain image
//     --release   which release's facts (gc-eu-mq-dbg by default)
//     --align     every file starts on such a boundary (4096 by default): a large one spreads
//                 the files of the decompressed image apart, which the sold image packs
#include "rom_builder.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const uint32_t MESSAGE_SEED = 1;
const uint64_t MEGABYTE = 1024 * 1024;

int main(int argc, char** argv)
{
    bool swapped = false, sold = false, bad = argc < 3;
    const char* release = "gc-eu-mq-dbg";
    uint32_t align = 0;
    for (int i = 3; i < argc && !bad; i++)
    {
        if (strcmp(argv[i], "--swapped") == 0) swapped = true;
        else if (strcmp(argv[i], "--sold") == 0) sold = true;
        else if (strcmp(argv[i], "--release") == 0 && i + 1 < argc) release = argv[++i];
        else if (strcmp(argv[i], "--align") == 0 && i + 1 < argc)
        {
            align = (uint32_t)strtoul(argv[++i], nullptr, 0);
            bad = align == 0;
        }
        else bad = true;
    }
    const TestReleaseFacts& facts = TestRelease(release);
    if (bad || strcmp(facts.Name, release) != 0)
    {
        fprintf(stderr, "usage: make_test_rom OUT SIZE_MB [--swapped] [--sold] [--release NAME] [--align BYTES]\n");
        return 64;
    }
    std::vector<uint8_t> table, data;
    GeneratedEnglishText(facts, MESSAGE_SEED, table, data);
    TestImageOptions options = strcmp(release, "gc-eu-mq-dbg") == 0 ? DebugReleaseLayout() : TestImageOptions();
    if (align) options.Align = align;
    options.EnglishTable = &table;
    options.EnglishData = &data;
    TestImage img = BuildTestImage(facts, options);
    std::vector<uint8_t> rom = sold ? SellTestImage(img) : img.Rom;
    uint64_t size = strtoull(argv[2], nullptr, 10) * MEGABYTE;
    if (rom.size() < size) rom.resize(size, 0);
    if (swapped)
        for (uint64_t i = 0; i + 1 < rom.size(); i += 2)
        {
            uint8_t b = rom[i];
            rom[i] = rom[i + 1];
            rom[i + 1] = b;
        }
    if (!WriteImageFile(argv[1], rom))
    {
        fprintf(stderr, "make_test_rom: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
