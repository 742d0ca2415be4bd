// Moving the two message files between the working directory and a ROM image of the game.
// Three layers, kept apart on purpose:
// - the image (image/rom_image.h) says what the image is: release, files, texts, room;
// - the plans (PlanExtraction, PlanInjection) decide every refusal and every byte that will
//   change, before any file is written;
// - ExtractMessageFiles / InjectMessageFiles carry out an accepted plan and only report I/O
//   failures.
// The console dialogue (dialogue.h) strings them together.
#pragma once
#include "rom_image.h"
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

const size_t   COPY_BLOCK            = 64 * 1024;
const uint64_t DECOMPRESSED_MAX_SIZE = 256u << 20; // four times the largest release's image

const char* const TABLE_FILE_NAME = "table";
const char* const DATA_FILE_NAME  = "nes_message_data_static";

// ---- Plain arithmetic -------------------------------------------------------------------------
// Images also circulate with their bytes swapped in 16-bit or 32-bit units; only the
// big-endian order (first word 0x80371240) is worked on. Any unknown first word is accepted.
enum RomByteOrder
{
    ROM_ORDER_BIG_ENDIAN = 0,
    ROM_ORDER_SWAPPED_16,        // starts 37 80 40 12
    ROM_ORDER_SWAPPED_32,        // starts 40 12 37 80
};

const uint32_t ROM_FIRST_WORD_SWAPPED_16 = 0x37804012;
const uint32_t ROM_FIRST_WORD_SWAPPED_32 = 0x40123780;

// The two halves written into a high/low instruction pair. The low half is sign-extended by
// the instruction that adds it, so the high part carries one when the low half is >= 0x8000.
struct AddressPatch
{
    uint8_t  High;
    uint16_t Low;
};

uint32_t     ReadWord(const uint8_t* p);
void         WriteWord(uint8_t* p, uint32_t value);
uint64_t     RoundDataSize(uint64_t size);             // up to a multiple of 16
AddressPatch ComputeAddressPatch(uint32_t textOffset); // 24-bit offset; higher bits ignored
uint32_t     TableTextOffset(const uint8_t* table, uint32_t pos); // 3 bytes, high first
RomByteOrder ByteOrderOf(uint32_t firstWord);

// Parses one console token as a whole number: optional sign, decimal digits, fits in 32 bits.
bool         ParseWholeNumber(const char* text, size_t len, int32_t* value);

// ---- Refusals ---------------------------------------------------------------------------------
enum RefusalCode
{
    REFUSE_NONE = 0,
    REFUSE_BYTE_SWAPPED,         // A = RomByteOrder
    REFUSE_NOT_A_RELEASE,        // no release's facts fit
    REFUSE_DAMAGED_CODE,         // A = Yaz0Result of the program code's stream
    REFUSE_ENGLISH_ONLY,         // A = TextKind asked for; the release holds English only
    REFUSE_TEXT_DAMAGED,         // A = TextKind whose table or record does not fit
    REFUSE_COMPRESSED,           // injection into an image as sold
    REFUSE_TABLE_SIZE,           // A = table size, B = size the text's table has
    REFUSE_TABLE_ADDRESS_BYTE,   // A = record (from 0), B = the byte found
    REFUSE_TABLE_IDS,            // A = record (from 0), B = ID found, C = the English ID
    REFUSE_TOO_LONG,             // A = bytes too many, B = next record (-1 end), C = room
    REFUSE_ADDRESS_PAIRS,        // A = 0 next-to-last, 1 last record; B = pairs found
    REFUSE_NOTHING_TO_RUN_OVER,  // --use-other-languages where there are no other languages
    REFUSE_ALREADY_DECOMPRESSED,
    REFUSE_DAMAGED_FILE,         // A = file record, B = Yaz0Result (0: lies outside the image)
    REFUSE_FILES_OVERLAP,        // A, B = file records whose VROM ranges overlap
    REFUSE_DAMAGED_FILE_TABLE,   // record 2 does not cover the file table where it lies
    REFUSE_TOO_LARGE,            // A = decompressed size
};

