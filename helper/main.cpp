// helper: extracts the two message files from a ROM image of the game, or injects them back.
#include "dialogue.h"
#include "platform.h"

int main()
{
    PrepareConsole();
    return RunHelperDialogue(stdin, stdout);
}
