// The editor in a web page: the program's entry, the frame loop the browser drives, and the few
// functions the page calls to hand files in and out. Everything works on Emscripten's in-memory
// file system with the programs' own code: helper's transfer and decompression (web_helper.cpp),
// velloran-script's export, import and check, the store's load and safe save. The page
// (index.html) does the browser's part: reading the user's files, downloads, keeping the work in
// the browser's storage.
#include "shell.h"
#include "web_helper.h"
#include "file_layer.h"
#include "script.h"
#include "testdata.h"
#include "encoding.h"
#include <emscripten.h>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#define WEB_EXPORT extern "C" EMSCRIPTEN_KEEPALIVE

// ---- Folders of the in-memory file system ----
// The page writes what the user opens into INCOMING_DIR; an accepted ROM image moves to ROM_DIR
// (one at a time); the message files and the script live in WORK_DIR, the working directory.
const char* const WORK_DIR = "/work";
const char* const ROM_DIR = "/rom";
const char* const OUT_DIR = "/out";
const char* const INCOMING_DIR = "/incoming";
const char* const SCRIPT_NAME = "messages.txt";
const uint32_t TRY_SEED = 1;
const size_t SCRIPT_ERRORS_SHOWN = 5;

// Outcomes for the page (the programs' exit statuses where one of them ran).
const int WEB_OK = 0;
const int WEB_NOTHING_OPEN = 6;

// ---- Placeholder while nothing is open ----
static const uint8_t OPEN_SOMETHING_DATA[] = {
    'O','p','e','n',' ','a',' ','R','O','M',' ','i','m','a','g','e',' ',
    CC_COLOR, COLOR_RED, '.','z','6','4', CC_COLOR, COLOR_WHITE, ',',
    CC_LINE_BREAK,
    't','h','e',' ','t','w','o',' ','m','e','s','s','a','g','e',' ','f','i','l','e','s',
    CC_LINE_BREAK,
    'o','r',' ','a',' ','s','c','r','i','p','t',';',' ',
    CC_COLOR, COLOR_YELLOW, 'T','r','y',' ','i','t', CC_COLOR, COLOR_WHITE,
    ' ','f','o','r',' ','a',' ','s','a','m','p','l','e','.',
    CC_END,
};

// Large (the store's buffers): one for the page's lifetime.
static Editor TheEditor;
static std::string Message;  // what the last call has to say, for the page's status line
static std::string RomName;  // the ROM image opened, in ROM_DIR ("" when none)
static RomFacts Rom;         // what it holds
static int RomText = WEB_TEXT_ENGLISH; // the text the message files were extracted from and go back to
static std::string OutName;  // the patched image last written into OUT_DIR

// ---- The editor around a newly opened pair ----
// Holds the placeholder (in memory, never written) unless sound files are in WORK_DIR.
static void ReopenEditor(Editor& editor)
{
    MessageStore& store = editor.Store;
    CloseMessageStore(store);
    std::vector<uint8_t> table, data;
    if (ReadWholeFile(TABLE_FILE_NAME, table) == READ_OK && ReadWholeFile(DATA_FILE_NAME, data) == READ_OK)
        LoadMessageFiles(store, ".");
    else
    {
        TakeMessagePair(store, DEFAULT_TABLE, sizeof(DEFAULT_TABLE), OPEN_SOMETHING_DATA,
                        sizeof(OPEN_SOMETHING_DATA));
        store.Source = SOURCE_ONE_MISSING; // a placeholder held in memory is never written
    }
    ResetSearch(editor.Search);
    ResetHistory(editor.History, store);
    editor.Render.PendingIcon = NO_ICON;
    editor.Render.SelectionState = SELECT_IDLE;
    editor.Render.Selection = TextSelection();
    editor.Shell.IconScroll = 0;
    editor.Shell.FirstFrame = true;
    editor.Shell.GoToOpen = false;
    editor.Shell.StatusText[0] = 0;
}

static bool FilesOpen(const Editor& editor) { return editor.Store.Source == SOURCE_FILES; }

