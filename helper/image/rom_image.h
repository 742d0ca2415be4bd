// What a ROM image of the game is, apart from any dialogue: its file table, which release it
// is, where each message text and its table lie, how much room each text has, and where the
// program code loads the addresses of the last two English messages. Everything here reads;
// nothing writes. The transfer (rom_transfer.h) plans and writes on top of it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// ---- The file table ---------------------------------------------------------------------------
// 16-byte records of four big-endian words, closed by a record of four zero words. In a
// decompressed image every file lies at its VROM start; in an image as sold a record whose ROM
// end is not 0 holds its file compressed between ROM start and ROM end.
const uint32_t FILE_RECORD_SIZE       = 16;
const uint32_t FILE_TABLE_MAX_RECORDS = 4096;      // far above any release; bounds a damaged table
const uint32_t BOOT_RECORD_END        = 0x1060;    // record 0 is always {0, 0x1060, 0, 0}
const uint32_t ABSENT_FILE_WORD       = 0xFFFFFFFF; // ROM start = ROM end = this: no file
const uint32_t TABLE_RECORD_BYTES     = 8;          // a message table record
const uint8_t  MESSAGE_ADDRESS_BYTE   = 0x07;       // top byte of every message's data address
const uint16_t CLOSING_MESSAGE_ID     = 0xFFFF;     // ID of the record that closes a table
const uint16_t NO_TRANSLATION_ID      = 0xFFFC;     // the English record the other languages lack
const uint32_t MESSAGE_BUFFER_ROUNDING = 16;        // a text's data end is rounded up to this
const uint64_t DECOMPRESSED_ROUNDING  = 1u << 20;   // a decompressed image is whole MiB

struct FileRecord
{
    uint32_t VromStart, VromEnd, RomStart, RomEnd;
};

bool IsAbsentFile(const FileRecord& r);
bool IsCompressedFile(const FileRecord& r); // present, with a ROM end other than 0
uint32_t FileVromSize(const FileRecord& r); // 0 when the end lies below the start

// The record whose VROM start comes first above record index's start (other records only;
// records in skip[] are passed over); -1 when none does.
int NextFileAbove(const std::vector<FileRecord>& files, uint32_t index, const int* skip, int skipCount);

// ---- Releases ---------------------------------------------------------------------------------
enum TextKind
{
    TEXT_ENGLISH = 0,
    TEXT_GERMAN,
    TEXT_FRENCH,
    TEXT_CREDITS,
    TEXT_KINDS,
};

const char* TextTag(TextKind text);  // "en", "de", "fr", "credits"
const char* TextName(TextKind text); // "the English text", ...

struct Release
{
    const char* Name;
    uint32_t    FileTableAt;
    uint8_t     CodeRecord;
    uint8_t     TextRecord[TEXT_KINDS];  // file record of each text's data; 0: the release has none
    uint32_t    TableInCode[TEXT_KINDS]; // offset of each text's table in the program code
    bool        PatchesAddressPairs;     // its code loads the last two English addresses
    const char* Md5[4];                  // decompressed, its other cartridge, as sold, other; or NULL
};

const int RELEASE_COUNT = 15;
extern const Release RELEASES[RELEASE_COUNT];

// True when two releases share every fact this tool works from (all but name and MD5).
bool SameReleaseFacts(const Release& a, const Release& b);

// ---- Reading the image ------------------------------------------------------------------------
struct ImageFile
{
    FILE*    File;
    uint64_t Size;
};

// Reads n bytes at pos; false when they do not all lie inside the image or the read fails.
bool ReadImageBytes(const ImageFile& image, uint64_t pos, void* dst, uint64_t n);

// ---- One text of a recognised image -----------------------------------------------------------
enum TextState
{
    TEXT_ABSENT = 0,   // the release holds no such text
    TEXT_READY,        // its table and data were found and agree
    TEXT_DAMAGED,      // the release should hold it, but its table or record does not fit
};

struct TextPlace
{
    TextState State;
    int       Record;       // file record of its data
    uint64_t  DataAt;       // where its bytes lie in the image file
    uint32_t  VromStart;    // where the game finds them
    uint32_t  DataSize;     // VROM end minus VROM start
    uint64_t  Room;         // bytes from VromStart to the next file (or the image's end)
    int       NextRecord;   // the record that ends the room; -1 the image's end
    uint32_t  TableInCode;  // where its table starts in the program code
    uint32_t  Records;      // records of its table file (before the closing record)
};

// ---- Recognition ------------------------------------------------------------------------------
enum ImageKind
{
    IMAGE_DECOMPRESSED = 0,
    IMAGE_COMPRESSED,       // as sold: the program code and others compressed
};

enum RecognitionProblem
{
    RECOGNISED = 0,
    NOT_A_RELEASE,          // no release's facts fit
    DAMAGED_CODE,           // a release's file table fits, but its program code does not decode
    IMAGE_UNREADABLE,
};

struct RomImage
{
    RecognitionProblem Problem;
    const Release*     Best;               // the release whose facts fit best
    uint32_t           SameFacts;          // bit i: RELEASES[i] fits exactly as well, same facts
    ImageKind          Kind;
    uint64_t           Size;               // of the image file
    uint64_t           SpaceEnd;           // end of the VROM space: the (decompressed) image's size
    std::vector<FileRecord> Files;
    std::vector<uint8_t>    Code;          // the program code, decompressed
    uint64_t           CodeAt;             // where the code's bytes lie in the image (decompressed)
    TextPlace          Texts[TEXT_KINDS];
    int                DamagedCodeResult;  // DAMAGED_CODE: the decoder's result
};

// Tries every release and keeps the best fit (see the ranking in the .cpp). Reads the file
// table, the program code (decompressing it on an image as sold) and the tables.
void RecogniseImage(const ImageFile& image, RomImage* out);

// The names of the releases that fit, joined by " or " in the table's order; or the one whose
// MD5 (32 lowercase hex digits) is md5, when one of them has it.
void ReleaseNames(const RomImage& image, const char* md5, char* out, size_t cap, bool* unmodified);

// A text's table file as extraction writes it: 8-byte records from the program code for the
// English text and the credits; for German and French, the English records (0xFFFC left out)
// with that language's address words.
void BuildTextTable(const RomImage& image, TextKind text, std::vector<uint8_t>& table);

// The English records that a German or French table follows, in order (0xFFFC left out):
// their positions in the English table.
void TranslatedRecords(const RomImage& image, std::vector<uint32_t>& positions);

// ---- The address pairs in the program code ----------------------------------------------------
// The code loads a message's address 0x07xxxxxx with a load-upper-immediate of the high part
// (with carry) and, within the next 16 words, an add-immediate of the low half to the same
// register. Both places are offsets into the code.
struct AddressPair
{
    uint32_t HighAt; // the low byte of the high-half immediate (the byte before it stays)
    uint32_t LowAt;  // the low-half immediate, two bytes
};

const uint32_t ADDRESS_PAIR_REACH = 16; // words after the high half in which the low half stands

// Finds every pair that loads address; returns how many (at most cap are stored).
uint32_t FindAddressPairs(const uint8_t* code, size_t size, uint32_t address, AddressPair* pairs, uint32_t cap);

// ---- MD5 --------------------------------------------------------------------------------------
// The image's digest as 32 lowercase hex digits and a zero; false when reading fails.
bool ImageMd5(const ImageFile& image, char out[33]);
