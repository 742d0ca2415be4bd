#include "dialogue.h"
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

static int SayRefusal(Console* c, const Refusal& refusal)
{
    char line[256];
    DescribeRefusal(refusal, line, sizeof(line));
    return Say(c, line, STATUS_REFUSED);
}

// ---- Extraction -------------------------------------------------------------------------------
static int Extract(Console* c, FILE* rom, uint64_t romSize, RomWords words, bool force)
{
    ExtractPlan plan = PlanExtraction(romSize, words);
    if (plan.Refused.Code != REFUSE_NONE)
    {
        fclose(rom);
        return SayRefusal(c, plan.Refused);
    }

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
            fclose(rom);
            return Say(c, "The files were not replaced.", STATUS_DECLINED);
        }
    }
    else if (exist && !force)
    {
        fclose(rom);
        return Say(c, "Text data files exist; the files were not replaced (--force replaces them).",
                   STATUS_DECLINED);
    }

    TransferFailure failure = ExtractMessageFiles(rom, plan, TABLE_FILE_NAME, DATA_FILE_NAME);
    fclose(rom); // only read from
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
static int Inject(Console* c, FILE* rom, uint64_t romSize, RomWords words,
                  const std::string& romPath, bool noChecksum)
{
    FILE* tableFile = OpenFileRead(TABLE_FILE_NAME);
    FILE* dataFile = OpenFileRead(DATA_FILE_NAME);
    uint64_t tableSize = 0, dataSize = 0;
    if (!tableFile || !dataFile || !FileSizeOf(tableFile, &tableSize) || !FileSizeOf(dataFile, &dataSize))
    {
        if (tableFile) fclose(tableFile);
        if (dataFile) fclose(dataFile);
        fclose(rom);
        return Say(c, "Necessary files not found!", STATUS_FILES_MISSING);
    }

    InjectPlan plan = PlanInjection(romSize, words, tableSize, dataSize);
    TransferFailure failure = TRANSFER_OK;
    static uint8_t table[TABLE_SIZE];
    uint8_t* data = NULL;
    if (plan.Refused.Code == REFUSE_NONE)
    {
        // Both files are read whole before the first write, so a read failure leaves the ROM
        // as it was. The plan bounds the data to a little over 2 MiB.
        failure = ReadMessageFile(tableFile, table, TABLE_SIZE, TRANSFER_READ_TABLE);
        if (failure == TRANSFER_OK && plan.DataSize > 0)
        {
            data = (uint8_t*)malloc((size_t)plan.DataSize);
            failure = data ? ReadMessageFile(dataFile, data, plan.DataSize, TRANSFER_READ_DATA)
                           : TRANSFER_NO_MEMORY;
        }
    }
    fclose(tableFile);
    fclose(dataFile);

    if (plan.Refused.Code != REFUSE_NONE)
    {
        fclose(rom);
        return SayRefusal(c, plan.Refused);
    }
    if (failure == TRANSFER_OK) failure = InjectMessageFiles(rom, plan, table, data);
    free(data);
    if (fclose(rom) != 0 && failure == TRANSFER_OK) failure = TRANSFER_WRITE_ROM;
    if (failure != TRANSFER_OK) return Say(c, TransferFailureText(failure), STATUS_IO_FAILURE);

    fputs("The files were successfully injected!\n", c->Out);
    fflush(c->Out); // the tool writes to the same console
    if (noChecksum) return Finish(c, STATUS_DONE);
    // The ROM image is closed by now; the path goes to the tool as one argument, untouched.
    const char* argv[] = { "rn64crc.exe", romPath.c_str(), "-u", NULL };
    if (RunProgram(argv)) return Finish(c, STATUS_DONE);
    return UpdateChecksums(c, romPath);
}

// ---- Both ways in -----------------------------------------------------------------------------
// mode: 1 inject, 2 extract, anything else an invalid selection (only the dialogue has one).
static int RunTransfer(Console* c, int32_t mode, const std::string& romPath, bool force, bool noChecksum)
{
    // A byte zero would cut the path short, so such a path counts as not openable.
    FILE* rom = romPath.find('\0') == std::string::npos ? fopen(romPath.c_str(), "rb+") : NULL;
    if (!rom)
    {
        fwrite(romPath.data(), 1, romPath.size(), c->Err);
        fputs(" not found or inaccessible!\n", c->Err);
        fflush(c->Err);
        return Finish(c, STATUS_ROM_NOT_OPEN);
    }

    uint64_t romSize = 0;
    if (!FileSizeOf(rom, &romSize)) romSize = 0; // not a regular file: refused as too short
    RomWords words;
    if (ReadRomWords(rom, romSize, &words) != TRANSFER_OK)
    {
        fclose(rom);
        return Say(c, TransferFailureText(TRANSFER_READ_ROM), STATUS_IO_FAILURE);
    }

    if (mode == 2) return Extract(c, rom, romSize, words, force);
    if (mode == 1) return Inject(c, rom, romSize, words, romPath, noChecksum);
    fclose(rom);
    return Say(c, "That is not a valid selection!", STATUS_DONE);
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
    return RunTransfer(&c, mode, romPath, false, false);
}

// ---- Command line -----------------------------------------------------------------------------
int RunTransferRequest(const TransferRequest& request, FILE* out, FILE* err)
{
    Console c = { NULL, out, err, false, true };
    int32_t mode = request.Kind == COMMAND_INJECT ? 1 : 2;
    return RunTransfer(&c, mode, request.RomPath ? request.RomPath : "", request.Force, request.NoChecksum);
}
