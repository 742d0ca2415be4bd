#!/usr/bin/env bash
# Builds the libraries of the Windows build with MinGW-w64 from Debian's own source packages:
# zlib, libpng, SDL 1.2, SDL_image 1.2 (PNG only) as DLLs, and GoogleTest for the tests.
#
#   tools/build-windows-deps.sh
#
# Everything goes to $VELLORAN_WIN_CACHE (default: build-win-deps/ in the repository, ignored
# by git): prefix/ (headers, import libraries, DLLs), licences/<library>/, and one stamp per
# library and version, so a later run rebuilds nothing. The versions are pinned to Debian 12's;
# VELLORAN_PIN_<NAME> (ZLIB, LIBPNG, SDL, SDL_IMAGE, GOOGLETEST) overrides one.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cache="${VELLORAN_WIN_CACHE:-$top/build-win-deps}"
mkdir -p "$cache"
cache="$(cd "$cache" && pwd)"
prefix="$cache/prefix"
host=x86_64-w64-mingw32
jobs="${VELLORAN_WIN_JOBS:-2}"

# ---- Pinned source packages (Debian 12) --------------------------------------------------------
declare -A PIN=(
  [zlib]="${VELLORAN_PIN_ZLIB:-1:1.2.13.dfsg-1}"
  [libpng1.6]="${VELLORAN_PIN_LIBPNG:-1.6.39-2+deb12u5}"
  [libsdl1.2]="${VELLORAN_PIN_SDL:-1.2.15+dfsg2-8}"
  [sdl-image1.2]="${VELLORAN_PIN_SDL_IMAGE:-1.2.12-13}"
  [googletest]="${VELLORAN_PIN_GOOGLETEST:-1.12.1-0.2}"
)
ORDER=(zlib libpng1.6 libsdl1.2 sdl-image1.2 googletest)

# ---- Packages of the build machine -------------------------------------------------------------
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 dpkg-dev
          cmake make zip unzip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing ${missing[*]} =="
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
fi

# ---- Source entries: the system's own mirrors, as deb-src, in a file of our own ----------------
SRC_LIST=/etc/apt/sources.list.d/velloran-deb-src.sources
have_sources() { apt-cache showsrc zlib 2> /dev/null | grep '^Package: zlib' > /dev/null; }
if ! have_sources; then
  if [ ! -f "$SRC_LIST" ]; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      # The same mirrors, suites and keys as the binary entries; only the type differs.
      sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        as_root tee "$SRC_LIST" > /dev/null
    elif [ -f /etc/apt/sources.list ]; then
      # One-line format: turn each "deb" line into a deb822 stanza of type deb-src.
      awk '$1 == "deb" { opts = ""; i = 2
             if ($2 ~ /^\[/) { opts = $2; i = 3 }
             printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $i, $(i + 1)
             for (j = i + 2; j <= NF; j++) printf " %s", $j
             if (opts ~ /signed-by=/) { sub(/.*signed-by=/, "", opts); sub(/[] ].*/, "", opts)
               printf "\nSigned-By: %s", opts }
             printf "\n\n" }' /etc/apt/sources.list | as_root tee "$SRC_LIST" > /dev/null
    else
      echo "build-windows-deps: no Debian sources list found to derive a deb-src entry from" >&2
      exit 1
    fi
  fi
  echo "== apt-get update (source entries in $SRC_LIST) =="
  as_root apt-get update -qq
fi

