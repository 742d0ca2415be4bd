// velloran: loads the message files of the working directory, runs the editor window and writes
// the files back when the user quits.
#include "shell.h"
#include "velloran_version.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

const uint32_t FRAME_DELAY_MS = 45;
const int EXIT_USAGE = 64; // a malformed command line, as for helper

// ---- Command line ----
// Looked at before anything else: --help and --version must neither open a window nor load
// (and so possibly create) the message files.
static const char HELP_TEXT[] =
    "Usage: velloran [--help | --version]\n"
    "\n"
    "Edits the message texts of the game in a window that shows each message box as\n"
    "the game draws it: type text, insert special characters and colours, add and\n"
    "delete boxes, set box type, position, icon and sound, search the texts.\n"
    "\n"
    "Files: table and nes_message_data_static in the current directory (extract them\n"
    "from a ROM image with helper first), written back by Ctrl+S and when the program\n"
    "ends. Without them a message says so, and no file is left behind.\n"
    "\n"
    "Keys: characters, Return (line break), Backspace, Delete, Left, Right, Home and\n"
    "End; drag to select. Ctrl+Z undo, Ctrl+Y redo, Ctrl+S save now, Ctrl+G go to an\n"
    "ID, Ctrl+J go to the message the box goes on with. A code is one step for the\n"
    "cursor and is deleted whole; the line under the box names the one at the cursor.\n"
    "Messages: the arrows at mid height, Page Up/Down; boxes: the markers below\n"
    "and above the box, Ctrl+Page Up/Down. Box, Text and Search open the side panels.\n"
    "Escape, Quit or closing the window save both files and end.\n"
    "\n"
    "Exit status: 0 saved and ended; 1 the window could not be opened or a save\n"
    "failed (the files stay as they were); 64 a wrong command line.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "      --version  show the version and exit\n";

enum CommandLineAction { RUN_EDITOR, SHOW_HELP, SHOW_VERSION, BAD_COMMAND_LINE };

static CommandLineAction ParseCommandLine(int argc, char** argv, const char** offending)
{
    CommandLineAction action = RUN_EDITOR;
    for (int i = 1; i < argc; i++)
    {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)
            action = SHOW_HELP;
        else if (strcmp(argv[i], "--version") == 0)
        {
            if (action != SHOW_HELP) action = SHOW_VERSION;
        }
        else
        {
            *offending = argv[i];
            return BAD_COMMAND_LINE;
        }
    }
    return action;
}

int main(int argc, char** argv)
{
    const char* offending = "";
    switch (ParseCommandLine(argc, argv, &offending))
    {
    case SHOW_HELP: fputs(HELP_TEXT, stdout); return 0;
    case SHOW_VERSION: fputs("velloran " VELLORAN_VERSION "\n", stdout); return 0;
    case BAD_COMMAND_LINE:
        fprintf(stderr, "velloran: unknown argument \"%s\" (velloran --help lists the options)\n",
                offending);
        return EXIT_USAGE;
    case RUN_EDITOR: break;
    }

    // Large (the store's buffers): one for the whole run.
    static Editor editor;
    LoadMessageFiles(editor.Store, ".");
    atexit(SDL_Quit);
    if (!StartEditor(editor))
    {
        // Nothing was edited: a placeholder pair created at start is removed again.
        ReleaseEditor(editor);
        return 1;
    }
    while (RunFrame(editor)) SDL_Delay(FRAME_DELAY_MS);
    return ShutdownEditor(editor);
}