// Commits the box being edited and writes both files, as Ctrl+S does (the box reloads).
static bool CommitAndSave(Editor& editor)
{
    MessageStore& store = editor.Store;
    if (!FilesOpen(editor)) return false;
    if (RefreshBox(store, true))
    {
        editor.Render.ShownIcon = store.LoadedIcon;
        editor.Shell.IconScroll = IconScrollFor(store.LoadedIcon);
    }
    NoteChanges(editor.History, store);
    if (!SaveMessageFiles(store))
    {
        Message = std::string("The message files could not be saved: ") + LastFileFailure();
        return false;
    }
    MarkSaved(editor.History);
    return true;
}

static bool IsFileName(const char* name) { return strcmp(name, ".") != 0 && strcmp(name, "..") != 0; }

static void RemoveFolderFiles(const char* folder)
{
    DIR* dir = opendir(folder);
    if (!dir) return;
    while (dirent* entry = readdir(dir))
        if (IsFileName(entry->d_name)) RemoveFile(std::string(folder) + "/" + entry->d_name);
    closedir(dir);
}

static std::string KeptRomPath() { return std::string(ROM_DIR) + "/" + RomName; }

// ---- The frame ----
static void Frame()
{
    Editor& editor = TheEditor;
    if (RunFrame(editor)) return;
    // Escape, Quit or the window closing end the desktop program after writing both files; the
    // page writes them the same way and goes on with the same pair.
    if (FilesOpen(editor)) SaveNow(editor);
    editor.Store.ReloadPending = 1;
}

int main()
{
    // Emscripten starts with a umask of 0777, which would give every new file no permissions.
    umask(022);
    mkdir(WORK_DIR, 0755);
    mkdir(ROM_DIR, 0755);
    mkdir(OUT_DIR, 0755);
    mkdir(INCOMING_DIR, 0755);
    if (chdir(WORK_DIR) != 0) return 1;
    FileLayerProgramName = "velloran";
    // A ROM image kept from an earlier visit was put back into ROM_DIR by the page.
    if (DIR* dir = opendir(ROM_DIR))
    {
        while (dirent* entry = readdir(dir))
            if (IsFileName(entry->d_name)) RomName = entry->d_name;
        closedir(dir);
    }
    if (!RomName.empty()) Rom = LookAtRom(KeptRomPath());
    ReopenEditor(TheEditor);
    if (!StartEditor(TheEditor)) return 1;
    TheEditor.Shell.FinalFrameDelay = 0;
    // 0: the browser's own pace (one frame per display refresh); the frame yields every time.
    emscripten_set_main_loop(Frame, 0, 0);
    return 0;
}

// ---- For the page ----
WEB_EXPORT const char* WebMessage() { return Message.c_str(); }
WEB_EXPORT const char* WebRomName() { return RomName.c_str(); }
WEB_EXPORT int WebFilesOpen() { return FilesOpen(TheEditor) ? 1 : 0; }
// Bit k: the open ROM image holds text k (English, German, French, the credits) ready to extract.
WEB_EXPORT int WebRomTexts() { return RomName.empty() ? 0 : (int)Rom.Texts; }
WEB_EXPORT int WebRomText() { return RomText; }
WEB_EXPORT int WebRomCompressed() { return !RomName.empty() && Rom.Compressed ? 1 : 0; }
WEB_EXPORT const char* WebOutputName() { return OutName.c_str(); }
// The size of the patched image WebInjectRom writes (0 unknown), so the page can give its file
// all of its storage at once.
WEB_EXPORT double WebPatchedRomSize() { return RomName.empty() ? 0 : (double)Rom.PatchedSize; }

// A ROM image in INCOMING_DIR: helper extracts its English message files into the working
// directory (its own checks and messages); the editor then opens them and the image is kept.
WEB_EXPORT int WebOpenRom(const char* name)
{
    std::string incoming = std::string(INCOMING_DIR) + "/" + name;
    int status = ExtractText(incoming, WEB_TEXT_ENGLISH, &Message);
    if (status != WEB_HELPER_DONE)
    {
        RemoveFile(incoming);
        return status;
    }
    RemoveFolderFiles(ROM_DIR);
    RomName = name;
    RomText = WEB_TEXT_ENGLISH;
    if (rename(incoming.c_str(), KeptRomPath().c_str()) != 0)
    {
        RomName.clear();
        Message = "The ROM image could not be kept";
        return WEB_HELPER_IO_FAILURE;
    }
    Rom = LookAtRom(KeptRomPath());
    if (!Rom.Said.empty()) Message += "\n" + Rom.Said;
    ReopenEditor(TheEditor);
    return WEB_OK;
}

