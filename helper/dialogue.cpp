#include "dialogue.h"
#include "decompress.h"
#include "platform.h"
#include "rom_transfer.h"
#include <cctype>
#include <cstdlib>
#include <string>

// ---- How one run talks ------------------------------------------------------------------------
// The dialogue reads its answers from In, prints everything to Out and pauses before it ends.
// The command line has no In: it asks nothing, never pauses, and prints failures to Err.
struct Console
{
    FILE* In;                // NULL for the command line
    FILE* Out;
    FILE* Err;               // the dialogue's is Out
    bool  RestOfLinePending; // the line the last token came from still has unread characters
    bool  Ended;             // end of input seen
};

// ---- Console input ----------------------------------------------------------------------------
// Reads whitespace-delimited tokens of any length.
static bool ReadToken(Console* c, std::string* token)
{
    token->clear();
    int ch = EOF;
    if (!c->Ended)
        do ch = fgetc(c->In); while (ch != EOF && isspace(ch));
    while (ch != EOF && !isspace(ch))
    {
        token->push_back((char)ch);
        ch = fgetc(c->In);
    }
    // The character that ended the token is consumed, as a formatted read would leave it
    // pending only to skip it on the next read.
    if (ch == EOF) c->Ended = true;
    c->RestOfLinePending = ch != EOF && ch != '\n';
    return !token->empty();
}

static void DiscardRestOfLine(Console* c)
{
    if (!c->RestOfLinePending) return;
    int ch;
    do ch = fgetc(c->In); while (ch != EOF && ch != '\n');
    if (ch == EOF) c->Ended = true;
    c->RestOfLinePending = false;
}

static bool ReadWholeNumber(Console* c, int32_t* value)
{
    std::string token;
    return ReadToken(c, &token) && ParseWholeNumber(token.data(), token.size(), value);
}

// ---- Closing ----------------------------------------------------------------------------------
static int Finish(Console* c, int status)
{
    if (c->In) PauseConsole(c->In, c->Out, c->RestOfLinePending && !c->Ended);
    return status;
}

// Prints one line (on the error stream for a failure) and finishes with status.
static int Say(Console* c, const char* line, int status)
{
    FILE* to = status == STATUS_DONE ? c->Out : c->Err;
    fputs(line, to);
    fputc('\n', to);
    fflush(to);
    return Finish(c, status);
}


// ---- One opened image ------------------------------------------------------------------------
struct OpenImage
{
    FILE*       Rom;
    ImageFile   File;
    uint32_t    FirstWord;
    RomImage    Image;
    std::string Path;
};

static int SayRefusal(Console* c, const Refusal& refusal)
{
    char line[512];
    Refusal r = refusal;
    r.FromDialogue = c->In != NULL;
    DescribeRefusal(r, line, sizeof(line));
    return Say(c, line, STATUS_REFUSED);
}

// Closes the image and says why nothing was done.
static int Refused(Console* c, OpenImage* im, const Refusal& refusal)
{
    fclose(im->Rom);
    return SayRefusal(c, refusal);
}

// ---- Extraction -------------------------------------------------------------------------------
static int Extract(Console* c, OpenImage* im, const TransferRequest& request)
{
    ExtractPlan plan = PlanExtraction(im->Image, im->FirstWord, request.Text);
    if (plan.Refused.Code != REFUSE_NONE) return Refused(c, im, plan.Refused);

    FILE* oldTable = OpenFileRead(TABLE_FILE_NAME);
    FILE* oldData = OpenFileRead(DATA_FILE_NAME);
    bool exist = oldTable || oldData;
    if (oldTable) fclose(oldTable);
    if (oldData) fclose(oldData);
    if (exist && c->In)
    {
        fputs("Text data files exist... overwrite? ( 1 = Y; 2 = N): ", c->Out);
        fflush(c->Out);
        int32_t answer = 0;
        if (!ReadWholeNumber(c, &answer) || answer == 2)
        {
            fclose(im->Rom);
            return Say(c, "The files were not replaced.", STATUS_DECLINED);
        }
    }
    else if (exist && !request.Force)
    {
        fclose(im->Rom);
        return Say(c, "Text data files exist; the files were not replaced (--force replaces them).",
                   STATUS_DECLINED);
    }

    TransferFailure failure = ExtractMessageFiles(im->Rom, plan, TABLE_FILE_NAME, DATA_FILE_NAME);
    fclose(im->Rom); // only read from
    if (failure != TRANSFER_OK) return Say(c, TransferFailureText(failure), STATUS_IO_FAILURE);
    return Say(c, "The files were successfully extracted!", STATUS_DONE);
}

