// helper: extracts the two message files from a ROM image of the game, or injects them back.
#include "dialogue.h"

int main()
{
    return RunHelperDialogue(stdin, stdout);
}
