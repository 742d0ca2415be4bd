# Installs the build into PREFIX and checks what a user's system gets: the programs in bin/,
# a man page for every one of them, velloran's desktop entry and its icon in every size.
cmake_minimum_required(VERSION 3.16) # IN_LIST, continue()
set(failures 0)
macro(Fail text)
  message(SEND_ERROR "${text}")
  math(EXPR failures "${failures} + 1")
endmacro()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

# ---- Programs and man pages ----
file(GLOB programs RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
foreach(needed velloran helper)
  if(NOT needed IN_LIST programs)
    Fail("bin/${needed} is not installed (bin/ holds: ${programs})")
  endif()
endforeach()
foreach(program ${programs})
  if(NOT IS_DIRECTORY "${PREFIX}/bin/${program}" AND NOT EXISTS "${PREFIX}/share/man/man1/${program}.1")
    Fail("bin/${program} has no man page share/man/man1/${program}.1")
  endif()
endforeach()

# ---- Desktop entry ----
set(entry "${PREFIX}/share/applications/velloran.desktop")
if(NOT EXISTS "${entry}")
  Fail("no desktop entry share/applications/velloran.desktop")
else()
  file(STRINGS "${entry}" lines)
  foreach(line "[Desktop Entry]" "Type=Application" "Exec=velloran" "Icon=velloran" "Terminal=false")
    if(NOT line IN_LIST lines)
      Fail("velloran.desktop lacks the line ${line}")
    endif()
  endforeach()
endif()

# ---- Icons: PNG files of the size their folder names ----
foreach(size 16 32 48 64 128 256)
  set(icon "${PREFIX}/share/icons/hicolor/${size}x${size}/apps/velloran.png")
  if(NOT EXISTS "${icon}")
    Fail("missing icon ${icon}")
    continue()
  endif()
  file(READ "${icon}" signature LIMIT 8 HEX)
  file(READ "${icon}" header OFFSET 16 LIMIT 8 HEX) # IHDR width and height, big-endian
  string(SUBSTRING "${header}" 0 8 w)
  string(SUBSTRING "${header}" 8 8 h)
  math(EXPR width "0x${w}")
  math(EXPR height "0x${h}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT width EQUAL size OR NOT height EQUAL size)
    Fail("${icon}: not a ${size} x ${size} PNG (${width} x ${height})")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} problem(s) in the install tree")
endif()
