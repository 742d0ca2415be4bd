// velloran: loads the message files of the working directory, runs the editor window and writes
// the files back when the user quits.
#include "shell.h"
#include <cstdlib>

const uint32_t FRAME_DELAY_MS = 45;

int main(int, char**)
{
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
