// The command line of velloran-script: export, import, check, --help, --version.
#include "script.h"
#include "file_layer.h"
#include "velloran_version.h"
#include <cstring>

const char* const DEFAULT_SCRIPT = "messages.txt";
const size_t NOTES_SHOWN = 20;

static const char* const HELP_TEXT =
    "Usage: velloran-script export|import|check [--force] [--strict] [FILE]\n"
    "Turns the message files table and nes_message_data_static of the current\n"
    "directory into one readable UTF-8 script, and back.\n"
    "\n"
    "  export [FILE]  write the script (default messages.txt, - for standard\n"
    "                 output); an existing FILE is replaced only with --force\n"
    "  import [FILE]  read a script (default messages.txt, - for standard input)\n"
    "                 and write both message files, all or nothing\n"
    "  check [FILE]   report lines too wide or below the box, colours outside\n"
    "                 0x40-0x47, icons outside the strip and messages too long for\n"
    "                 the game's buffer, of the script FILE or of the message\n"
    "                 files; --strict also reports bytes the editor does not\n"
    "                 know and sound IDs outside the sound table\n"
    "  --help, --version\n"
    "\n"
    "Exit status:\n"
    "  0  done; check found nothing\n"
    "  1  check found something, or the script has errors (listed as\n"
    "     FILE:LINE:COLUMN: ...); nothing is written\n"
    "  2  the message files are missing or damaged, a file cannot be read or\n"
    "     written, or the export file exists; nothing is written\n"
    " 64  the command line is wrong\n"
    "See velloran-script(1) for the script's format.\n";

struct ScriptCommandLine
{
    std::string Command;
    std::string File;
    bool HaveFile = false;
    bool Force = false;
    bool Strict = false;
};

static std::string InDirectory(const char* directory, const std::string& file)
{
    if (file.empty() || file[0] == '/' || strcmp(directory, ".") == 0) return file;
#ifdef _WIN32
    if (file.size() > 1 && file[1] == ':') return file;
#endif
    return std::string(directory) + "/" + file;
}

// ---- Message files -----------------------------------------------------------------------------
static bool LoadPair(MessageStore& store, const char* directory, FILE* err)
{
    LoadOutcome outcome = LoadExistingMessageFiles(store, directory);
    if (outcome == LOAD_OK) return true;
    const char* why = outcome == LOAD_MISSING ? "are missing here (extract them with helper first)"
                      : outcome == LOAD_UNREADABLE ? "cannot be read"
                                                   : "are damaged (text offsets out of order or outside the data, or a table that is not whole entries); nothing is written";
    fprintf(err, "velloran-script: the message files %s and %s %s\n", TABLE_FILE_NAME, DATA_FILE_NAME, why);
    return false;
}

static bool ReadScript(const ScriptCommandLine& cl, const char* directory, FILE* in, FILE* err,
                       std::vector<uint8_t>& text, std::string& name)
{
    name = cl.HaveFile ? cl.File : DEFAULT_SCRIPT;
    if (name == "-")
    {
        uint8_t chunk[16384];
        size_t got;
        while ((got = fread(chunk, 1, sizeof(chunk), in)) > 0) text.insert(text.end(), chunk, chunk + got);
        name = "<stdin>";
        return true;
    }
    ReadResult r = ReadWholeFile(InDirectory(directory, name), text);
    if (r == READ_OK) return true;
    fprintf(err, "velloran-script: cannot read %s: %s\n", name.c_str(), r == READ_MISSING ? "no such file" : "read error");
    return false;
}

// ---- Commands ----------------------------------------------------------------------------------
static int Export(const ScriptCommandLine& cl, const char* directory, FILE* out, FILE* err)
{
    MessageStore store;
    if (!LoadPair(store, directory, err)) return SCRIPT_EXIT_FILES;
    std::string name = cl.HaveFile ? cl.File : DEFAULT_SCRIPT;
    std::string path = InDirectory(directory, name);
    if (name != "-" && !cl.Force)
    {
        std::vector<uint8_t> existing;
        if (ReadWholeFile(path, existing) != READ_MISSING)
        {
            fprintf(err, "velloran-script: %s exists; give --force to replace it\n", name.c_str());
            return SCRIPT_EXIT_FILES;
        }
    }
    std::string script;
    std::vector<std::string> notes;
    ExportScript(store, script, notes);
    for (size_t i = 0; i < notes.size() && i < NOTES_SHOWN; i++)
        fprintf(err, "velloran-script: import will normalise: %s\n", notes[i].c_str());
    if (notes.size() > NOTES_SHOWN)
        fprintf(err, "velloran-script: import will normalise %zu more places\n", notes.size() - NOTES_SHOWN);
    if (name == "-")
    {
        bool ok = fwrite(script.data(), 1, script.size(), out) == script.size() && fflush(out) == 0;
        if (!ok) fprintf(err, "velloran-script: cannot write to standard output\n");
        return ok ? SCRIPT_EXIT_OK : SCRIPT_EXIT_FILES;
    }
    FileToWrite file = { path, (const uint8_t*)script.data(), (uint32_t)script.size() };
    return ReplaceFiles(&file, 1) ? SCRIPT_EXIT_OK : SCRIPT_EXIT_FILES;
}

