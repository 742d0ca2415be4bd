#include "rom_transfer.h"
#include "checksum.h"
#include "platform.h"
#include "yaz0.h"
#include <cstdlib>
#include <cstring>
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
// "the German text", "the credits text" or "file record N": the file that ends a room.
static std::string NextFileName(const Refusal& r)
{
    int64_t record = (int64_t)r.B;
    if (record < 0) return "the end of the image";
    for (int t = 0; r.Rel && t < TEXT_KINDS; t++)
        if (r.Rel->TextRecord[t] != 0 && r.Rel->TextRecord[t] == record) return TextName((TextKind)t);
    return "file record " + std::to_string(record);
}

// The decoder's phrase for a result carried in a refusal's number.
static const char* StreamProblem(uint64_t result)
{
    return result <= YAZ0_REACHES_BACK ? Yaz0ResultText((Yaz0Result)result) : "it does not decode";
}

void DescribeRefusal(const Refusal& r, char* out, size_t cap)
{
    unsigned long long a = r.A, b = r.B, c = r.C;
    const char* release = r.Rel ? r.Rel->Name : "this release";
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
    case REFUSE_NOT_A_RELEASE:
        snprintf(out, cap, "The ROM image is none of the releases this tool knows (it looked for a file "
                 "table at 0x7170, 0x7430, 0x7950, 0x7960 or 0x12F70 naming the program code with the "
                 "English message table in it); nothing was written.");
        break;
    case REFUSE_DAMAGED_CODE:
        snprintf(out, cap, "The ROM image's compressed program code is damaged (%s); nothing was written.",
                 StreamProblem(a));
        break;
    case REFUSE_ENGLISH_ONLY:
        snprintf(out, cap, "The release %s holds English only, no %s; nothing was written.", release,
                 r.Text == TEXT_FRENCH ? "French text" : "German text");
        break;
    case REFUSE_TEXT_DAMAGED:
        snprintf(out, cap, "The %s's table or file record does not fit %s (damaged or moved); nothing was "
                 "written.", TextName(r.Text) + 4, release);
        break;
    case REFUSE_COMPRESSED:
        snprintf(out, cap, "The ROM image is compressed (as sold), and so is its program code, which holds the "
                 "message tables: run helper decompress ROM OUT first, then inject into OUT; nothing was "
                 "written.");
        break;
    case REFUSE_TABLE_SIZE:
        snprintf(out, cap, "%s holds %llu bytes, not %llu; nothing was written.", TABLE_FILE_NAME, a, b);
        break;
    case REFUSE_TABLE_ADDRESS_BYTE:
        snprintf(out, cap, "Record %llu of %s holds 0x%02llX where the address byte 0x07 belongs; nothing was "
                 "written.", a, TABLE_FILE_NAME, b);
        break;
    case REFUSE_TABLE_IDS:
        snprintf(out, cap, "Record %llu of %s has the ID 0x%04llX where the English text has 0x%04llX (%s keeps "
                 "the English IDs in order); nothing was written.", a, TABLE_FILE_NAME, b, c, TextName(r.Text));
        break;
    case REFUSE_TOO_LONG:
    {
        // The option is named only where it would help: English running into German or French.
        bool intoOthers = r.Text == TEXT_ENGLISH && r.Rel && r.Rel->TextRecord[TEXT_GERMAN] &&
                          ((int64_t)b == r.Rel->TextRecord[TEXT_GERMAN] || (int64_t)b == r.Rel->TextRecord[TEXT_FRENCH]);
        snprintf(out, cap, "%s is %llu bytes too long: rounded up to 16, %s would run over %s, which starts %llu "
                 "bytes after its start; nothing was written.%s%s", DATA_FILE_NAME, a, TextName(r.Text),
                 NextFileName(r).c_str(), c, intoOthers && r.FromDialogue ? " helper inject ROM" : "",
                 intoOthers ? " --use-other-languages lets it run over the German and French texts." : "");
        break;
    }
    case REFUSE_ADDRESS_PAIRS:
        snprintf(out, cap, "The program code loads the address of the %s message (0x%08llX) in %llu places, not "
                 "in exactly one; nothing was written.", a == 0 ? "next-to-last" : "last", c, b);
        break;
    case REFUSE_NOTHING_TO_RUN_OVER:
        snprintf(out, cap, "The release %s holds no German or French text for --use-other-languages to run "
                 "over; nothing was written.", release);
        break;
    case REFUSE_ALREADY_DECOMPRESSED:
        snprintf(out, cap, "The ROM image is already decompressed; nothing was written.");
        break;
    case REFUSE_DAMAGED_FILE:
        snprintf(out, cap, "File record %llu of the ROM image is damaged (%s); nothing was written.", a,
                 b ? StreamProblem(b) : "it lies outside the image");
        break;
    case REFUSE_FILES_OVERLAP:
        snprintf(out, cap, "File records %llu and %llu of the ROM image overlap; nothing was written.", a, b);
        break;
    case REFUSE_DAMAGED_FILE_TABLE:
        snprintf(out, cap, "The ROM image's file table is damaged: its own record does not cover it; nothing was "
                 "written.");
        break;
    case REFUSE_TOO_LARGE:
        snprintf(out, cap, "The decompressed image would hold %llu bytes, more than this tool makes (%llu); "
                 "nothing was written.", a, (unsigned long long)DECOMPRESSED_MAX_SIZE);
        break;
    }
}

