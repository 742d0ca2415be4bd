// Shared pieces of the fuzz targets: the invariant check and a private working directory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Aborts with a message when an invariant does not hold, in every build type.
#define FUZZ_CHECK(condition, message)                                                         \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            fprintf(stderr, "invariant violated: %s (%s:%d)\n", message, __FILE__, __LINE__);  \
            abort();                                                                           \
        }                                                                                      \
    } while (0)

// A directory of this process, made on first use (in memory where possible) and removed at exit.
const std::string& FuzzDirectory();
// Removes every file in the directory.
void ClearFuzzDirectory();
void WriteFuzzFile(const std::string& path, const std::vector<uint8_t>& bytes);
// True when the directory holds nothing but table, nes_message_data_static and also and also2
// (when given).
bool OnlyMessageFilesIn(const std::string& dir, const char* also, const char* also2 = nullptr);