// Another text of the open ROM image replaces the message files (helper's extraction); the
// patched image then takes it back.
WEB_EXPORT int WebChooseText(int text)
{
    if (RomName.empty())
    {
        Message = "No ROM image is open: open one first";
        return WEB_NOTHING_OPEN;
    }
    if (text < 0 || text >= WEB_TEXT_KINDS) text = WEB_TEXT_ENGLISH;
    int status = ExtractText(KeptRomPath(), text, &Message);
    if (status != WEB_HELPER_DONE) return status;
    RomText = text;
    ReopenEditor(TheEditor);
    return WEB_OK;
}

// The message files kept in the browser's storage are this text of the kept image (the page
// keeps the choice with them); a text the image does not hold leaves English. Returns the text.
WEB_EXPORT int WebUseText(int text)
{
    if (text >= 0 && text < WEB_TEXT_KINDS && (WebRomTexts() >> text & 1)) RomText = text;
    return RomText;
}

// Both message files in INCOMING_DIR: taken when they load as the editor would load them.
WEB_EXPORT int WebOpenFiles()
{
    MessageStore pair;
    LoadOutcome outcome = LoadExistingMessageFiles(pair, INCOMING_DIR);
    RemoveFolderFiles(INCOMING_DIR);
    if (outcome != LOAD_OK)
    {
        Message = outcome == LOAD_MISSING  ? "Both message files are needed: table and nes_message_data_static"
                : outcome == LOAD_DAMAGED  ? "The message files are damaged; nothing was opened"
                                           : "The message files could not be read";
        return SCRIPT_EXIT_FILES;
    }
    pair.Directory = ".";
    if (!SaveMessageFiles(pair))
    {
        Message = std::string("The message files could not be saved: ") + LastFileFailure();
        return SCRIPT_EXIT_FILES;
    }
    ReopenEditor(TheEditor);
    Message = "Opened table and nes_message_data_static";
    return WEB_OK;
}

// A script in INCOMING_DIR, read as velloran-script import reads it (all or nothing).
WEB_EXPORT int WebOpenScript(const char* name)
{
    std::string path = std::string(INCOMING_DIR) + "/" + name;
    std::vector<uint8_t> text;
    ReadResult read = ReadWholeFile(path, text);
    RemoveFile(path);
    if (read != READ_OK)
    {
        Message = std::string("velloran-script: cannot read ") + name;
        return SCRIPT_EXIT_FILES;
    }
    ScriptPair parsed;
    ParseScript(text.data(), text.size(), name, parsed);
    MessageStore pair;
    pair.Directory = ".";
    if (!parsed.Errors.empty())
    {
        Message.clear();
        for (size_t i = 0; i < parsed.Errors.size() && i < SCRIPT_ERRORS_SHOWN; i++) Message += parsed.Errors[i] + "\n";
        Message += std::string("velloran-script: ") + name + " has errors";
        return SCRIPT_EXIT_FOUND;
    }
    if (!TakeMessagePair(pair, parsed.Table.data(), (uint32_t)parsed.Table.size(), parsed.Data.data(),
                         (uint32_t)parsed.Data.size()))
    {
        Message = std::string("velloran-script: ") + name + " does not give a pair the editor can load";
        return SCRIPT_EXIT_FOUND;
    }
    if (!SaveMessageFiles(pair))
    {
        Message = std::string("The message files could not be saved: ") + LastFileFailure();
        return SCRIPT_EXIT_FILES;
    }
    ReopenEditor(TheEditor);
    Message = "velloran-script: " + std::to_string(pair.MessageTableSize / ENTRY_SIZE) + " messages imported from " + name;
    return WEB_OK;
}

// The tests' generated game-like text in English (our own words), for trying the editor without
// a ROM. It is made to fit the boxes, so a first check finds nothing.
WEB_EXPORT int WebTry()
{
    std::vector<uint8_t> table, data;
    GenerateGameLikePair(TRY_SEED, GAME_ENGLISH, table, data);
    FileToWrite files[2] = {
        { DATA_FILE_NAME, data.data(), (uint32_t)data.size() },
        { TABLE_FILE_NAME, table.data(), (uint32_t)table.size() },
    };
    if (!ReplaceFiles(files, 2))
    {
        Message = std::string("The sample could not be written: ") + LastFileFailure();
        return SCRIPT_EXIT_FILES;
    }
    ReopenEditor(TheEditor);
    Message = "A generated sample pair is open";
    return WEB_OK;
}

