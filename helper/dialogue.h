// The console dialogue of helper: mode, ROM path, the overwrite question, the closing message.
#pragma once
#include <cstdio>

// Exit statuses
const int STATUS_DONE         = 0; // extracted, injected, or the mode was neither 1 nor 2
const int STATUS_ROM_NOT_OPEN = 1; // the ROM image cannot be opened for reading and writing
const int STATUS_DECLINED     = 2; // the user kept the existing message files
const int STATUS_FILES_MISSING = 3; // injection without both message files
const int STATUS_REFUSED      = 4; // the inputs do not fit; nothing was written
const int STATUS_IO_FAILURE   = 5; // reading or writing failed during the transfer

// Runs the whole dialogue on the given console streams; returns the exit status.
int RunHelperDialogue(FILE* in, FILE* out);