// ---- Checksums --------------------------------------------------------------------------------
// Our own computation, for when the checksum tool is missing or fails. The ROM image was
// closed for the tool, so it is opened again.
static int UpdateChecksums(Console* c, const std::string& romPath)
{
    FILE* rom = fopen(romPath.c_str(), "rb+");
    uint64_t romSize = 0;
    TransferFailure failure = TRANSFER_READ_ROM;
    if (rom && FileSizeOf(rom, &romSize)) failure = UpdateBootChecksums(rom, romSize);
    if (rom && fclose(rom) != 0 && failure == TRANSFER_OK) failure = TRANSFER_WRITE_ROM;
    const char* line = "Checksums updated by helper.";
    switch (failure)
    {
    case TRANSFER_OK: break;
    case TRANSFER_ROM_TOO_SHORT: line = "The checksums were not updated: the ROM image is too short."; break;
    case TRANSFER_NO_MEMORY:     line = "The checksums were not updated: out of memory."; break;
    case TRANSFER_WRITE_ROM:     line = "Writing the checksums failed; the ROM image's header may be partly changed."; break;
    default:                     line = "The checksums were not updated: reading the ROM image failed."; break;
    }
    return Say(c, line, failure == TRANSFER_OK ? STATUS_DONE : STATUS_IO_FAILURE);
}

// ---- Injection --------------------------------------------------------------------------------
static int Inject(Console* c, OpenImage* im, const TransferRequest& request)
{
    FILE* tableFile = OpenFileRead(TABLE_FILE_NAME);
    FILE* dataFile = OpenFileRead(DATA_FILE_NAME);
    uint64_t tableSize = 0, dataSize = 0;
    if (!tableFile || !dataFile || !FileSizeOf(tableFile, &tableSize) || !FileSizeOf(dataFile, &dataSize))
    {
        if (tableFile) fclose(tableFile);
        if (dataFile) fclose(dataFile);
        fclose(im->Rom);
        return Say(c, "Necessary files not found!", STATUS_FILES_MISSING);
    }

    // The table is read first (the plan checks its records); it is never larger than the text's
    // table in the image, which the plan checks before anything else is read.
    TransferFailure failure = TRANSFER_OK;
    std::vector<uint8_t> table;
    const TextPlace& text = im->Image.Texts[request.Text];
    bool tableFits = im->Image.Problem == RECOGNISED && text.State == TEXT_READY &&
                     tableSize == (uint64_t)text.Records * TABLE_RECORD_BYTES;
    if (tableFits)
    {
        table.resize((size_t)tableSize);
        failure = ReadMessageFile(tableFile, table.data(), tableSize, TRANSFER_READ_TABLE);
    }
    InjectPlan plan = {};
    if (failure == TRANSFER_OK)
        plan = PlanInjection(im->Image, im->FirstWord, request.Text, request.UseOtherLanguages,
                             tableFits ? table.data() : NULL, tableSize, dataSize);
    uint8_t* data = NULL;
    if (failure == TRANSFER_OK && plan.Refused.Code == REFUSE_NONE && plan.DataSize > 0)
    {
        // Read whole before the first write, so a read failure leaves the ROM as it was. The
        // plan bounds the data by the text's room.
        data = (uint8_t*)malloc((size_t)plan.DataSize);
        failure = data ? ReadMessageFile(dataFile, data, plan.DataSize, TRANSFER_READ_DATA) : TRANSFER_NO_MEMORY;
    }
    fclose(tableFile);
    fclose(dataFile);

    if (failure == TRANSFER_OK && plan.Refused.Code != REFUSE_NONE)
    {
        free(data);
        return Refused(c, im, plan.Refused);
    }
    if (failure == TRANSFER_OK) failure = InjectMessageFiles(im->Rom, plan, table.data(), data);
    free(data);
    if (fclose(im->Rom) != 0 && failure == TRANSFER_OK) failure = TRANSFER_WRITE_ROM;
    if (failure != TRANSFER_OK) return Say(c, TransferFailureText(failure), STATUS_IO_FAILURE);

    fputs("The files were successfully injected!\n", c->Out);
    if (plan.RunsOverOtherLanguages)
        fputs("The German and French texts are gone from this image: the English text now runs over them.\n", c->Out);
    fflush(c->Out); // the tool writes to the same console
    if (request.NoChecksum) return Finish(c, STATUS_DONE);
    // The ROM image is closed by now; the path goes to the tool as one argument, untouched.
    const char* argv[] = { "rn64crc.exe", im->Path.c_str(), "-u", NULL };
    if (RunProgram(argv)) return Finish(c, STATUS_DONE);
    return UpdateChecksums(c, im->Path);
}

