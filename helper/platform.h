// The few things helper needs from the operating system, behind plain functions so the rest
// of the program is the same everywhere. No command interpreter is ever involved.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Makes the console speak UTF-8 for the run (Windows; the old code pages come back at exit), so a
// typed ROM path reaches fopen as the same UTF-8 the program's manifest asks the system to use.
// Nothing to do elsewhere.
void PrepareConsole();

// Prints a prompt and holds the console until Enter. When restOfLinePending is set, what is
// left of the line already typed is discarded first so it cannot end the wait. End of input
// ends the wait at once, so a scripted run never hangs.
void PauseConsole(FILE* in, FILE* out, bool restOfLinePending);

// Starts a program found on the search path with exactly these arguments (argv[0] included,
// null-terminated) and waits for it. True when it ran and ended with status 0; false when it
// could not be started, was killed or ended with another status.
bool RunProgram(const char* const* argv);

// One command line from argv, quoted so that the Microsoft C runtime's splitting (and
// CommandLineToArgvW) gives back exactly these arguments: blanks, tabs, embedded double
// quotes, backslashes before a quote or at the end, and empty arguments all survive.
std::string JoinWindowsCommandLine(const char* const* argv);

// Opens an existing regular file for reading, binary; NULL for anything else.
FILE* OpenFileRead(const char* name);

// Size of an open file; false when it is not a regular file or cannot be examined.
bool FileSizeOf(FILE* f, uint64_t* size);

// True when name exists (a file, a folder or anything else).
bool PathExists(const char* name);

// True when name is the very file that f has open (under this or another name).
bool IsSameFile(FILE* f, const char* name);

// Seeks to an absolute 64-bit position.
bool SeekTo(FILE* f, uint64_t pos);

// Creates a new, empty file in the same directory as finalName under a fresh name, open for
// writing, binary. The name is returned in tempName.
FILE* CreateTempFileFor(const char* finalName, std::string* tempName);

// Pushes a written file to the disk, so a rename that follows cannot expose an empty file
// after a crash.
bool FlushToDisk(FILE* f);

// Replaces finalName by tempName in one step.
bool ReplaceByRename(const char* tempName, const char* finalName);

// Gives an existing file a second name beside it (a hard link; a copy on Windows), so it can be
// put back after it was replaced. False when there is no such file or it cannot be made.
bool KeepSecondName(const char* name, std::string* secondName);

// Renames a second name made by KeepSecondName back over the file.
bool PutBack(const char* secondName, const char* name);

// ---- Fault injection for tests ----------------------------------------------------------------
enum HelperFileStep
{
    HELPER_STEP_CREATE,    // creating a temporary message file
    HELPER_STEP_WRITE,     // writing one block of a temporary message file
    HELPER_STEP_SYNC,      // flushing a temporary message file to the disk
    HELPER_STEP_RENAME,    // renaming a temporary message file into place
    HELPER_STEP_WRITE_ROM, // writing one piece of the ROM image
};

// When set, called before every step that writes; returning true makes that step fail.
// name is the file concerned (NULL for the ROM image).
extern bool (*HelperFaultHook)(HelperFileStep step, const char* name);

// Asks the hook about one step; true when the step is to fail.
bool HelperStepFails(HelperFileStep step, const char* name);
