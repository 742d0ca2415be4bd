#!/usr/bin/env bash
# Builds the web folder (tools/build-web.sh) and runs the browser tests on it: headless
# Chromium driven by Selenium, the page served from 127.0.0.1 by the test itself. The native
# helper and velloran-script (from build/) make the references the page is compared with.
#
#   tools/test-web.sh             the tests
#   tools/test-web.sh --measure   page load, frame time, a 64 MB ROM image, 32 MiB images as sold
#                                 decompressed, memory (no tests)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
tools/setup.sh chromium chromium-driver python3-selenium

tools/build-web.sh
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${VELLORAN_WEB_BUILD:-build-web}/CMakeCache.txt")"

echo "== native helper, velloran-script and the test image maker (build/) =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)" --target helper velloran-script make_test_rom > /dev/null

echo "== browser tests (headless Chromium) =="
# Debian's Python: python3-selenium is installed for it.
/usr/bin/python3 tests/web/test_page.py "dist/velloran-$version-web" build "$@"
