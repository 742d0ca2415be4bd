// Small pieces of file and process plumbing shared by the tests that run programs or look at
// what a save left in a directory (apart from testdata.h, whose Bytes() helper would clash
// with the Bytes type those tests use).
#pragma once
#include <string>
#include <vector>

// Names in a directory other than . and .., sorted.
std::vector<std::string> DirectoryNames(const std::string& dir);

#ifndef _WIN32
// Everything a pipe or file descriptor gives until its end; the descriptor is closed.
std::string DrainDescriptor(int fd);
#endif