// ---- Info -------------------------------------------------------------------------------------
static int Info(Console* c, OpenImage* im, const TransferRequest& request)
{
    Refusal r = CheckImage(im->Image, im->FirstWord);
    if (r.Code == REFUSE_NONE && request.TextChosen) r = CheckText(im->Image, request.Text);
    if (r.Code != REFUSE_NONE) return Refused(c, im, r);
    char md5[33];
    bool md5Read = ImageMd5(im->File, md5);
    fclose(im->Rom);
    if (!md5Read) return Say(c, TransferFailureText(TRANSFER_READ_ROM), STATUS_IO_FAILURE);
    char names[256];
    bool unmodified = false;
    ReleaseNames(im->Image, md5, names, sizeof(names), &unmodified);
    fprintf(c->Out, "release: %s\n", names);
    fprintf(c->Out, "image: %s\n", im->Image.Kind == IMAGE_COMPRESSED ? "compressed" : "decompressed");
    fprintf(c->Out, "md5: %s\n", unmodified ? "unmodified" : "modified");
    for (int k = 0; k < TEXT_KINDS; k++)
    {
        const TextPlace& t = im->Image.Texts[k];
        if (t.State == TEXT_ABSENT || (request.TextChosen && k != request.Text)) continue;
        if (t.State == TEXT_DAMAGED)
        {
            fprintf(c->Out, "text %s: damaged (its table or file record does not fit)\n", TextTag((TextKind)k));
            continue;
        }
        uint64_t used = RoundDataSize(t.DataSize);
        unsigned long long room = t.Room > used ? t.Room - used : 0;
        fprintf(c->Out, "text %s: %u messages, %u bytes, room %llu bytes\n", TextTag((TextKind)k), t.Records,
                t.DataSize, room);
    }
    fflush(c->Out);
    return Finish(c, STATUS_DONE);
}

// ---- Decompression ----------------------------------------------------------------------------
static int Decompress(Console* c, OpenImage* im, const TransferRequest& request)
{
    const char* outPath = request.OutPath ? request.OutPath : "";
    // Never over the image itself: the one given is only read, --force or not.
    if (IsSameFile(im->Rom, outPath))
    {
        fclose(im->Rom);
        return Say(c, "OUT is the ROM image itself; decompress writes a new image beside it and never changes "
                      "the one given; nothing was written.", STATUS_REFUSED);
    }
    DecompressPlan plan = PlanDecompression(im->Image, im->FirstWord);
    if (plan.Refused.Code != REFUSE_NONE) return Refused(c, im, plan.Refused);
    if (PathExists(outPath) && !request.Force)
    {
        fclose(im->Rom);
        std::string line = std::string(outPath) + " exists; it was kept (--force replaces it).";
        return Say(c, line.c_str(), STATUS_DECLINED);
    }
    Refusal damaged;
    TransferFailure failure = WriteDecompressedImage(im->File, im->Image, plan, outPath, &damaged);
    if (damaged.Code != REFUSE_NONE) return Refused(c, im, damaged);
    fclose(im->Rom);
    if (failure != TRANSFER_OK) return Say(c, TransferFailureText(failure), STATUS_IO_FAILURE);
    return Say(c, "The image was successfully decompressed!", STATUS_DONE);
}