static Refusal Refuse(RefusalCode code, uint64_t a = 0, uint64_t b = 0, uint64_t c = 0)
{
    Refusal r = {};
    r.Code = code;
    r.A = a;
    r.B = b;
    r.C = c;
    return r;
}

// ---- Plans ------------------------------------------------------------------------------------
Refusal CheckImage(const RomImage& image, uint32_t firstWord)
{
    // A swapped image's words are garbage, so its order is named before anything else.
    if (ByteOrderOf(firstWord) != ROM_ORDER_BIG_ENDIAN) return Refuse(REFUSE_BYTE_SWAPPED, ByteOrderOf(firstWord));
    if (image.Problem == DAMAGED_CODE) return Refuse(REFUSE_DAMAGED_CODE, (uint64_t)image.DamagedCodeResult);
    if (image.Problem != RECOGNISED) return Refuse(REFUSE_NOT_A_RELEASE);
    Refusal r = Refuse(REFUSE_NONE);
    r.Rel = image.Best;
    return r;
}

Refusal CheckText(const RomImage& image, TextKind text)
{
    Refusal r = Refuse(REFUSE_NONE);
    r.Rel = image.Best;
    r.Text = text;
    if (image.Texts[text].State == TEXT_ABSENT) r.Code = REFUSE_ENGLISH_ONLY;
    else if (image.Texts[text].State == TEXT_DAMAGED) r.Code = REFUSE_TEXT_DAMAGED;
    return r;
}

ExtractPlan PlanExtraction(const RomImage& image, uint32_t firstWord, TextKind text)
{
    ExtractPlan plan = {};
    plan.Refused = CheckImage(image, firstWord);
    if (plan.Refused.Code == REFUSE_NONE) plan.Refused = CheckText(image, text);
    if (plan.Refused.Code != REFUSE_NONE) return plan;
    BuildTextTable(image, text, plan.Table);
    plan.DataFrom = image.Texts[text].DataAt;
    plan.DataSize = image.Texts[text].DataSize;
    return plan;
}

// The table file's own checks: its size, the address byte of every record and, for German and
// French, the English IDs in the English order.
static Refusal CheckTableFile(const RomImage& image, TextKind text, const uint8_t* table, uint64_t size)
{
    const TextPlace& t = image.Texts[text];
    uint64_t want = (uint64_t)t.Records * TABLE_RECORD_BYTES;
    if (size != want) return Refuse(REFUSE_TABLE_SIZE, size, want);
    for (uint64_t i = 0; i < t.Records; i++)
        if (table[i * TABLE_RECORD_BYTES + 4] != MESSAGE_ADDRESS_BYTE)
            return Refuse(REFUSE_TABLE_ADDRESS_BYTE, i, table[i * TABLE_RECORD_BYTES + 4]);
    if (text != TEXT_GERMAN && text != TEXT_FRENCH) return Refuse(REFUSE_NONE);
    std::vector<uint32_t> positions;
    TranslatedRecords(image, positions);
    for (size_t i = 0; i < positions.size(); i++)
    {
        const uint8_t* own = &table[i * TABLE_RECORD_BYTES];
        const uint8_t* english = &image.Code[positions[i]];
        if (own[0] != english[0] || own[1] != english[1])
            return Refuse(REFUSE_TABLE_IDS, i, (uint64_t)(own[0] << 8 | own[1]), (uint64_t)(english[0] << 8 | english[1]));
    }
    return Refuse(REFUSE_NONE);
}