struct Refusal
{
    RefusalCode Code;
    uint64_t    A, B, C;
    TextKind       Text;         // the text concerned
    const Release* Rel;          // the image's release, for lines that name it or its files
    bool        FromDialogue;    // the dialogue takes no options: lines say how to give them
};

// Writes the one line that says what is wrong (no line break) into out.
void DescribeRefusal(const Refusal& refusal, char* out, size_t cap);

// ---- Plans ------------------------------------------------------------------------------------
// The image as the plans see it: a recognised image, or why it is not one.
Refusal CheckImage(const RomImage& image, uint32_t firstWord);

// A text that the image holds and that can be read, or why not.
Refusal CheckText(const RomImage& image, TextKind text);

struct ExtractPlan
{
    Refusal              Refused;  // Code REFUSE_NONE when the plan may be carried out
    std::vector<uint8_t> Table;    // the table file's bytes
    uint64_t             DataFrom; // image offset of the message data
    uint64_t             DataSize; // bytes to copy into the data file
};

struct InjectPlan
{
    Refusal  Refused;
    TextKind Text;
    uint64_t RecordEndAt;        // image offset of the text's VROM end word in the file table
    uint32_t NewVromEnd;         // its start + the rounded data size
    uint64_t TableAt;            // image offset of the text's table in the program code
    bool     AddressWordsOnly;   // German and French: bytes 4..7 of each record, 4 bytes apart
    uint64_t TableSize;          // bytes of the table file
    uint64_t DataAt;
    uint64_t DataSize;
    uint32_t PatchCount;         // address pairs to write (0 or 2)
    uint64_t PatchHighAt[2], PatchLowAt[2];
    uint32_t PatchOffsetAt[2];   // where in the table file each pair's new offset stands
    bool     RunsOverOtherLanguages;
};

ExtractPlan PlanExtraction(const RomImage& image, uint32_t firstWord, TextKind text);
InjectPlan  PlanInjection(const RomImage& image, uint32_t firstWord, TextKind text, bool useOtherLanguages,
                          const uint8_t* table, uint64_t tableSize, uint64_t dataSize);

// ---- I/O --------------------------------------------------------------------------------------
enum TransferFailure
{
    TRANSFER_OK = 0,
    TRANSFER_READ_ROM,
    TRANSFER_WRITE_ROM,
    TRANSFER_READ_TABLE,
    TRANSFER_READ_DATA,
    TRANSFER_WRITE_TABLE,
    TRANSFER_WRITE_DATA,
    TRANSFER_NO_MEMORY,
    TRANSFER_ROM_TOO_SHORT,
    TRANSFER_WRITE_IMAGE,        // a new image (decompress) could not be written; none was left
};

const char* TransferFailureText(TransferFailure failure);

// The image's first four bytes (0 when it is shorter).
TransferFailure ReadFirstWord(FILE* rom, uint64_t romSize, uint32_t* firstWord);

// Writes the table from the plan and copies the data range into temporary files beside the two
// names and renames each into place; a failure removes the temporaries and keeps the old file.
TransferFailure ExtractMessageFiles(FILE* rom, const ExtractPlan& plan,
                                    const char* tableName, const char* dataName);

// Reads exactly size bytes of a message file from its start.
TransferFailure ReadMessageFile(FILE* f, uint8_t* dst, uint64_t size, TransferFailure onError);

// Writes the text's VROM end word, its table, its data and the address pairs. Every input has
// been read and the plan accepted before this is called; only write failures remain.
TransferFailure InjectMessageFiles(FILE* rom, const InjectPlan& plan,
                                   const uint8_t* table, const uint8_t* data);

// Reads the checksummed range, computes both checksum words and writes them into the header
// (8 bytes at CHECKSUM_AT; nothing else changes), then flushes.
TransferFailure UpdateBootChecksums(FILE* rom, uint64_t romSize);
