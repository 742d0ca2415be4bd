#!/usr/bin/env bash
# Sets up, builds and starts the editor in the directory it was called from.
set -euo pipefail
here="$(pwd)"
top="$(cd "$(dirname "$0")/.." && pwd)"
(cd "$top" && tools/setup.sh && cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null \
  && cmake --build build -j"$(nproc)")
editor="$top/build/editor/shell/velloran"
if [ ! -x "$editor" ]; then
  echo "velloran: the editor window is not available yet in this build" >&2
  exit 1
fi
cd "$here"
exec "$editor"