// Reads and parses the script and takes the pair it gives into store. SCRIPT_EXIT_OK, or the
// status to end with after the errors were printed.
static int TakeScript(const ScriptCommandLine& cl, const char* directory, FILE* in, FILE* err,
                      MessageStore& store, ScriptPair& pair, std::string& name)
{
    std::vector<uint8_t> text;
    if (!ReadScript(cl, directory, in, err, text, name)) return SCRIPT_EXIT_FILES;
    ParseScript(text.data(), text.size(), name, pair);
    if (!pair.Errors.empty())
    {
        for (const std::string& e : pair.Errors) fprintf(err, "%s\n", e.c_str());
        fprintf(err, "velloran-script: %s has errors\n", name.c_str());
        return SCRIPT_EXIT_FOUND;
    }
    if (!TakeMessagePair(store, pair.Table.data(), (uint32_t)pair.Table.size(), pair.Data.data(), (uint32_t)pair.Data.size()))
    {
        fprintf(err, "velloran-script: %s does not give a pair the editor can load\n", name.c_str());
        return SCRIPT_EXIT_FOUND;
    }
    return SCRIPT_EXIT_OK;
}

static int Import(const ScriptCommandLine& cl, const char* directory, FILE* in, FILE* out, FILE* err)
{
    // The files to be replaced must be there and sound: the same refusal as the other commands.
    MessageStore old;
    if (!LoadPair(old, directory, err)) return SCRIPT_EXIT_FILES;
    MessageStore store;
    store.Directory = directory;
    ScriptPair pair;
    std::string name;
    int status = TakeScript(cl, directory, in, err, store, pair, name);
    if (status != SCRIPT_EXIT_OK)
    {
        if (status == SCRIPT_EXIT_FOUND)
            fprintf(err, "velloran-script: the message files are unchanged\n");
        return status;
    }
    uint32_t oldEntries = old.MessageTableSize / ENTRY_SIZE, newEntries = store.MessageTableSize / ENTRY_SIZE;
    if (oldEntries != newEntries)
        fprintf(err, "velloran-script: note: the script has %u entries, the table it replaces had %u "
                     "(helper injects only tables of %u entries)\n", newEntries, oldEntries, TABLE_FILE_ENTRIES);
    if (!SaveMessageFiles(store)) return SCRIPT_EXIT_FILES;
    fprintf(out, "velloran-script: %u messages imported from %s\n", newEntries, name.c_str());
    return SCRIPT_EXIT_OK;
}

static int Check(const ScriptCommandLine& cl, const char* directory, FILE* in, FILE* out, FILE* err)
{
    MessageStore store;
    std::vector<std::string> prefixes;
    if (cl.HaveFile)
    {
        ScriptPair pair;
        std::string name;
        int status = TakeScript(cl, directory, in, err, store, pair, name);
        if (status != SCRIPT_EXIT_OK) return status;
        prefixes.reserve(pair.HeaderLines.size());
        for (uint32_t line : pair.HeaderLines) prefixes.push_back(name + ":" + std::to_string(line) + ": ");
    }
    else if (!LoadPair(store, directory, err))
        return SCRIPT_EXIT_FILES;
    std::string report;
    uint32_t found = CheckMessages(store, cl.Strict, report, cl.HaveFile ? &prefixes : nullptr);
    fwrite(report.data(), 1, report.size(), out);
    fflush(out);
    return found ? SCRIPT_EXIT_FOUND : SCRIPT_EXIT_OK;
}

// ---- RunScriptProgram --------------------------------------------------------------------------
int RunScriptProgram(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err, const char* directory)
{
    ScriptCommandLine cl;
    bool help = false, version = false;
    for (int i = 1; i < argc; i++)
    {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") help = true;
        else if (a == "--version") version = true;
        else if (a == "--force") cl.Force = true;
        else if (a == "--strict") cl.Strict = true;
        else if (a.size() > 1 && a[0] == '-')
        {
            fprintf(err, "velloran-script: unknown option %s (see velloran-script --help)\n", a.c_str());
            return SCRIPT_EXIT_USAGE;
        }
        else if (cl.Command.empty()) cl.Command = a;
        else if (!cl.HaveFile)
        {
            cl.File = a;
            cl.HaveFile = true;
        }
        else
        {
            fprintf(err, "velloran-script: one FILE only (see velloran-script --help)\n");
            return SCRIPT_EXIT_USAGE;
        }
    }
    if (help)
    {
        fputs(HELP_TEXT, out);
        return SCRIPT_EXIT_OK;
    }
    if (version)
    {
        fprintf(out, "velloran-script %s\n", VELLORAN_VERSION);
        return SCRIPT_EXIT_OK;
    }
    if (cl.Command == "export") return Export(cl, directory, out, err);
    if (cl.Command == "import") return Import(cl, directory, in, out, err);
    if (cl.Command == "check") return Check(cl, directory, in, out, err);
    if (cl.Command.empty())
        fprintf(err, "velloran-script: a command is needed: export, import or check (see velloran-script --help)\n");
    else
        fprintf(err, "velloran-script: unknown command %s (see velloran-script --help)\n", cl.Command.c_str());
    return SCRIPT_EXIT_USAGE;
}
