#include "command_line.h"
#include "velloran_version.h"
#include <cstring>

// ---- Parsing ----------------------------------------------------------------------------------
// An argument named in a problem, in quotes; control characters are shown as \xNN so the
// problem stays one line.
static std::string Quoted(const char* arg)
{
    std::string q = "'";
    for (const unsigned char* p = (const unsigned char*)arg; *p; p++)
    {
        if (*p >= 0x20 && *p != 0x7F) { q.push_back((char)*p); continue; }
        char hex[8];
        snprintf(hex, sizeof(hex), "\\x%02X", *p);
        q += hex;
    }
    return q + "'";
}

static CommandLine Malformed(const std::string& problem)
{
    CommandLine cl;
    cl.Action = ACTION_MALFORMED;
    cl.Request = TransferRequest{ COMMAND_EXTRACT, NULL, false, false };
    cl.Problem = problem;
    return cl;
}

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    bool help = false, version = false, force = false, noChecksum = false, optionsEnded = false;
    const char* operands[2] = { NULL, NULL };
    int operandCount = 0;
    std::string problem;
    for (int i = 1; i < argc; i++)
    {
        const char* arg = argv[i];
        if (!optionsEnded && strcmp(arg, "--") == 0) { optionsEnded = true; continue; }
        // A lone "-" is an operand (a file of that name), as is everything after "--".
        if (!optionsEnded && arg[0] == '-' && arg[1] != '\0')
        {
            if (strcmp(arg, "--help") == 0) help = true;
            else if (strcmp(arg, "--version") == 0) version = true;
            else if (strcmp(arg, "--force") == 0) force = true;
            else if (strcmp(arg, "--no-checksum") == 0) noChecksum = true;
            else if (problem.empty()) problem = "unknown option " + Quoted(arg);
            continue;
        }
        if (operandCount < 2) operands[operandCount] = arg;
        else if (problem.empty()) problem = "one ROM path only; " + Quoted(arg) + " is extra";
        operandCount++;
    }
    // Asking for help or the version is answered whatever else the line holds.
    CommandLine cl = Malformed("");
    if (help) { cl.Action = ACTION_HELP; return cl; }
    if (version) { cl.Action = ACTION_VERSION; return cl; }
    if (!problem.empty()) return Malformed(problem);
    if (operandCount == 0) return Malformed("no command given");
    bool extract = strcmp(operands[0], "extract") == 0;
    if (!extract && strcmp(operands[0], "inject") != 0)
        return Malformed("unknown command " + Quoted(operands[0]));
    if (operandCount < 2) return Malformed(std::string(operands[0]) + " needs the path of a ROM image");
    if (force && !extract) return Malformed("--force belongs to extract");
    if (noChecksum && extract) return Malformed("--no-checksum belongs to inject");
    cl.Action = ACTION_TRANSFER;
    cl.Request = TransferRequest{ extract ? COMMAND_EXTRACT : COMMAND_INJECT, operands[1], force, noChecksum };
    return cl;
}

// ---- Help -------------------------------------------------------------------------------------
// One screen: at most 24 lines of at most 80 columns.
static const char HELP_TEXT[] =
    "Usage: helper                      asks for the mode and the ROM path\n"
    "       helper extract ROM [--force]\n"
    "       helper inject ROM [--no-checksum]\n"
    "       helper --help | --version\n"
    "\n"
    "Moves the message files table and nes_message_data_static between the working\n"
    "directory and a ROM image of the game, changed in place: the game's decompressed\n"
    "big-endian image only (decompress a compressed one first with a tool made for\n"
    "that); byte-swapped images and images without the message table are refused.\n"
    "\n"
    "  extract ROM    copies both files out of ROM; --force replaces existing files\n"
    "  inject ROM     writes both files into ROM, patches its data end word and two\n"
    "                 code places, then updates the header checksums: rn64crc.exe\n"
    "                 from the search path first, helper's own computation when that\n"
    "                 tool is missing or fails; --no-checksum runs neither\n"
    "  --             ends the options (for a ROM path that starts with '-')\n"
    "\n"
    "Without arguments helper asks its questions and waits for Enter at the end. With\n"
    "them it asks nothing, does not wait, and prints failures on standard error.\n"
    "\n"
    "Exit status: 0 done; 1 ROM not openable; 2 existing message files kept;\n"
    "3 injection without both message files; 4 refused, nothing written (byte-swapped\n"
    "image, no message table, unfit ROM, wrong table size, data too large); 5 a read\n"
    "or write failed (also the checksums); 64 malformed command line. See helper(1).\n";

void PrintHelperHelp(FILE* out)
{
    fputs(HELP_TEXT, out);
}

// ---- Running ----------------------------------------------------------------------------------
int RunHelperCommandLine(int argc, const char* const* argv, FILE* out, FILE* err)
{
    CommandLine cl = ParseCommandLine(argc, argv);
    switch (cl.Action)
    {
    case ACTION_HELP:
        PrintHelperHelp(out);
        return STATUS_DONE;
    case ACTION_VERSION:
        fprintf(out, "helper %s\n", VELLORAN_VERSION);
        return STATUS_DONE;
    case ACTION_MALFORMED:
        fprintf(err, "helper: %s\n%s\n", cl.Problem.c_str(), HELPER_USAGE);
        return STATUS_USAGE;
    case ACTION_TRANSFER:
        break;
    }
    return RunTransferRequest(cl.Request, out, err);
}
