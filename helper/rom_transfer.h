// Moving the two message files between the working directory and a ROM image of the game.
// Two layers, kept apart on purpose:
// - the plans (PlanExtraction, PlanInjection) and the patch arithmetic are pure functions of a
//   few numbers: every refusal is decided there, before any file is written;
// - ExtractMessageFiles / InjectMessageFiles carry out an accepted plan and only report I/O
//   failures.
// The console dialogue (dialogue.h) strings them together.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---- Fixed places in the ROM image (big-endian throughout) ----------------------------------
const uint64_t ROM_WORDS_OFFSET     = 78016;     // data start word, then data end word
const uint64_t ROM_DATA_END_OFFSET  = 78020;     // the data end word alone
const uint64_t ROM_TABLE_OFFSET     = 12330176;  // the message table area
const uint64_t ROM_DATA_OFFSET      = 9199616;   // where injection puts the message data
const uint64_t ROM_PATCH_A_HIGH     = 11428023;  // low byte of the high-half immediate, record A
const uint64_t ROM_PATCH_A_LOW      = 11428026;  // low-half immediate, record A
const uint64_t ROM_PATCH_B_HIGH     = 11428039;
const uint64_t ROM_PATCH_B_LOW      = 11428082;
const uint32_t TABLE_SIZE           = 16928;     // 2116 records of 8 bytes
const uint32_t TABLE_OFFSET_A       = 16917;     // text offset of the next-to-last record
const uint32_t TABLE_OFFSET_B       = 16925;     // text offset of the last record
const uint32_t TABLE_RECORD_SIZE    = 8;
const uint8_t  TABLE_ADDRESS_BYTE   = 0x07;      // byte 4 of every record of the game's table
const uint64_t ROM_MIN_SIZE         = ROM_TABLE_OFFSET + TABLE_SIZE; // furthest fixed place
// Largest data file whose rounded end stays below the first patch place.
const uint64_t DATA_MAX_SIZE        = (ROM_PATCH_A_HIGH - ROM_DATA_OFFSET) & ~(uint64_t)15;
const size_t   COPY_BLOCK           = 64 * 1024;

const char* const TABLE_FILE_NAME = "table";
const char* const DATA_FILE_NAME  = "nes_message_data_static";

// ---- Plain arithmetic -------------------------------------------------------------------------
struct RomWords
{
    uint32_t DataStart;
    uint32_t DataEnd;
    uint32_t FirstWord; // the image's first four bytes, which tell its byte order
    bool     HoldsMessageTable; // the table area passes IsMessageTableArea
};

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

// True when area is whole 8-byte records whose byte 4 (the top byte of the message's data
// address, which the game's table always holds and neither program changes) is 0x07. A
// compressed image, another release or another game holds other bytes at the table's place.
bool         IsMessageTableArea(const uint8_t* area, uint32_t size);

// Parses one console token as a whole number: optional sign, decimal digits, fits in 32 bits.
bool         ParseWholeNumber(const char* text, size_t len, int32_t* value);

// ---- Refusals ---------------------------------------------------------------------------------
enum RefusalCode
{
    REFUSE_NONE = 0,
    REFUSE_BYTE_SWAPPED,         // A = RomByteOrder
    REFUSE_ROM_TOO_SHORT,        // A = ROM size
    REFUSE_DATA_END_BELOW_START, // A = start word, B = end word
    REFUSE_DATA_BEYOND_ROM,      // A = data start, B = data end, C = ROM size
    REFUSE_DATA_START_WORD,      // A = start word
    REFUSE_TABLE_SIZE,           // A = table size
    REFUSE_DATA_TOO_LARGE,       // A = data size, B = largest size that fits
    REFUSE_NO_MESSAGE_TABLE,     // the table area fails IsMessageTableArea
};

struct Refusal
{
    RefusalCode Code;
    uint64_t    A, B, C;
};

// Writes the one line that says what is wrong (no line break) into out.
void DescribeRefusal(const Refusal& refusal, char* out, size_t cap);

// ---- Plans ------------------------------------------------------------------------------------
struct ExtractPlan
{
    Refusal  Refused;   // Code REFUSE_NONE when the plan may be carried out
    uint64_t DataFrom;  // ROM offset of the message data
    uint64_t DataSize;  // bytes to copy into the data file
};

struct InjectPlan
{
    Refusal  Refused;
    uint32_t NewDataEnd; // data start word + rounded data size
    uint64_t DataSize;
};

ExtractPlan PlanExtraction(uint64_t romSize, RomWords words);
InjectPlan  PlanInjection(uint64_t romSize, RomWords words, uint64_t tableSize, uint64_t dataSize);

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
};

const char* TransferFailureText(TransferFailure failure);

// Reads the first word, the two words at ROM_WORDS_OFFSET and the table area, which it judges
// with IsMessageTableArea; a ROM too short for them yields zeros and no table (the plans refuse
// such a ROM anyway).
TransferFailure ReadRomWords(FILE* rom, uint64_t romSize, RomWords* words);

// Copies the table area and the data range into temporary files beside the two names and
// renames each into place; a failure removes the temporaries and keeps the old file.
TransferFailure ExtractMessageFiles(FILE* rom, const ExtractPlan& plan,
                                    const char* tableName, const char* dataName);

// Reads exactly size bytes of a message file from its start.
TransferFailure ReadMessageFile(FILE* f, uint8_t* dst, uint64_t size, TransferFailure onError);

// Writes the data end word, the table, the data and both address patches. Every input has
// been read and the plan accepted before this is called; only write failures remain.
TransferFailure InjectMessageFiles(FILE* rom, const InjectPlan& plan,
                                   const uint8_t* table, const uint8_t* data);

// Reads the checksummed range, computes both checksum words and writes them into the header
// (8 bytes at CHECKSUM_AT; nothing else changes), then flushes.
TransferFailure UpdateBootChecksums(FILE* rom, uint64_t romSize);
