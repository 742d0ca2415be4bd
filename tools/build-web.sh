#!/usr/bin/env bash
# Builds the editor for the browser with Debian's Emscripten and makes
# dist/velloran-<version>-web/ (the page, velloran.js and velloran.wasm, the icon, a short
# README and the licences) and dist/velloran-<version>-web.zip. Nothing is downloaded: Debian's
# emscripten package carries its system libraries prebuilt.
#
#   tools/build-web.sh                      (VELLORAN_WEB_BUILD overrides the folder build-web/)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
build="${VELLORAN_WEB_BUILD:-$top/build-web}"

# ---- Packages (only those missing) ----
tools/setup.sh emscripten zip
# Emscripten's tools are Node programs that load Debian's Node modules; a Node from elsewhere
# on the search path finds them only through NODE_PATH.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

echo "== configuring the web build in $build =="
emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release > /dev/null
echo "== building velloran.js and velloran.wasm =="
cmake --build "$build" -j"${VELLORAN_WEB_JOBS:-2}" --target velloran > /dev/null

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="velloran-$version-web"
stage="dist/$name"
rm -rf "$stage"
mkdir -p "$stage/licences"
cp "$build/web/index.html" "$build/web/page.js" "$build/web/velloran.js" "$build/web/velloran.wasm" "$stage/"
cp editor/assets/icons/velloran-32.png "$stage/favicon.png"
cp web/README-web.txt "$stage/README.txt"
# Ours when the project carries its licence; Emscripten's runtime, C and C++ libraries and
# stb_image are linked into velloran.js and velloran.wasm, all under the terms in its copyright.
[ -f LICENSE ] && cp LICENSE "$stage/licences/LICENSE"
cp /usr/share/doc/emscripten/copyright "$stage/licences/emscripten.txt"

rm -f "dist/$name.zip"
(cd dist && zip -q -r -9 -X "$name.zip" "$name")
echo "== $stage: $(du -sk "$stage" | cut -f1) KB; dist/$name.zip: $(stat -c %s "dist/$name.zip") bytes =="
(cd "$stage" && ls -1)
