#!/usr/bin/env bash
# Makes the Debian package: a Release build of the programs alone (no tests, no benchmarks) with
# Debian's hardening flags in build-package/, CPack, and the package moved to
# dist/velloran_<version>_<arch>.deb.
# Prints the package's path last.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
tools/setup.sh
# dpkg-shlibdeps (dpkg-dev) works out the package's library dependencies.
if ! dpkg-query -W -f='${Status}' dpkg-dev 2>/dev/null | grep -q "install ok installed"; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq dpkg-dev
fi

version="$(sed -n 's/^project(velloran VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
deb="velloran_${version}_$(dpkg --print-architecture).deb"

# Debian's hardening build flags and immediate binding (fortified functions, stack protector,
# read-only relocations bound at start), so that lintian finds the hardening it looks for.
flags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
eval "$flags"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVELLORAN_TESTS=OFF -DVELLORAN_BENCH=OFF \
  -DCMAKE_C_FLAGS="$CPPFLAGS $CFLAGS" -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
  -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" > /dev/null
cmake --build build-package -j"$(nproc)" > /dev/null
rm -f "build-package/$deb"
(cd build-package && cpack -G DEB > cpack.log 2>&1) || { cat build-package/cpack.log >&2; exit 1; }
if [ ! -f "build-package/$deb" ]; then
  echo "package.sh: CPack did not make build-package/$deb" >&2
  exit 1
fi
mkdir -p dist
mv -f "build-package/$deb" "dist/$deb"
echo "dist/$deb"
