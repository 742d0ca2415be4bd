#!/usr/bin/env bash
# Cross-builds every program for 64-bit Windows and packs dist/velloran-<version>-win64.zip:
# the programs, the DLLs of the libraries beside them (replaceable, as their licences ask), the
# project's licence and each library's licence text, and the README for Windows users.
#
#   tools/build-windows.sh
#
# The libraries come from tools/build-windows-deps.sh (built once, cached). The build folder
# is build-win/ (VELLORAN_WIN_BUILD overrides it); tools/test-windows.sh builds the tests there too.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
host=x86_64-w64-mingw32
jobs="${VELLORAN_WIN_JOBS:-2}"
cache="${VELLORAN_WIN_CACHE:-$top/build-win-deps}"
build="${VELLORAN_WIN_BUILD:-$top/build-win}"

tools/build-windows-deps.sh
cache="$(cd "$cache" && pwd)"
prefix="$cache/prefix"

echo "== configuring the Windows build in $build =="
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DVELLORAN_WIN_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release > /dev/null

# Every program of the project that this tree has.
programs=(velloran helper velloran-script)
targets=()
available="$(cmake --build "$build" --target help)"
for p in "${programs[@]}"; do
  grep -q -x "\.\.\. $p" <<< "$available" && targets+=("$p")
done
echo "== building ${targets[*]} =="
cmake --build "$build" -j"$jobs" --target "${targets[@]}" > /dev/null

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="velloran-$version-win64"
stage="$build/dist/$name"
rm -rf "$stage"
mkdir -p "$stage/licences"

for p in "${targets[@]}"; do
  exe="$(find "$build" -path "$build/dist" -prune -o -name "$p.exe" -print | grep -v '/tests/' | head -1)"
  "$host-strip" -o "$stage/$p.exe" "$exe"
done

# The DLLs the programs load, followed through the DLLs themselves; system DLLs are not ours.
dlls_of() { "$host-objdump" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }
queue=("$stage"/*.exe)
while [ ${#queue[@]} -gt 0 ]; do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  for dll in $(dlls_of "$file"); do
    [ -f "$prefix/bin/$dll" ] || continue
    [ -f "$stage/$dll" ] && continue
    "$host-strip" -o "$stage/$dll" "$prefix/bin/$dll"
    queue+=("$stage/$dll")
  done
done

# Licences: the project's own (MIT), and one folder per library, from its Debian source package.
mkdir -p "$stage/licences/velloran"
cp LICENSE "$stage/licences/velloran/LICENSE"
for lib in zlib libpng1.6 libsdl1.2 sdl-image1.2; do
  cp -r "$cache/licences/$lib" "$stage/licences/$lib"
done
# Text files as Windows editors expect them: CR LF.
sed 's/$/\r/' tools/windows/README-windows.txt > "$stage/README.txt"
find "$stage/licences" -type f -exec sed -i 's/\r*$/\r/' {} +

mkdir -p dist
rm -f "dist/$name.zip"
(cd "$build/dist" && zip -q -r -9 -X "$top/dist/$name.zip" "$name")
echo "== dist/$name.zip: $(stat -c %s "dist/$name.zip") bytes =="
(cd "$stage" && ls -1)