// The English text's last two records are loaded by address pairs in the program code (the
// releases that have them): each old address must be loaded in exactly one place.
static Refusal FindPatchPlaces(const RomImage& image, InjectPlan* plan)
{
    const TextPlace& t = image.Texts[TEXT_ENGLISH];
    if (t.Records < 2) return Refuse(REFUSE_ADDRESS_PAIRS, 0, 0, 0);
    for (uint32_t k = 0; k < 2; k++)
    {
        uint32_t record = t.Records - 2 + k;
        uint32_t address = ReadWord(&image.Code[t.TableInCode + record * TABLE_RECORD_BYTES + 4]);
        AddressPair pair;
        uint32_t found = FindAddressPairs(image.Code.data(), image.Code.size(), address, &pair, 1);
        if (found != 1) return Refuse(REFUSE_ADDRESS_PAIRS, k, found, address);
        plan->PatchHighAt[k] = image.CodeAt + pair.HighAt;
        plan->PatchLowAt[k] = image.CodeAt + pair.LowAt;
        plan->PatchOffsetAt[k] = record * TABLE_RECORD_BYTES + 5;
    }
    plan->PatchCount = 2;
    return Refuse(REFUSE_NONE);
}

InjectPlan PlanInjection(const RomImage& image, uint32_t firstWord, TextKind text, bool useOtherLanguages,
                         const uint8_t* table, uint64_t tableSize, uint64_t dataSize)
{
    InjectPlan plan = {};
    plan.Text = text;
    plan.Refused = CheckImage(image, firstWord);
    if (plan.Refused.Code == REFUSE_NONE) plan.Refused = CheckText(image, text);
    if (plan.Refused.Code == REFUSE_NONE && image.Kind == IMAGE_COMPRESSED) plan.Refused.Code = REFUSE_COMPRESSED;
    if (plan.Refused.Code == REFUSE_NONE && useOtherLanguages && image.Texts[TEXT_GERMAN].State == TEXT_ABSENT)
        plan.Refused.Code = REFUSE_NOTHING_TO_RUN_OVER;
    if (plan.Refused.Code != REFUSE_NONE) return plan;

    const Release* rel = image.Best;
    const TextPlace& t = image.Texts[text];
    Refusal r = CheckTableFile(image, text, table, tableSize);

    // The room: up to the next file, or with --use-other-languages over the German and French
    // texts up to the file after them.
    const int skip[2] = { rel->TextRecord[TEXT_GERMAN], rel->TextRecord[TEXT_FRENCH] };
    bool overOthers = useOtherLanguages && text == TEXT_ENGLISH;
    int next = NextFileAbove(image.Files, (uint32_t)t.Record, skip, overOthers ? 2 : 0);
    uint64_t end = next >= 0 ? image.Files[next].VromStart : image.SpaceEnd;
    if (end > 0xFFFFFFFFu) end = 0xFFFFFFFFu & ~(uint64_t)15; // the end word is 32 bits
    uint64_t room = end > t.VromStart ? end - t.VromStart : 0;
    uint64_t rounded = RoundDataSize(dataSize);
    if (r.Code == REFUSE_NONE && (rounded > room || dataSize > room))
        r = Refuse(REFUSE_TOO_LONG, rounded - room, (uint64_t)(int64_t)next, room);
    if (r.Code == REFUSE_NONE && text == TEXT_ENGLISH && rel->PatchesAddressPairs) r = FindPatchPlaces(image, &plan);
    if (r.Code != REFUSE_NONE)
    {
        r.Rel = rel;
        r.Text = text;
        plan.Refused = r;
        plan.PatchCount = 0;
        return plan;
    }
    plan.RecordEndAt = (uint64_t)rel->FileTableAt + (uint64_t)t.Record * FILE_RECORD_SIZE + 4;
    plan.NewVromEnd = (uint32_t)(t.VromStart + rounded);
    plan.TableAt = image.CodeAt + t.TableInCode;
    plan.AddressWordsOnly = text == TEXT_GERMAN || text == TEXT_FRENCH;
    plan.TableSize = tableSize;
    plan.DataAt = t.DataAt;
    plan.DataSize = dataSize;
    plan.RunsOverOtherLanguages = overOthers && t.NextRecord >= 0 && t.VromStart + rounded > image.Files[t.NextRecord].VromStart;
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
    case TRANSFER_WRITE_IMAGE: return "Writing the new image failed; none was left behind.";
    }
    return "Unknown failure.";
}

