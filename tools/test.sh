#!/usr/bin/env bash
# Sets up, builds and runs every test. CTest's summary is the last thing printed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
tools/setup.sh
jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$jobs"
cd build
ctest --output-on-failure -j"$jobs" --timeout 600