// Forgets the message files and the ROM image; the placeholder comes back.
WEB_EXPORT int WebClose()
{
    RemoveFile(TABLE_FILE_NAME);
    RemoveFile(DATA_FILE_NAME);
    RemoveFile(SCRIPT_NAME);
    RemoveFolderFiles(ROM_DIR);
    RemoveFolderFiles(OUT_DIR);
    RomName.clear();
    Rom = RomFacts();
    RomText = WEB_TEXT_ENGLISH;
    ReopenEditor(TheEditor);
    Message = "Closed";
    return WEB_OK;
}

// Commits and writes both files into the working directory (for the downloads and the
// browser's storage).
WEB_EXPORT int WebSaveFiles()
{
    if (!FilesOpen(TheEditor))
    {
        Message = "No message files are open";
        return WEB_NOTHING_OPEN;
    }
    if (!CommitAndSave(TheEditor)) return SCRIPT_EXIT_FILES;
    Message = "Saved";
    return WEB_OK;
}

WEB_EXPORT int WebHasUnsavedChanges() { return HasUnsavedChanges(TheEditor.History) ? 1 : 0; }

// velloran-script export of the saved pair into SCRIPT_NAME.
WEB_EXPORT int WebExportScript()
{
    int saved = WebSaveFiles();
    if (saved != WEB_OK) return saved;
    const char* argv[] = { "velloran-script", "export", "--force", SCRIPT_NAME };
    Capture out, err;
    OpenCapture(out);
    OpenCapture(err);
    int status = RunScriptProgram(4, argv, stdin, out.Stream, err.Stream, ".");
    CloseCapture(out); // export to a file prints nothing there
    std::string failed = CloseCapture(err);
    // Export's notes (what import will normalise) follow the outcome.
    Message = status == SCRIPT_EXIT_OK ? std::string("Exported ") + SCRIPT_NAME + (failed.empty() ? "" : "\n" + failed) : failed;
    return status;
}

// helper inject of the chosen text, checksums included, into a copy of the opened ROM image
// (OUT_DIR/<its name>), or into its decompressed form when it is as sold
// (OUT_DIR/<its name without extension>-decompressed.z64). The page takes the file away at once;
// a refusal leaves nothing there to download.
WEB_EXPORT int WebInjectRom()
{
    if (RomName.empty())
    {
        Message = "No ROM image is open: open one first";
        return WEB_NOTHING_OPEN;
    }
    int saved = WebSaveFiles();
    if (saved != WEB_OK) return saved;
    RemoveFolderFiles(OUT_DIR); // the image is large: never two of them
    OutName = PatchedRomName(RomName, Rom.Compressed);
    int status = WritePatchedRom(KeptRomPath(), Rom.Compressed, RomText, std::string(OUT_DIR) + "/" + OutName, &Message);
    if (status != WEB_HELPER_DONE) OutName.clear();
    return status;
}

// velloran-script check of the saved pair; the findings, one a line, are the message.
WEB_EXPORT int WebCheck()
{
    int saved = WebSaveFiles();
    if (saved != WEB_OK) return saved;
    const char* argv[] = { "velloran-script", "check" };
    Capture out, err;
    OpenCapture(out);
    OpenCapture(err);
    int status = RunScriptProgram(2, argv, stdin, out.Stream, err.Stream, ".");
    std::string said = CloseCapture(out), failed = CloseCapture(err);
    Message = failed.empty() ? said : failed;
    return status;
}

// Goes to box (counted from 1) of the first message with the ID, as a finding names them.
WEB_EXPORT int WebGoTo(uint32_t id, uint32_t box)
{
    MessageStore& store = TheEditor.Store;
    for (uint32_t pos = 0; pos + ENTRY_SIZE <= store.MessageTableSize; pos += ENTRY_SIZE)
    {
        if (EntryMessageId(&store.MessageTable[pos]) != id) continue;
        SelectEntry(store, pos);
        store.CurrentBox = box > 0 ? box - 1 : 0; // the reload keeps it within the message
        return WEB_OK;
    }
    return WEB_NOTHING_OPEN;
}
