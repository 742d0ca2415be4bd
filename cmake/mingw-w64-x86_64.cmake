# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix-threads compilers).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DVELLORAN_WIN_PREFIX=<folder the libraries were installed to>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_HOST}-windres)

# The libraries built for Windows live in their own prefix; the machine's own are never used.
set(VELLORAN_WIN_PREFIX "" CACHE PATH "Prefix of the libraries built with MinGW-w64")
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_HOST} ${VELLORAN_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the .pc files of that prefix.
if(VELLORAN_WIN_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${VELLORAN_WIN_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()

# Tests and tools run under Wine.
find_program(VELLORAN_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT VELLORAN_WINE)
  find_program(VELLORAN_WINE NAMES wine64 wine)
endif()
if(VELLORAN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELLORAN_WINE})
endif()
