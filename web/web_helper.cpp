#include "web_helper.h"
#include "decompress.h"
#include "dialogue.h"
#include "platform.h"
#include <cstdlib>
#include <vector>

static_assert(WEB_HELPER_DONE == STATUS_DONE && WEB_HELPER_IO_FAILURE == STATUS_IO_FAILURE, "helper's statuses");
static_assert(WEB_TEXT_ENGLISH == TEXT_ENGLISH && WEB_TEXT_KINDS == TEXT_KINDS, "helper's texts");

const size_t COPY_BLOCK_SIZE = 1024 * 1024;
static const char* const TEXT_LABELS[TEXT_KINDS] = { "English", "German", "French", "credits" };

// ---- Streams the programs print to ----
void OpenCapture(Capture& c) { c.Stream = open_memstream(&c.Text, &c.Size); }

std::string CloseCapture(Capture& c)
{
    if (c.Stream) fclose(c.Stream);
    std::string text = c.Text ? std::string(c.Text, c.Size) : std::string();
    free(c.Text);
    c = Capture();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// ---- What an image holds ----
RomFacts LookAtRom(const std::string& path)
{
    RomFacts facts;
    FILE* f = fopen(path.c_str(), "rb");
    uint64_t size = 0;
    if (!f) return facts;
    RomImage image;
    image.Problem = IMAGE_UNREADABLE;
    uint32_t firstWord = 0;
    if (FileSizeOf(f, &size) && ReadFirstWord(f, size, &firstWord) == TRANSFER_OK)
        RecogniseImage(ImageFile{ f, size }, &image);
    fclose(f);
    if (image.Problem != RECOGNISED) return facts;
    facts.Compressed = image.Kind == IMAGE_COMPRESSED;
    facts.PatchedSize = size;
    if (facts.Compressed)
    {
        DecompressPlan plan = PlanDecompression(image, firstWord);
        facts.PatchedSize = plan.Refused.Code == REFUSE_NONE ? plan.OutSize : 0;
    }
    char names[256];
    bool unmodified = false;
    ReleaseNames(image, NULL, names, sizeof(names), &unmodified); // no MD5: not worth reading it all
    facts.Said = std::string(names) + (facts.Compressed ? ", compressed (as sold)" : ", decompressed") + "; texts:";
    for (int k = 0; k < TEXT_KINDS; k++)
    {
        if (image.Texts[k].State != TEXT_READY) continue;
        facts.Texts |= 1u << k;
        facts.Said += std::string(facts.Texts == 1u << k ? " " : ", ") + TEXT_LABELS[k];
    }
    if (!facts.Texts) facts.Said += " none";
    return facts;
}

// ---- helper's transfer ----
// One request as the command line would make it; helper's output becomes *said (its success
// lines, or what it printed on standard error).
static int RunRequest(CommandKind kind, const std::string& rom, int text, const char* outPath, std::string* said)
{
    TransferRequest request = {};
    request.Kind = kind;
    request.RomPath = rom.c_str();
    request.Force = kind == COMMAND_EXTRACT || kind == COMMAND_DECOMPRESS;
    request.Text = (TextKind)text;
    request.OutPath = outPath;
    Capture out, err;
    OpenCapture(out);
    OpenCapture(err);
    int status = RunTransferRequest(request, out.Stream, err.Stream);
    std::string printed = CloseCapture(out), failed = CloseCapture(err);
    *said = status == STATUS_DONE ? printed : failed;
    return status;
}

int ExtractText(const std::string& rom, int text, std::string* said)
{
    return RunRequest(COMMAND_EXTRACT, rom, text, NULL, said);
}

// A plain copy in blocks (the target is a scratch file; the image may be large).
static bool CopyFile(const std::string& from, const std::string& to)
{
    FILE* in = fopen(from.c_str(), "rb");
    if (!in) return false;
    FILE* out = fopen(to.c_str(), "wb");
    if (!out)
    {
        fclose(in);
        return false;
    }
    std::vector<uint8_t> block(COPY_BLOCK_SIZE);
    bool ok = true;
    size_t got;
    while (ok && (got = fread(block.data(), 1, block.size(), in)) > 0) ok = fwrite(block.data(), 1, got, out) == got;
    ok = ok && !ferror(in);
    fclose(in);
    return fclose(out) == 0 && ok;
}

int WritePatchedRom(const std::string& rom, bool compressed, int text, const std::string& outPath,
                    std::string* said)
{
    std::string before;
    if (compressed)
    {
        int status = RunRequest(COMMAND_DECOMPRESS, rom, TEXT_ENGLISH, outPath.c_str(), said);
        if (status != STATUS_DONE) return status; // decompress leaves nothing behind
        before = *said + "\n";
    }
    else if (!CopyFile(rom, outPath))
    {
        remove(outPath.c_str());
        *said = "The ROM image could not be copied for the injection";
        return STATUS_IO_FAILURE;
    }
    int status = RunRequest(COMMAND_INJECT, outPath, text, NULL, said);
    if (status != STATUS_DONE) remove(outPath.c_str());
    else *said = before + *said;
    return status;
}

std::string PatchedRomName(const std::string& romName, bool compressed)
{
    if (!compressed) return romName;
    size_t dot = romName.rfind('.');
    return (dot == std::string::npos || dot == 0 ? romName : romName.substr(0, dot)) + "-decompressed.z64";
}
