// velloran-script: export, import and check of the whole message text.
#include "script.h"
#include "file_layer.h"

int main(int argc, char** argv)
{
    FileLayerProgramName = "velloran-script"; // its failed saves carry its own name
    return RunScriptProgram(argc, argv, stdin, stdout, stderr);
}
