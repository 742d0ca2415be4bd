// Pieces shared by the fault tests: fast scratch directories, file snapshots, and a child
// process that is killed at a chosen moment.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include "test_io.h"

using Bytes8 = std::vector<uint8_t>;

// A fresh directory in memory (/dev/shm) where there is one, else under $TMPDIR or /tmp, so
// that hundreds of saves with their syncs stay cheap.
std::string MakeFastTempDir();

// True when root: permissions do not stop root from creating files.
bool RunningAsRoot();

#ifndef _WIN32 // no fork on Windows: the killed-process tests are left out there
// Runs work in a child process; the child calls ready() once it is about to do the part that
// may be cut short. The child is killed delayMicros after ready(), or runs to its end; with
// LET_IT_FINISH it is never killed. Returns true when the child was killed before it finished.
const uint32_t LET_IT_FINISH = 0xFFFFFFFF;
bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, uint32_t delayMicros);

// Microseconds of the monotonic clock.
uint64_t NowMicros();
#endif
