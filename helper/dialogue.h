// The two ways helper is driven: the console dialogue (mode, ROM path, the overwrite question,
// the closing message and the pause) and the command line for scripts (no questions, no pause).
// Both run the same checks and print the same messages with the same exit statuses.
#pragma once
#include "rom_image.h"
#include <cstdio>

// Exit statuses
const int STATUS_DONE         = 0; // extracted, injected, or the mode was neither 1 nor 2
const int STATUS_ROM_NOT_OPEN = 1; // the ROM image cannot be opened for reading and writing
const int STATUS_DECLINED     = 2; // the existing message files were kept
const int STATUS_FILES_MISSING = 3; // injection without both message files
const int STATUS_REFUSED      = 4; // the inputs do not fit (byte-swapped ROM too); nothing was written
const int STATUS_IO_FAILURE   = 5; // reading or writing failed during the transfer or the checksums
const int STATUS_USAGE        = 64; // malformed command line; nothing was done

// Runs the whole dialogue on the given console streams; returns the exit status.
int RunHelperDialogue(FILE* in, FILE* out);

// What one command line asks for, from ParseCommandLine (command_line.h).
enum CommandKind
{
    COMMAND_EXTRACT,
    COMMAND_INJECT,
    COMMAND_INFO,       // what the image is and the room of its texts; reads only
    COMMAND_DECOMPRESS, // a new, decompressed image from one as sold
};

struct TransferRequest
{
    CommandKind Kind;
    const char* RomPath;
    bool        Force;      // extract: replace existing message files; decompress: replace OUT
    bool        NoChecksum; // inject: neither the checksum tool nor our own computation runs
    TextKind    Text;       // --language de|fr, --credits; English by default
    bool        TextChosen; // info: only the chosen text
    bool        UseOtherLanguages; // inject English: may run over the German and French texts
    const char* OutPath;    // decompress
};

// Carries out one request without questions or pause: results go to out, failures to err.
int RunTransferRequest(const TransferRequest& request, FILE* out, FILE* err);
