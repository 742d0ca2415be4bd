#!/usr/bin/env bash
# Builds the Windows zip and the GoogleTest suites with MinGW-w64 and runs them under Wine with
# SDL's dummy video driver; then starts the zipped programs once from an unpacked copy.
#
#   tools/test-windows.sh
#
# Wine's settings live in build-win/wine (created quietly on first use; no display needed).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
jobs="${VELLORAN_WIN_JOBS:-2}"
build="${VELLORAN_WIN_BUILD:-$top/build-win}"
export VELLORAN_WIN_BUILD="$build"

tools/build-windows.sh
cache="$(cd "${VELLORAN_WIN_CACHE:-$top/build-win-deps}" && pwd)"

echo "== building the Windows test suites =="
cmake --build "$build" -j"$jobs" > /dev/null

# ---- Wine: its own prefix, quiet, never a dialog --------------------------------------------
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver="$(command -v wineserver)"
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko
export DISPLAY= SDL_VIDEODRIVER=dummy VELLORAN_NO_MESSAGE_BOX=1
# A UTF-8 locale, so that file names that are not ASCII exist on the Linux side too.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix =="
  "$wine" wineboot -i > /dev/null 2>&1 || true
  "$wineserver" -w
fi
export WINEPATH="$("$wine" winepath -w "$cache/prefix/bin" 2> /dev/null)"
trap '"$wineserver" -k > /dev/null 2>&1 || true' EXIT

echo "== the suites under Wine =="
(cd "$build" && ctest --output-on-failure -j"$jobs" --timeout 600)

# ---- The zip as a user gets it: unpacked elsewhere, only its own DLLs ------------------------
echo "== the zipped programs start =="
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"; "$wineserver" -k > /dev/null 2>&1 || true' EXIT
(cd "$unpacked" && unzip -q "$top/dist/velloran-$version-win64.zip")
folder="$unpacked/velloran-$version-win64"
# The project's licence beside the libraries' (CR LF, as every text file of the zip).
if ! sed 's/\r$//' "$folder/licences/velloran/LICENSE" 2> /dev/null | cmp -s - LICENSE; then
  echo "test-windows: the zip lacks licences/velloran/LICENSE or it differs from LICENSE" >&2
  exit 1
fi
work="$unpacked/work"
mkdir -p "$work"
unset WINEPATH
status=0
(cd "$work" && printf '9\nmissing.z64\n' | "$wine" "$folder/helper.exe" > out.txt 2>&1) || status=$?
if [ "$status" -ne 1 ] || ! grep -q "missing.z64 not found or inaccessible!" "$work/out.txt"; then
  echo "test-windows: the zipped helper.exe did not run as expected (status $status):" >&2
  cat "$work/out.txt" >&2
  exit 1
fi
if [ -f "$folder/velloran-script.exe" ]; then
  out="$(cd "$work" && "$wine" "$folder/velloran-script.exe" --version 2>&1)" || {
    echo "test-windows: the zipped velloran-script.exe failed: $out" >&2; exit 1; }
  grep -q "^velloran-script $version" <<< "$out" || {
    echo "test-windows: velloran-script.exe --version said: $out" >&2; exit 1; }
fi
# The editor runs until it is ended: running for three seconds means every DLL was found.
status=0
(cd "$work" && timeout 3 "$wine" "$folder/velloran.exe" > out.txt 2>&1) || status=$?
if [ "$status" -ne 124 ]; then
  echo "test-windows: the zipped velloran.exe ended at once (status $status):" >&2
  cat "$work/out.txt" >&2
  exit 1
fi
echo "== Windows: all passed =="