// ---- Both ways in -----------------------------------------------------------------------------
// mode: 1 inject, 2 extract, anything else an invalid selection (only the dialogue has one);
// the command line's other verbs come with the request.
static int RunTransfer(Console* c, int32_t mode, const std::string& romPath, const TransferRequest& request)
{
    // Info and decompress only read the image; the transfer opens it for writing in both modes.
    bool readOnly = c->In == NULL && (request.Kind == COMMAND_INFO || request.Kind == COMMAND_DECOMPRESS);
    // A byte zero would cut the path short, so such a path counts as not openable.
    FILE* rom = romPath.find('\0') == std::string::npos ? fopen(romPath.c_str(), readOnly ? "rb" : "rb+") : NULL;
    if (!rom)
    {
        fwrite(romPath.data(), 1, romPath.size(), c->Err);
        fputs(" not found or inaccessible!\n", c->Err);
        fflush(c->Err);
        return Finish(c, STATUS_ROM_NOT_OPEN);
    }

    OpenImage im;
    im.Rom = rom;
    im.Path = romPath;
    uint64_t romSize = 0;
    if (!FileSizeOf(rom, &romSize)) romSize = 0; // not a regular file: no release
    im.File = ImageFile{ rom, romSize };
    if (mode != 1 && mode != 2 && !readOnly)
    {
        fclose(rom);
        return Say(c, "That is not a valid selection!", STATUS_DONE);
    }
    if (ReadFirstWord(rom, romSize, &im.FirstWord) != TRANSFER_OK)
    {
        fclose(rom);
        return Say(c, TransferFailureText(TRANSFER_READ_ROM), STATUS_IO_FAILURE);
    }
    // A swapped image is named as such without reading it any further.
    if (ByteOrderOf(im.FirstWord) == ROM_ORDER_BIG_ENDIAN) RecogniseImage(im.File, &im.Image);
    else im.Image.Problem = NOT_A_RELEASE;
    if (im.Image.Problem == IMAGE_UNREADABLE)
    {
        fclose(rom);
        return Say(c, TransferFailureText(TRANSFER_READ_ROM), STATUS_IO_FAILURE);
    }

    if (readOnly && request.Kind == COMMAND_INFO) return Info(c, &im, request);
    if (readOnly) return Decompress(c, &im, request);
    if (mode == 2) return Extract(c, &im, request);
    return Inject(c, &im, request);
}

// ---- Dialogue ---------------------------------------------------------------------------------
int RunHelperDialogue(FILE* in, FILE* out)
{
    Console c = { in, out, out, false, false };
    fputs(" 1 - Inject\n 2 - Extract\nMode: ", out);
    fflush(out);
    int32_t mode = 0;
    if (!ReadWholeNumber(&c, &mode))
    {
        mode = 0; // not a whole number: an invalid mode, and the rest of its line goes with it
        DiscardRestOfLine(&c);
    }

    fputs("ROM: ", out);
    fflush(out);
    std::string romPath;
    ReadToken(&c, &romPath);
    TransferRequest request = {};
    request.Kind = mode == 2 ? COMMAND_EXTRACT : COMMAND_INJECT;
    return RunTransfer(&c, mode, romPath, request);
}

// ---- Command line -----------------------------------------------------------------------------
int RunTransferRequest(const TransferRequest& request, FILE* out, FILE* err)
{
    Console c = { NULL, out, err, false, true };
    int32_t mode = request.Kind == COMMAND_INJECT ? 1 : request.Kind == COMMAND_EXTRACT ? 2 : 0;
    return RunTransfer(&c, mode, request.RomPath ? request.RomPath : "", request);
}
