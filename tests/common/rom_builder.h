// Synthetic ROM images of the game's releases, built from each release's facts (written out here
// on their own, not taken from the program): a file table at the release's place, the program
// code with the message tables at their offsets, the English, German, French and credits texts
// in their file records, and on the PAL releases the instruction pairs that load the addresses
// of the last two English messages. The same image can be had as sold: the program code and
// some other files compressed, the rest moved to other ROM places, one file absent.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

enum TestText { TT_EN = 0, TT_DE, TT_FR, TT_CREDITS, TT_KINDS };

struct TestReleaseFacts
{
    const char* Name;
    uint32_t    FileTableAt;
    uint8_t     CodeRecord;
    uint8_t     TextRecord[TT_KINDS];  // 0: none
    uint32_t    TableInCode[TT_KINDS]; // 0: none
    bool        Pal;                   // German and French texts, address pairs in the code
};

const int TEST_RELEASE_COUNT = 15;
extern const TestReleaseFacts TEST_RELEASES[TEST_RELEASE_COUNT];
const TestReleaseFacts& TestRelease(const char* name);

struct TestImageOptions
{
    uint32_t Messages = 40;        // English records, 0xFFFC among them
    uint32_t CreditsMessages = 10;
    uint32_t Align = 0x1000;       // every file starts on such a boundary
    uint32_t EnglishAt = 0;        // VROM start of the English text; 0: packed after the others
    uint32_t CodeAt = 0;           // the same for the program code
    uint32_t EnglishPadding = 0;   // zero bytes after the English messages
    bool     Pairs = true;         // the address pairs, on PAL releases
    const std::vector<uint8_t>* EnglishTable = nullptr; // a pair of one's own for the English text
    const std::vector<uint8_t>* EnglishData = nullptr;
    uint32_t FillerFiles = 0;      // more files after the usual ones, compressed in the image as sold
    uint32_t FillerSize = 0x10000; // bytes of each; about half of them compress away
};

// The options that put gc-eu-mq-dbg's English text and code where the tool always found them
// (0x8C6000, 0xA94000), so the table lies at 0xBC24C0 and the pairs at 0xAE60B4..0xAE60F3.
TestImageOptions DebugReleaseLayout();

struct TestImage
{
    const TestReleaseFacts* Facts;
    std::vector<uint8_t> Rom;                       // the decompressed image
    std::vector<uint32_t> Files;                    // 4 words a record, as in the decompressed image
    uint32_t CodeAt, CodeSize;
    uint32_t TextAt[TT_KINDS], TextSize[TT_KINDS];  // VROM start and size of each text's data
    uint32_t TableAt[TT_KINDS];                     // image offset of each text's table
    uint32_t Records[TT_KINDS];                     // records of each table file
    uint32_t NextAt[TT_KINDS];                      // VROM start of the file after each text
    uint32_t PatchHigh[2], PatchLow[2];             // image offsets of the pairs' bytes (PAL)
    std::vector<uint8_t> Table[TT_KINDS], Data[TT_KINDS]; // what extraction gives
};

TestImage BuildTestImage(const TestReleaseFacts& facts, const TestImageOptions& options = TestImageOptions());

// The generated message pair of the tests (GenerateMessagePair) as the English text of a release:
// as many records as its table has room for before the next table, and 0xFFFC third from the
// end, as in the game. Give both to TestImageOptions.
void GeneratedEnglishText(const TestReleaseFacts& facts, uint32_t seed, std::vector<uint8_t>& table,
                          std::vector<uint8_t>& data);

// The image as sold: the code, every filler and every fourth other file compressed, the files
// after the file table packed in ROM in record order, record 5 absent. Its decompressed form is
// img.Rom.
std::vector<uint8_t> SellTestImage(const TestImage& img);

// The offset of record i's words in the file table.
uint32_t FileRecordAt(const TestImage& img, int record);

// A table file as the editor would write it for text t, and data for it: every message of the
// extracted pair grown by grow bytes (before its end code), offsets moved along.
void GrowTestText(const TestImage& img, int text, uint32_t grow, std::vector<uint8_t>& table,
                  std::vector<uint8_t>& data);

uint32_t TestWord(const std::vector<uint8_t>& b, uint64_t pos);
void PutTestWord(std::vector<uint8_t>& b, uint64_t pos, uint32_t value);

// Writes bytes to path; false when it cannot.
bool WriteImageFile(const std::string& path, const std::vector<uint8_t>& bytes);
