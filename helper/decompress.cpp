#include "decompress.h"
#include "checksum.h"
#include "platform.h"
#include "yaz0.h"
#include <algorithm>
#include <cstring>
#include <string>

// ---- Plan -------------------------------------------------------------------------------------
DecompressPlan PlanDecompression(const RomImage& image, uint32_t firstWord)
{
    DecompressPlan plan = {};
    plan.Refused = CheckImage(image, firstWord);
    if (plan.Refused.Code != REFUSE_NONE) return plan;
    if (image.Kind != IMAGE_COMPRESSED)
    {
        plan.Refused.Code = REFUSE_ALREADY_DECOMPRESSED;
        return plan;
    }
    const uint32_t tableRecord = 2; // the file table's own record
    uint64_t end = 0;
    for (uint32_t i = 0; i < image.Files.size(); i++)
    {
        const FileRecord& r = image.Files[i];
        if (IsAbsentFile(r)) continue;
        bool inside = r.VromStart <= r.VromEnd;
        if (IsCompressedFile(r))
            inside = inside && i != tableRecord && r.RomStart <= r.RomEnd && r.RomEnd <= image.Size;
        else
            inside = inside && r.RomStart <= image.Size && FileVromSize(r) <= image.Size - r.RomStart;
        if (!inside)
        {
            plan.Refused.Code = REFUSE_DAMAGED_FILE;
            plan.Refused.A = i;
            plan.Refused.B = 0;
            return plan;
        }
        if (FileVromSize(r) > 0) plan.Order.push_back(i);
        if (r.VromEnd > end) end = r.VromEnd;
    }
    // The new image's file table is the table file itself: it must hold every record and the
    // closing one, where the image has them, or the new image would be no release.
    const FileRecord& table = image.Files[tableRecord];
    if (table.RomStart != table.VromStart || FileVromSize(table) < (image.Files.size() + 1) * FILE_RECORD_SIZE)
    {
        plan.Refused.Code = REFUSE_DAMAGED_FILE_TABLE;
        return plan;
    }
    std::stable_sort(plan.Order.begin(), plan.Order.end(), [&](uint32_t a, uint32_t b) {
        return image.Files[a].VromStart < image.Files[b].VromStart;
    });
    for (size_t k = 1; k < plan.Order.size(); k++)
        if (image.Files[plan.Order[k - 1]].VromEnd > image.Files[plan.Order[k]].VromStart)
        {
            plan.Refused.Code = REFUSE_FILES_OVERLAP;
            plan.Refused.A = plan.Order[k - 1];
            plan.Refused.B = plan.Order[k];
            return plan;
        }
    plan.OutSize = (end + DECOMPRESSED_ROUNDING - 1) & ~(DECOMPRESSED_ROUNDING - 1);
    if (plan.OutSize > DECOMPRESSED_MAX_SIZE)
    {
        plan.Refused.Code = REFUSE_TOO_LARGE;
        plan.Refused.A = plan.OutSize;
    }
    return plan;
}

// ---- Writing ----------------------------------------------------------------------------------
// The new image goes out in VROM order; the first bytes are kept for the checksums.
struct ImageWriter
{
    FILE*                Out;
    uint64_t             Pos;
    std::vector<uint8_t> Head; // the first CHECKSUM_TO bytes
    bool                 Ok;
};

static void Emit(ImageWriter* w, const uint8_t* bytes, uint64_t size)
{
    if (!w->Ok || size == 0) return;
    if (w->Pos < w->Head.size())
    {
        uint64_t n = std::min<uint64_t>(size, w->Head.size() - w->Pos);
        memcpy(&w->Head[(size_t)w->Pos], bytes, (size_t)n);
    }
    if (HelperStepFails(HELPER_STEP_WRITE_ROM, NULL) || fwrite(bytes, 1, (size_t)size, w->Out) != size) w->Ok = false;
    w->Pos += size;
}

