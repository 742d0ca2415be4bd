// A Yaz0 encoder for tests and benchmarks: greedy, the longest match among recent positions
// with the same three bytes in the 4096-byte window. Runs become overlapping copies from one
// byte back, and matches of 18 bytes and more take the long form.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The whole stream, header included; the size must fit the header's 32-bit word.
std::vector<uint8_t> EncodeYaz0(const uint8_t* data, size_t size);
