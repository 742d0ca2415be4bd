// helper: extracts the two message files from a ROM image of the game, or injects them back.
// Without arguments it holds its console dialogue; with them it is the command line for scripts.
#include "command_line.h"
#include "dialogue.h"
#include "platform.h"

int main(int argc, char** argv)
{
    PrepareConsole();
    if (argc <= 1) return RunHelperDialogue(stdin, stdout);
    return RunHelperCommandLine(argc, argv, stdout, stderr);
}
