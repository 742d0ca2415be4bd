#include "rom_transfer.h"
#include "checksum.h"
#include "platform.h"
#include <cstdlib>
#include <string>

// ---- Plain arithmetic -------------------------------------------------------------------------
uint32_t ReadWord(const uint8_t* p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

void WriteWord(uint8_t* p, uint32_t value)
{
    p[0] = (uint8_t)(value >> 24);
    p[1] = (uint8_t)(value >> 16);
    p[2] = (uint8_t)(value >> 8);
    p[3] = (uint8_t)value;
}

uint64_t RoundDataSize(uint64_t size)
{
    return (size + 15) & ~(uint64_t)15;
}

AddressPatch ComputeAddressPatch(uint32_t textOffset)
{
    textOffset &= 0xFFFFFF;
    AddressPatch patch;
    patch.High = (uint8_t)(((textOffset + 0x8000) >> 16) & 0xFF);
    patch.Low = (uint16_t)(textOffset & 0xFFFF);
    return patch;
}

uint32_t TableTextOffset(const uint8_t* table, uint32_t pos)
{
    return ((uint32_t)table[pos] << 16) | ((uint32_t)table[pos + 1] << 8) | table[pos + 2];
}

RomByteOrder ByteOrderOf(uint32_t firstWord)
{
    if (firstWord == ROM_FIRST_WORD_SWAPPED_16) return ROM_ORDER_SWAPPED_16;
    if (firstWord == ROM_FIRST_WORD_SWAPPED_32) return ROM_ORDER_SWAPPED_32;
    return ROM_ORDER_BIG_ENDIAN;
}

bool IsMessageTableArea(const uint8_t* area, uint32_t size)
{
    if (size == 0 || size % TABLE_RECORD_SIZE != 0) return false;
    for (uint32_t pos = 4; pos < size; pos += TABLE_RECORD_SIZE)
        if (area[pos] != TABLE_ADDRESS_BYTE) return false;
    return true;
}

bool ParseWholeNumber(const char* text, size_t len, int32_t* value)
{
    size_t i = 0;
    bool negative = false;
    if (i < len && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == len) return false;
    int64_t v = 0;
    for (; i < len; i++)
    {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > (int64_t)INT32_MAX + 1) return false; // stops growth long before overflow
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    *value = (int32_t)v;
    return true;
}

// ---- Refusals ---------------------------------------------------------------------------------
void DescribeRefusal(const Refusal& r, char* out, size_t cap)
{
    unsigned long long a = r.A, b = r.B, c = r.C;
    switch (r.Code)
    {
    case REFUSE_NONE:
        snprintf(out, cap, "Nothing is wrong.");
        break;
    case REFUSE_BYTE_SWAPPED:
        snprintf(out, cap, "The ROM image is byte-swapped in %s units (it starts %s); convert it to "
                 "the big-endian order (80 37 12 40) first; nothing was written.",
                 a == ROM_ORDER_SWAPPED_16 ? "16-bit" : "32-bit",
                 a == ROM_ORDER_SWAPPED_16 ? "37 80 40 12" : "40 12 37 80");
        break;
    case REFUSE_ROM_TOO_SHORT:
        snprintf(out, cap, "The ROM image is too short (%llu bytes, at least %llu needed); "
                 "nothing was written.", a, (unsigned long long)ROM_MIN_SIZE);
        break;
    case REFUSE_DATA_END_BELOW_START:
        snprintf(out, cap, "The ROM's data end word 0x%08llX lies below its data start word "
                 "0x%08llX; nothing was written.", b, a);
        break;
    case REFUSE_DATA_BEYOND_ROM:
        snprintf(out, cap, "The message data (0x%08llX to 0x%08llX) lies beyond the end of the "
                 "ROM image (%llu bytes); nothing was written.", a, b, c);
        break;
    case REFUSE_DATA_START_WORD:
        snprintf(out, cap, "The ROM's data start word is 0x%08llX, not 0x%08llX; nothing was "
                 "written.", a, (unsigned long long)ROM_DATA_OFFSET);
        break;
    case REFUSE_TABLE_SIZE:
        snprintf(out, cap, "%s holds %llu bytes, not %u; nothing was written.",
                 TABLE_FILE_NAME, a, (unsigned)TABLE_SIZE);
        break;
    case REFUSE_DATA_TOO_LARGE:
        snprintf(out, cap, "%s is too large (%llu bytes, at most %llu fit); nothing was written.",
                 DATA_FILE_NAME, a, b);
        break;
    case REFUSE_NO_MESSAGE_TABLE:
        snprintf(out, cap, "The ROM image holds no message table where this tool looks (0x%llX), so "
                 "it is not the decompressed image of the release this tool works on (compressed, "
                 "another release, or not this game); nothing was written.",
                 (unsigned long long)ROM_TABLE_OFFSET);
        break;
    }
}

static Refusal Refuse(RefusalCode code, uint64_t a, uint64_t b = 0, uint64_t c = 0)
{
    Refusal r = { code, a, b, c };
    return r;
}

// ---- Plans ------------------------------------------------------------------------------------
ExtractPlan PlanExtraction(uint64_t romSize, RomWords words)
{
    ExtractPlan plan = {};
    // A swapped image's words are garbage, so its order is named before anything else.
    if (ByteOrderOf(words.FirstWord) != ROM_ORDER_BIG_ENDIAN)
        plan.Refused = Refuse(REFUSE_BYTE_SWAPPED, ByteOrderOf(words.FirstWord));
    else if (romSize < ROM_MIN_SIZE)
        plan.Refused = Refuse(REFUSE_ROM_TOO_SHORT, romSize);
    else if (!words.HoldsMessageTable)
        plan.Refused = Refuse(REFUSE_NO_MESSAGE_TABLE, 0);
    else if (words.DataEnd < words.DataStart)
        plan.Refused = Refuse(REFUSE_DATA_END_BELOW_START, words.DataStart, words.DataEnd);
    else if (words.DataEnd > romSize)
        plan.Refused = Refuse(REFUSE_DATA_BEYOND_ROM, words.DataStart, words.DataEnd, romSize);
    if (plan.Refused.Code != REFUSE_NONE) return plan;
    plan.DataFrom = words.DataStart;
    plan.DataSize = (uint64_t)words.DataEnd - words.DataStart;
    return plan;
}

InjectPlan PlanInjection(uint64_t romSize, RomWords words, uint64_t tableSize, uint64_t dataSize)
{
    InjectPlan plan = {};
    // The data, rounding included (the data end word claims it), must stay below the first
    // patch place and inside the image.
    uint64_t limit = romSize < ROM_PATCH_A_HIGH ? romSize : ROM_PATCH_A_HIGH;
    uint64_t maxSize = limit > ROM_DATA_OFFSET ? (limit - ROM_DATA_OFFSET) & ~(uint64_t)15 : 0;
    if (ByteOrderOf(words.FirstWord) != ROM_ORDER_BIG_ENDIAN)
        plan.Refused = Refuse(REFUSE_BYTE_SWAPPED, ByteOrderOf(words.FirstWord));
    else if (romSize < ROM_MIN_SIZE)
        plan.Refused = Refuse(REFUSE_ROM_TOO_SHORT, romSize);
    else if (!words.HoldsMessageTable)
        plan.Refused = Refuse(REFUSE_NO_MESSAGE_TABLE, 0);
    else if (words.DataEnd < words.DataStart)
        plan.Refused = Refuse(REFUSE_DATA_END_BELOW_START, words.DataStart, words.DataEnd);
    else if (words.DataStart != ROM_DATA_OFFSET)
        plan.Refused = Refuse(REFUSE_DATA_START_WORD, words.DataStart);
    else if (tableSize != TABLE_SIZE)
        plan.Refused = Refuse(REFUSE_TABLE_SIZE, tableSize);
    else if (RoundDataSize(dataSize) > maxSize || dataSize > maxSize)
        plan.Refused = Refuse(REFUSE_DATA_TOO_LARGE, dataSize, maxSize);
    if (plan.Refused.Code != REFUSE_NONE) return plan;
    plan.DataSize = dataSize;
    plan.NewDataEnd = (uint32_t)(words.DataStart + RoundDataSize(dataSize));
    return plan;
}

// ---- I/O --------------------------------------------------------------------------------------
const char* TransferFailureText(TransferFailure failure)
{
    switch (failure)
    {
    case TRANSFER_OK:          return "Done.";
    case TRANSFER_READ_ROM:    return "Reading the ROM image failed.";
    case TRANSFER_WRITE_ROM:   return "Writing the ROM image failed; it may be partly changed.";
    case TRANSFER_READ_TABLE:  return "Reading table failed; the ROM image was not changed.";
    case TRANSFER_READ_DATA:   return "Reading nes_message_data_static failed; the ROM image was not changed.";
    case TRANSFER_WRITE_TABLE: return "Writing table failed; the old file was kept.";
    case TRANSFER_WRITE_DATA:  return "Writing nes_message_data_static failed; the old file was kept.";
    case TRANSFER_NO_MEMORY:   return "Out of memory; the ROM image was not changed.";
    case TRANSFER_ROM_TOO_SHORT: return "The ROM image is too short.";
    }
    return "Unknown failure.";
}

TransferFailure ReadRomWords(FILE* rom, uint64_t romSize, RomWords* words)
{
    words->DataStart = 0;
    words->DataEnd = 0;
    words->FirstWord = 0;
    words->HoldsMessageTable = false;
    static uint8_t area[TABLE_SIZE];
    uint8_t buf[8];
    if (romSize < 4) return TRANSFER_OK;
    if (!SeekTo(rom, 0) || fread(buf, 1, 4, rom) != 4) return TRANSFER_READ_ROM;
    words->FirstWord = ReadWord(buf);
    if (romSize < ROM_WORDS_OFFSET + 8) return TRANSFER_OK;
    if (!SeekTo(rom, ROM_WORDS_OFFSET) || fread(buf, 1, 8, rom) != 8) return TRANSFER_READ_ROM;
    words->DataStart = ReadWord(buf);
    words->DataEnd = ReadWord(buf + 4);
    if (romSize < ROM_MIN_SIZE) return TRANSFER_OK;
    if (!SeekTo(rom, ROM_TABLE_OFFSET) || fread(area, 1, TABLE_SIZE, rom) != TABLE_SIZE) return TRANSFER_READ_ROM;
    words->HoldsMessageTable = IsMessageTableArea(area, TABLE_SIZE);
    return TRANSFER_OK;
}

// Copies size bytes from the ROM at from into out, one block at a time.
static TransferFailure CopyRomRange(FILE* rom, uint64_t from, uint64_t size, FILE* out,
                                    const char* name, TransferFailure onWriteError)
{
    static uint8_t block[COPY_BLOCK];
    if (!SeekTo(rom, from)) return TRANSFER_READ_ROM;
    while (size > 0)
    {
        size_t n = size < COPY_BLOCK ? (size_t)size : COPY_BLOCK;
        if (fread(block, 1, n, rom) != n) return TRANSFER_READ_ROM;
        if (HelperStepFails(HELPER_STEP_WRITE, name) || fwrite(block, 1, n, out) != n) return onWriteError;
        size -= n;
    }
    return TRANSFER_OK;
}

// Writes one message file under a temporary name; the caller renames it into place.
static TransferFailure WriteTempCopy(FILE* rom, uint64_t from, uint64_t size, const char* name,
                                     TransferFailure onWriteError, std::string* tempName)
{
    FILE* out = CreateTempFileFor(name, tempName);
    if (!out) { tempName->clear(); return onWriteError; }
    TransferFailure result = CopyRomRange(rom, from, size, out, name, onWriteError);
    if (result == TRANSFER_OK && !FlushToDisk(out)) result = onWriteError;
    if (fclose(out) != 0 && result == TRANSFER_OK) result = onWriteError;
    return result;
}

TransferFailure ExtractMessageFiles(FILE* rom, const ExtractPlan& plan,
                                    const char* tableName, const char* dataName)
{
    if (plan.Refused.Code != REFUSE_NONE) return TRANSFER_READ_ROM; // callers check first
    std::string tableTemp, dataTemp;
    TransferFailure result = WriteTempCopy(rom, ROM_TABLE_OFFSET, TABLE_SIZE, tableName,
                                           TRANSFER_WRITE_TABLE, &tableTemp);
    if (result == TRANSFER_OK)
        result = WriteTempCopy(rom, plan.DataFrom, plan.DataSize, dataName,
                               TRANSFER_WRITE_DATA, &dataTemp);
    // The old table keeps a second name until the data file is in place too: when that last
    // rename fails, the old table is put back, so a failed extraction leaves both old files.
    std::string tableBackup;
    bool tableExisted = false;
    if (result == TRANSFER_OK)
    {
        FILE* old = OpenFileRead(tableName);
        tableExisted = old != NULL;
        if (old) fclose(old);
        if (tableExisted) KeepSecondName(tableName, &tableBackup);
    }
    if (result == TRANSFER_OK && !ReplaceByRename(tableTemp.c_str(), tableName))
        result = TRANSFER_WRITE_TABLE;
    else if (result == TRANSFER_OK)
        tableTemp.clear(); // now the real file
    if (result == TRANSFER_OK && !ReplaceByRename(dataTemp.c_str(), dataName))
    {
        result = TRANSFER_WRITE_DATA;
        if (!tableBackup.empty() && PutBack(tableBackup.c_str(), tableName))
            tableBackup.clear();
        else if (!tableExisted)
            remove(tableName);
    }
    else if (result == TRANSFER_OK)
        dataTemp.clear();
    if (!tableTemp.empty()) remove(tableTemp.c_str());
    if (!dataTemp.empty()) remove(dataTemp.c_str());
    if (!tableBackup.empty()) remove(tableBackup.c_str());
    return result;
}

TransferFailure ReadMessageFile(FILE* f, uint8_t* dst, uint64_t size, TransferFailure onError)
{
    if (!SeekTo(f, 0)) return onError;
    while (size > 0)
    {
        size_t n = size < COPY_BLOCK ? (size_t)size : COPY_BLOCK;
        if (fread(dst, 1, n, f) != n) return onError;
        dst += n;
        size -= n;
    }
    return TRANSFER_OK;
}

static bool WriteAt(FILE* rom, uint64_t pos, const uint8_t* bytes, size_t size)
{
    if (!SeekTo(rom, pos)) return false;
    while (size > 0)
    {
        size_t n = size < COPY_BLOCK ? size : COPY_BLOCK;
        if (HelperStepFails(HELPER_STEP_WRITE_ROM, NULL) || fwrite(bytes, 1, n, rom) != n) return false;
        bytes += n;
        size -= n;
    }
    return true;
}

static bool WritePatch(FILE* rom, uint64_t highAt, uint64_t lowAt, AddressPatch patch)
{
    // Only the low byte of the high-half immediate: the byte before it holds the top of the
    // address and stays as it is.
    uint8_t high = patch.High;
    uint8_t low[2] = { (uint8_t)(patch.Low >> 8), (uint8_t)patch.Low };
    return WriteAt(rom, highAt, &high, 1) && WriteAt(rom, lowAt, low, 2);
}

TransferFailure InjectMessageFiles(FILE* rom, const InjectPlan& plan,
                                   const uint8_t* table, const uint8_t* data)
{
    if (plan.Refused.Code != REFUSE_NONE) return TRANSFER_WRITE_ROM; // callers check first
    uint8_t endWord[4];
    WriteWord(endWord, plan.NewDataEnd);
    AddressPatch a = ComputeAddressPatch(TableTextOffset(table, TABLE_OFFSET_A));
    AddressPatch b = ComputeAddressPatch(TableTextOffset(table, TABLE_OFFSET_B));
    // The rounding bytes after the data are not written: the ROM keeps what it held there.
    bool ok = WriteAt(rom, ROM_DATA_END_OFFSET, endWord, 4)
           && WriteAt(rom, ROM_TABLE_OFFSET, table, TABLE_SIZE)
           && WriteAt(rom, ROM_DATA_OFFSET, data, (size_t)plan.DataSize)
           && WritePatch(rom, ROM_PATCH_A_HIGH, ROM_PATCH_A_LOW, a)
           && WritePatch(rom, ROM_PATCH_B_HIGH, ROM_PATCH_B_LOW, b)
           && fflush(rom) == 0;
    return ok ? TRANSFER_OK : TRANSFER_WRITE_ROM;
}

TransferFailure UpdateBootChecksums(FILE* rom, uint64_t romSize)
{
    if (romSize < CHECKSUM_TO) return TRANSFER_ROM_TOO_SHORT;
    uint8_t* code = (uint8_t*)malloc(CHECKSUM_TO);
    if (!code) return TRANSFER_NO_MEMORY;
    TransferFailure result = TRANSFER_OK;
    uint8_t words[8];
    uint32_t crc1 = 0, crc2 = 0;
    if (!SeekTo(rom, 0) || fread(code, 1, CHECKSUM_TO, rom) != CHECKSUM_TO ||
        !ComputeBootChecksums(code, CHECKSUM_TO, &crc1, &crc2))
        result = TRANSFER_READ_ROM;
    free(code);
    if (result != TRANSFER_OK) return result;
    WriteWord(words, crc1);
    WriteWord(words + 4, crc2);
    // A read followed by a write on the same stream needs a seek in between, which WriteAt does.
    if (!WriteAt(rom, CHECKSUM_AT, words, 8) || fflush(rom) != 0) return TRANSFER_WRITE_ROM;
    return TRANSFER_OK;
}
