#include "dialogue.h"
#include "platform.h"
#include "rom_transfer.h"
#include <cctype>
#include <cstdlib>
#include <string>

// ---- Console input ----------------------------------------------------------------------------
// Reads whitespace-delimited tokens of any length and remembers whether the line the last
// token came from still has unread characters (the pause discards them).
struct ConsoleInput
{
    FILE* In;
    bool  RestOfLinePending;
    bool  Ended;
};

static bool ReadToken(ConsoleInput* ci, std::string* token)
{
    token->clear();
    int c = EOF;
    if (!ci->Ended)
        do c = fgetc(ci->In); while (c != EOF && isspace(c));
    while (c != EOF && !isspace(c))
    {
        token->push_back((char)c);
        c = fgetc(ci->In);
    }
    // The character that ended the token is consumed, as a formatted read would leave it
    // pending only to skip it on the next read.
    if (c == EOF) ci->Ended = true;
    ci->RestOfLinePending = c != EOF && c != '\n';
    return !token->empty();
}

static void DiscardRestOfLine(ConsoleInput* ci)
{
    if (!ci->RestOfLinePending) return;
    int c;
    do c = fgetc(ci->In); while (c != EOF && c != '\n');
    if (c == EOF) ci->Ended = true;
    ci->RestOfLinePending = false;
}

static bool ReadWholeNumber(ConsoleInput* ci, int32_t* value)
{
    std::string token;
    return ReadToken(ci, &token) && ParseWholeNumber(token.data(), token.size(), value);
}

// ---- Closing ----------------------------------------------------------------------------------
static int Finish(ConsoleInput* ci, FILE* out, int status)
{
    PauseConsole(ci->In, out, ci->RestOfLinePending && !ci->Ended);
    return status;
}

static int Say(ConsoleInput* ci, FILE* out, const char* line, int status)
{
    fputs(line, out);
    fputc('\n', out);
    return Finish(ci, out, status);
}

// ---- Extraction -------------------------------------------------------------------------------
static int Extract(ConsoleInput* ci, FILE* out, FILE* rom, uint64_t romSize, RomWords words)
{
    ExtractPlan plan = PlanExtraction(romSize, words);
    if (plan.Refused.Code != REFUSE_NONE)
    {
        char line[256];
        DescribeRefusal(plan.Refused, line, sizeof(line));
        fclose(rom);
        return Say(ci, out, line, STATUS_REFUSED);
    }

    FILE* oldTable = OpenFileRead(TABLE_FILE_NAME);
    FILE* oldData = OpenFileRead(DATA_FILE_NAME);
    bool exist = oldTable || oldData;
    if (oldTable) fclose(oldTable);
    if (oldData) fclose(oldData);
    if (exist)
    {
        fputs("Text data files exist... overwrite? ( 1 = Y; 2 = N): ", out);
        fflush(out);
        int32_t answer = 0;
        if (!ReadWholeNumber(ci, &answer) || answer == 2)
        {
            fclose(rom);
            return Say(ci, out, "The files were not replaced.", STATUS_DECLINED);
        }
    }

    TransferFailure failure = ExtractMessageFiles(rom, plan, TABLE_FILE_NAME, DATA_FILE_NAME);
    fclose(rom); // only read from
    if (failure != TRANSFER_OK) return Say(ci, out, TransferFailureText(failure), STATUS_IO_FAILURE);
    return Say(ci, out, "The files were successfully extracted!", STATUS_DONE);
}

// ---- Injection --------------------------------------------------------------------------------
static int Inject(ConsoleInput* ci, FILE* out, FILE* rom, uint64_t romSize, RomWords words,
                  const std::string& romPath)
{
    FILE* tableFile = OpenFileRead(TABLE_FILE_NAME);
    FILE* dataFile = OpenFileRead(DATA_FILE_NAME);
    uint64_t tableSize = 0, dataSize = 0;
    if (!tableFile || !dataFile || !FileSizeOf(tableFile, &tableSize) || !FileSizeOf(dataFile, &dataSize))
    {
        if (tableFile) fclose(tableFile);
        if (dataFile) fclose(dataFile);
        fclose(rom);
        return Say(ci, out, "Necessary files not found!", STATUS_FILES_MISSING);
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
        char line[256];
        DescribeRefusal(plan.Refused, line, sizeof(line));
        fclose(rom);
        return Say(ci, out, line, STATUS_REFUSED);
    }
    if (failure == TRANSFER_OK) failure = InjectMessageFiles(rom, plan, table, data);
    free(data);
    if (fclose(rom) != 0 && failure == TRANSFER_OK) failure = TRANSFER_WRITE_ROM;
    if (failure != TRANSFER_OK) return Say(ci, out, TransferFailureText(failure), STATUS_IO_FAILURE);

    fputs("The files were successfully injected!\n", out);
    fflush(out); // the tool writes to the same console
    // The ROM image is closed by now; the path goes to the tool as one argument, untouched.
    const char* argv[] = { "rn64crc.exe", romPath.c_str(), "-u", NULL };
    RunProgram(argv);
    return Finish(ci, out, STATUS_DONE);
}

// ---- Dialogue ---------------------------------------------------------------------------------
int RunHelperDialogue(FILE* in, FILE* out)
{
    ConsoleInput ci = { in, false, false };
    fputs(" 1 - Inject\n 2 - Extract\nMode: ", out);
    fflush(out);
    int32_t mode = 0;
    if (!ReadWholeNumber(&ci, &mode))
    {
        mode = 0; // not a whole number: an invalid mode, and the rest of its line goes with it
        DiscardRestOfLine(&ci);
    }

    fputs("ROM: ", out);
    fflush(out);
    std::string romPath;
    ReadToken(&ci, &romPath);

    // A byte zero would cut the path short, so such a path counts as not openable.
    FILE* rom = romPath.find('\0') == std::string::npos ? fopen(romPath.c_str(), "rb+") : NULL;
    if (!rom)
    {
        fwrite(romPath.data(), 1, romPath.size(), out);
        fputs(" not found or inaccessible!\n", out);
        return Finish(&ci, out, STATUS_ROM_NOT_OPEN);
    }

    uint64_t romSize = 0;
    if (!FileSizeOf(rom, &romSize)) romSize = 0; // not a regular file: refused as too short
    RomWords words;
    if (ReadRomWords(rom, romSize, &words) != TRANSFER_OK)
    {
        fclose(rom);
        return Say(&ci, out, TransferFailureText(TRANSFER_READ_ROM), STATUS_IO_FAILURE);
    }

    if (mode == 2) return Extract(&ci, out, rom, romSize, words);
    if (mode == 1) return Inject(&ci, out, rom, romSize, words, romPath);
    fclose(rom);
    return Say(&ci, out, "That is not a valid selection!", STATUS_DONE);
}