static void EmitZeros(ImageWriter* w, uint64_t upTo)
{
    static const uint8_t zeros[COPY_BLOCK] = {};
    while (w->Ok && w->Pos < upTo) Emit(w, zeros, std::min<uint64_t>(upTo - w->Pos, COPY_BLOCK));
}

// One file's bytes as they will lie in the new image, or the decoder's complaint.
static Yaz0Result FileBytes(const ImageFile& in, const FileRecord& r, std::vector<uint8_t>& bytes,
                            std::vector<uint8_t>& stream, bool* readFailed)
{
    bytes.resize(FileVromSize(r));
    if (!IsCompressedFile(r))
    {
        *readFailed = !ReadImageBytes(in, r.RomStart, bytes.data(), bytes.size());
        return YAZ0_OK;
    }
    stream.resize(r.RomEnd - r.RomStart);
    if (!ReadImageBytes(in, r.RomStart, stream.data(), stream.size()))
    {
        *readFailed = true;
        return YAZ0_OK;
    }
    return DecodeYaz0(stream.data(), stream.size(), bytes.data(), (uint32_t)bytes.size());
}

// Every present record now says: uncompressed, at its VROM start.
static void RewriteFileTable(const RomImage& image, std::vector<uint8_t>& table)
{
    for (size_t i = 0; i < image.Files.size() && (i + 1) * FILE_RECORD_SIZE <= table.size(); i++)
    {
        const FileRecord& r = image.Files[i];
        if (IsAbsentFile(r)) continue;
        WriteWord(&table[i * FILE_RECORD_SIZE + 8], r.VromStart);
        WriteWord(&table[i * FILE_RECORD_SIZE + 12], 0);
    }
}

TransferFailure WriteDecompressedImage(const ImageFile& in, const RomImage& image, const DecompressPlan& plan,
                                       const char* outPath, Refusal* damaged)
{
    damaged->Code = REFUSE_NONE;
    std::string tempName;
    FILE* out = CreateTempFileFor(outPath, &tempName);
    if (!out) return TRANSFER_WRITE_IMAGE;
    ImageWriter w = { out, 0, std::vector<uint8_t>((size_t)std::min<uint64_t>(plan.OutSize, CHECKSUM_TO)), true };
    std::vector<uint8_t> bytes, stream;
    bool readFailed = false;
    for (uint32_t index : plan.Order)
    {
        const FileRecord& r = image.Files[index];
        Yaz0Result result = FileBytes(in, r, bytes, stream, &readFailed);
        if (readFailed) break;
        if (result != YAZ0_OK)
        {
            *damaged = plan.Refused;
            damaged->Code = REFUSE_DAMAGED_FILE;
            damaged->A = index;
            damaged->B = (uint64_t)result;
            break;
        }
        if (r.VromStart == image.Best->FileTableAt) RewriteFileTable(image, bytes);
        EmitZeros(&w, r.VromStart);
        Emit(&w, bytes.data(), bytes.size());
        if (!w.Ok) break;
    }
    bool whole = !readFailed && damaged->Code == REFUSE_NONE && w.Ok;
    if (whole) EmitZeros(&w, plan.OutSize);
    uint32_t crc1 = 0, crc2 = 0;
    if (whole && w.Ok && ComputeBootChecksums(w.Head.data(), w.Head.size(), &crc1, &crc2))
    {
        uint8_t words[8];
        WriteWord(words, crc1);
        WriteWord(words + 4, crc2);
        w.Ok = SeekTo(out, CHECKSUM_AT) && fwrite(words, 1, 8, out) == 8;
    }
    whole = whole && w.Ok && FlushToDisk(out);
    if (fclose(out) != 0) whole = false;
    if (whole && ReplaceByRename(tempName.c_str(), outPath)) return TRANSFER_OK;
    remove(tempName.c_str());
    if (readFailed) return TRANSFER_READ_ROM;
    return damaged->Code != REFUSE_NONE ? TRANSFER_OK : TRANSFER_WRITE_IMAGE;
}
