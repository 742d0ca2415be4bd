// velloran-script: export, import and check of the whole message text.
#include "script.h"

int main(int argc, char** argv)
{
    return RunScriptProgram(argc, argv, stdin, stdout, stderr);
}