# ---- Fetching one source package ---------------------------------------------------------------
# Unpacks package=version (Debian's patches applied) to $cache/src/<package> and copies its
# licence texts to $cache/licences/<package>.
fetch() {
  local package="$1" version="$2"
  if ! apt-cache showsrc "$package" 2> /dev/null | grep -x "Version: $version" > /dev/null; then
    echo "build-windows-deps: $package $version is not available from the configured Debian mirrors." >&2
    echo "  Available: $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -u | tr '\n' ' ')" >&2
    echo "  Set VELLORAN_PIN_* to one of them (see the top of this script) or add a mirror that has it." >&2
    exit 1
  fi
  rm -rf "$cache/src/$package" "$cache/dl/$package"
  mkdir -p "$cache/dl/$package" "$cache/src"
  (cd "$cache/dl/$package" && apt-get source -qq --download-only "$package=$version" > "$cache/dl/$package.log" 2>&1 &&
     dpkg-source -x ./*.dsc "$cache/src/$package" >> "$cache/dl/$package.log" 2>&1) ||
    { cat "$cache/dl/$package.log" >&2; exit 1; }
  rm -f "$cache/dl/$package.log"
  rm -rf "$cache/dl/$package"
  local lic="$cache/licences/$package"
  rm -rf "$lic"; mkdir -p "$lic"
  cp "$cache/src/$package/debian/copyright" "$lic/copyright"
  for f in COPYING LICENSE LICENSE.txt README-SDL.txt; do
    [ -f "$cache/src/$package/$f" ] && cp "$cache/src/$package/$f" "$lic/$f"
  done
  return 0
}

cross_env() {
  export CC="$host-gcc-posix" CXX="$host-g++-posix" AR="$host-ar" RANLIB="$host-ranlib"
  export RC="$host-windres" WINDRES="$host-windres" STRIP="$host-strip"
  export CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib"
  export PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH=""
}

# ---- The libraries -----------------------------------------------------------------------------
build_zlib() {
  # Debian's source leaves out upstream's win32/ folder (its makefile and resource file), so
  # the DLL is linked here directly: every exported function, zlib1.dll as elsewhere.
  cd "$cache/src/zlib"
  local objs=()
  for c in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
           inftrees trees uncompr zutil; do
    "$host-gcc-posix" -O2 -D_LARGEFILE64_SOURCE=1 -c "$c.c" -o "$c.o"
    objs+=("$c.o")
  done
  mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"
  "$host-gcc-posix" -shared -o "$prefix/bin/zlib1.dll" "${objs[@]}" \
    -Wl,--out-implib,"$prefix/lib/libz.dll.a" -static-libgcc
  cp zlib.h zconf.h "$prefix/include/"
  printf 'prefix=%s\nlibdir=${prefix}/lib\nincludedir=${prefix}/include\n\nName: zlib\nDescription: zlib compression library\nVersion: 1.2.13\nLibs: -L${libdir} -lz\nCflags: -I${includedir}\n' \
    "$prefix" > "$prefix/lib/pkgconfig/zlib.pc"
}

# Configures one autotools source tree for the Windows host as shared libraries only, builds it
# and installs it into the prefix; the arguments after the folder go to configure.
cross_autotools() {
  cd "$cache/src/$1"
  shift
  cross_env
  ./configure -q --host="$host" --prefix="$prefix" --enable-shared --disable-static "$@" > /dev/null
  make -s -j"$jobs" > /dev/null 2>&1
  make -s install > /dev/null
}

build_libpng() {
  cross_autotools libpng1.6 --without-binconfigs
}

build_sdl() {
  # Standard output and error stay where the caller put them (no stdout.txt, stderr.txt).
  cross_autotools libsdl1.2 --disable-stdio-redirect --disable-audio --disable-cdrom --disable-joystick \
    --disable-rpath
}

build_sdl_image() {
  # PNG only, linked to libpng directly (not loaded by name at run time).
  cross_autotools sdl-image1.2 --with-sdl-prefix="$prefix" --disable-sdltest \
    --enable-png --disable-png-shared --disable-bmp --disable-gif --disable-jpg --disable-jpg-shared \
    --disable-lbm --disable-pcx --disable-pnm --disable-tga --disable-tif --disable-tif-shared \
    --disable-xcf --disable-xpm --disable-xv --disable-webp --disable-webp-shared
}

# When the mirror cannot deliver sdl-image1.2, our PNG-only stand-in (tools/windows/) takes its
# place: the same two calls the editor makes, as SDL_image.dll beside SDL.dll.
build_png_only_image() {
  cd "$top/tools/windows"
  mkdir -p "$prefix/include/SDL"
  "$host-gcc-posix" -O2 -Wall -shared -o "$prefix/bin/SDL_image.dll" png_only_image.c \
    -I"$prefix/include/SDL" -I"$prefix/include" -DDECLSPEC='__declspec(dllexport)' \
    -L"$prefix/lib" -lSDL -lpng16 -Wl,--out-implib,"$prefix/lib/libSDL_image.dll.a" -static-libgcc
  cp SDL_image.h "$prefix/include/SDL/SDL_image.h"
  local lic="$cache/licences/sdl-image1.2"
  rm -rf "$lic"; mkdir -p "$lic"
  printf '%s\n' "SDL_image.dll of this build is velloran's own PNG-only stand-in (tools/windows/png_only_image.c)," \
    "built because the Debian source package sdl-image1.2 could not be fetched. It is part of velloran" \
    "and uses SDL and libpng, whose licences are beside it." > "$lic/README"
}

build_googletest() {
  cd "$cache/src/googletest"
  cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF \
    -DBUILD_SHARED_LIBS=OFF -DINSTALL_GTEST=ON > /dev/null
  cmake --build build-mingw -j"$jobs" > /dev/null
  cmake --install build-mingw > /dev/null
}

mkdir -p "$cache/stamps" "$prefix"
for package in "${ORDER[@]}"; do
  version="${PIN[$package]}"
  stamp="$cache/stamps/$package-${version//[:~]/_}"
  if [ -f "$stamp" ]; then continue; fi
  # The stand-in is tried again only when VELLORAN_RETRY_SDL_IMAGE is set.
  if [ "$package" = sdl-image1.2 ] && [ -f "$cache/stamps/sdl-image1.2-stand-in" ] &&
     [ -z "${VELLORAN_RETRY_SDL_IMAGE:-}" ]; then continue; fi
  echo "== $package $version: fetching the Debian source =="
  if [ "$package" = sdl-image1.2 ] && ! (fetch "$package" "$version" 2> "$cache/fetch.log"); then
    sed 's/^/   /' "$cache/fetch.log"
    echo "== sdl-image1.2 $version could not be fetched: building the PNG-only stand-in instead =="
    ( build_png_only_image ) || { echo "build-windows-deps: building the PNG-only stand-in failed" >&2; exit 1; }
    touch "$cache/stamps/sdl-image1.2-stand-in"
    continue
  fi
  [ "$package" = sdl-image1.2 ] || fetch "$package" "$version"
  echo "== $package $version: building with MinGW-w64 =="
  start=$SECONDS
  case "$package" in
    zlib) step=build_zlib ;;
    libpng1.6) step=build_libpng ;;
    libsdl1.2) step=build_sdl ;;
    sdl-image1.2) step=build_sdl_image ;;
    googletest) step=build_googletest ;;
  esac
  # Configure and make talk a lot; their words go to a log that is shown when a build fails.
  log="$cache/logs/$package.log"
  mkdir -p "$cache/logs"
  ( "$step" ) > "$log" 2>&1 || { tail -40 "$log" >&2; echo "build-windows-deps: building $package failed (log: $log)" >&2; exit 1; }
  rm -f "$cache/stamps/$package-"*
  touch "$stamp"
  echo "   done in $((SECONDS - start)) s"
done
