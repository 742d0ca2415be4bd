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
    cl.Request = TransferRequest{};
    cl.Problem = problem;
    return cl;
}

struct Verb
{
    const char* Name;
    CommandKind Kind;
    int         Operands;  // after the verb
    const char* Needs;     // what a missing operand is
};

static const Verb VERBS[] = {
    { "extract", COMMAND_EXTRACT, 1, "the path of a ROM image" },
    { "inject", COMMAND_INJECT, 1, "the path of a ROM image" },
    { "info", COMMAND_INFO, 1, "the path of a ROM image" },
    { "decompress", COMMAND_DECOMPRESS, 2, "the path of a ROM image and the path of the new image" },
};

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    bool help = false, version = false, force = false, noChecksum = false, optionsEnded = false;
    bool credits = false, otherLanguages = false;
    const char* language = NULL;
    const char* operands[4] = { NULL, NULL, NULL, NULL };
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
            else if (strcmp(arg, "--credits") == 0) credits = true;
            else if (strcmp(arg, "--use-other-languages") == 0) otherLanguages = true;
            else if (strncmp(arg, "--language=", 11) == 0) language = arg + 11;
            else if (strcmp(arg, "--language") == 0)
            {
                if (i + 1 < argc) language = argv[++i];
                else if (problem.empty()) problem = "--language needs de, fr or en";
            }
            else if (problem.empty()) problem = "unknown option " + Quoted(arg);
            continue;
        }
        if (operandCount < 4) operands[operandCount] = arg;
        operandCount++;
    }
    // Asking for help or the version is answered whatever else the line holds.
    CommandLine cl = Malformed("");
    if (help) { cl.Action = ACTION_HELP; return cl; }
    if (version) { cl.Action = ACTION_VERSION; return cl; }
    if (!problem.empty()) return Malformed(problem);
    if (operandCount == 0) return Malformed("no command given");
    const Verb* verb = NULL;
    for (const Verb& v : VERBS)
        if (strcmp(operands[0], v.Name) == 0) verb = &v;
    if (!verb) return Malformed("unknown command " + Quoted(operands[0]));
    if (operandCount - 1 < verb->Operands) return Malformed(std::string(verb->Name) + " needs " + verb->Needs);
    if (operandCount - 1 > verb->Operands)
        return Malformed(std::string(verb->Operands == 1 ? "one ROM path only; " : "two paths only; ") +
                         Quoted(operands[verb->Operands + 1]) + " is extra");
    CommandKind kind = verb->Kind;
    if (force && kind != COMMAND_EXTRACT && kind != COMMAND_DECOMPRESS)
        return Malformed("--force belongs to extract and decompress");
    if (noChecksum && kind != COMMAND_INJECT) return Malformed("--no-checksum belongs to inject");
    if (otherLanguages && kind != COMMAND_INJECT) return Malformed("--use-other-languages belongs to inject");
    if ((language || credits) && kind == COMMAND_DECOMPRESS)
        return Malformed("decompress takes neither --language nor --credits");
    TextKind text = TEXT_ENGLISH;
    if (language && strcmp(language, "de") == 0) text = TEXT_GERMAN;
    else if (language && strcmp(language, "fr") == 0) text = TEXT_FRENCH;
    else if (language && strcmp(language, "en") != 0)
        return Malformed("unknown language " + Quoted(language) + " (de, fr or en)");
    if (credits && language) return Malformed("--credits and --language name two texts; give one");
    if (credits) text = TEXT_CREDITS;
    if (otherLanguages && text != TEXT_ENGLISH) return Malformed("--use-other-languages is for the English text");
    cl.Action = ACTION_TRANSFER;
    cl.Request = TransferRequest{};
    cl.Request.Kind = kind;
    cl.Request.RomPath = operands[1];
    cl.Request.Force = force;
    cl.Request.NoChecksum = noChecksum;
    cl.Request.Text = text;
    cl.Request.TextChosen = language != NULL || credits;
    cl.Request.UseOtherLanguages = otherLanguages;
    cl.Request.OutPath = kind == COMMAND_DECOMPRESS ? operands[2] : NULL;
    return cl;
}

// ---- Help -------------------------------------------------------------------------------------
// One screen: at most 24 lines of at most 80 columns.
static const char HELP_TEXT[] =
    "Usage: helper                        asks for the mode and the ROM path\n"
    "       helper extract ROM [--force] [TEXT]\n"
    "       helper inject ROM [--no-checksum] [TEXT] [--use-other-languages]\n"
    "       helper info ROM [TEXT]   |   helper decompress ROM OUT [--force]\n"
    "TEXT is --language de|fr (the German or French text of a PAL release) or\n"
    "--credits; the English text by default. helper finds each text of the image\n"
    "through its file table, in any of 15 releases (see helper(1)).\n"
    "  extract     copies the text into table and nes_message_data_static here;\n"
    "              --force replaces existing files\n"
    "  inject      writes both files back into a decompressed image, never past the\n"
    "              text's room (up to the next file), then updates the checksums:\n"
    "              rn64crc.exe, else helper's own; --no-checksum runs neither.\n"
    "              --use-other-languages lets the English text run over the German\n"
    "              and French texts, which are then gone\n"
    "  info        the release, compressed or not, unmodified or not (MD5), and\n"
    "              each text's messages, bytes and room left to grow\n"
    "  decompress  writes OUT, the image as sold decompressed; ROM is not changed,\n"
    "              an existing OUT is kept without --force\n"
    "  --          ends the options (for a path that starts with '-')\n"
    "Without arguments helper asks its questions and waits for Enter at the end.\n"
    "Exit status: 0 done; 1 ROM not openable; 2 existing files kept; 3 injection\n"
    "without both message files; 4 refused, nothing written; 5 a read or write\n"
    "failed; 64 malformed command line.\n";

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