TransferFailure ReadFirstWord(FILE* rom, uint64_t romSize, uint32_t* firstWord)
{
    *firstWord = 0;
    uint8_t buf[4];
    if (romSize < 4) return TRANSFER_OK;
    if (!SeekTo(rom, 0) || fread(buf, 1, 4, rom) != 4) return TRANSFER_READ_ROM;
    *firstWord = ReadWord(buf);
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

// Writes one message file under a temporary name, from bytes in memory or (bytes NULL) from the
// ROM range; the caller renames it into place.
static TransferFailure WriteTempCopy(FILE* rom, const uint8_t* bytes, uint64_t from, uint64_t size,
                                     const char* name, TransferFailure onWriteError, std::string* tempName)
{
    FILE* out = CreateTempFileFor(name, tempName);
    if (!out) { tempName->clear(); return onWriteError; }
    TransferFailure result = TRANSFER_OK;
    if (!bytes)
        result = CopyRomRange(rom, from, size, out, name, onWriteError);
    else if (size > 0 && (HelperStepFails(HELPER_STEP_WRITE, name) || fwrite(bytes, 1, (size_t)size, out) != size))
        result = onWriteError;
    if (result == TRANSFER_OK && !FlushToDisk(out)) result = onWriteError;
    if (fclose(out) != 0 && result == TRANSFER_OK) result = onWriteError;
    return result;
}

TransferFailure ExtractMessageFiles(FILE* rom, const ExtractPlan& plan,
                                    const char* tableName, const char* dataName)
{
    if (plan.Refused.Code != REFUSE_NONE) return TRANSFER_READ_ROM; // callers check first
    std::string tableTemp, dataTemp;
    TransferFailure result = WriteTempCopy(rom, plan.Table.data(), 0, plan.Table.size(), tableName,
                                           TRANSFER_WRITE_TABLE, &tableTemp);
    if (result == TRANSFER_OK)
        result = WriteTempCopy(rom, NULL, plan.DataFrom, plan.DataSize, dataName,
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
    WriteWord(endWord, plan.NewVromEnd);
    // German and French tables are address words only: the IDs, types and positions are the
    // English records'.
    std::vector<uint8_t> words;
    const uint8_t* tableBytes = table;
    uint64_t tableBytesSize = plan.TableSize;
    if (plan.AddressWordsOnly)
    {
        uint64_t records = plan.TableSize / TABLE_RECORD_BYTES;
        words.resize((size_t)records * 4);
        for (uint64_t i = 0; i < records; i++) memcpy(&words[(size_t)i * 4], table + i * TABLE_RECORD_BYTES + 4, 4);
        tableBytes = words.data();
        tableBytesSize = words.size();
    }
    // The rounding bytes after the data are not written: the ROM keeps what it held there.
    bool ok = WriteAt(rom, plan.RecordEndAt, endWord, 4)
           && WriteAt(rom, plan.TableAt, tableBytes, (size_t)tableBytesSize)
           && WriteAt(rom, plan.DataAt, data, (size_t)plan.DataSize);
    for (uint32_t k = 0; ok && k < plan.PatchCount; k++)
        ok = WritePatch(rom, plan.PatchHighAt[k], plan.PatchLowAt[k],
                        ComputeAddressPatch(TableTextOffset(table, plan.PatchOffsetAt[k])));
    ok = ok && fflush(rom) == 0;
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
