#!/usr/bin/env bash
# Sets up, builds and runs every test: first the whole suite built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzz target for a fixed number of
# inputs from a fixed seed, then the normal build, whose CTest summary ends the output.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
tools/setup.sh
jobs="$(nproc)"

echo "== sanitizer build (clang; address, undefined) =="
# clang's undefined-behaviour checks reach further than GCC's (enum loads, for one). A folder
# configured earlier with another compiler is made afresh.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:FILEPATH=.*clang++' build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELLORAN_SANITIZE=ON -DVELLORAN_BENCH=OFF > /dev/null
cmake --build build-asan -j"$jobs" > /dev/null
(cd build-asan && ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
   ctest --output-on-failure -j"$jobs" --timeout 900)

echo "== fuzz targets (clang, libFuzzer), fixed seed and number of inputs =="
FUZZ_BUILD_JOBS="$jobs" tools/fuzz.sh --fixed

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
cd build
ctest --output-on-failure -j"$jobs" --timeout 900
