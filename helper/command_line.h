// helper's command line for scripts: helper extract ROM [--force], helper inject ROM
// [--no-checksum] [--use-other-languages], helper info ROM, helper decompress ROM OUT [--force],
// each text chosen with --language de|fr or --credits; --help, --version. Options may stand
// anywhere before "--", which ends them.
#pragma once
#include "dialogue.h"
#include <cstdio>
#include <string>

enum CommandAction
{
    ACTION_MALFORMED,
    ACTION_HELP,
    ACTION_VERSION,
    ACTION_TRANSFER,
};

struct CommandLine
{
    CommandAction   Action;
    TransferRequest Request; // ACTION_TRANSFER
    std::string     Problem; // ACTION_MALFORMED: what is wrong, one line
};

const char* const HELPER_USAGE =
    "Usage: helper extract|inject|info ROM [options] | helper decompress ROM OUT [--force] | helper --help | helper --version";

// Parses argv[1..argc-1]; the strings stay owned by the caller.
CommandLine ParseCommandLine(int argc, const char* const* argv);

void PrintHelperHelp(FILE* out);

// The whole program when it has arguments; returns the exit status.
int RunHelperCommandLine(int argc, const char* const* argv, FILE* out, FILE* err);
