# Installs the build into PREFIX, as any developer can without root (tools/check-package.sh checks
# the programs, man pages, icons and desktop entry of the real package on CI): the install rules
# run, and the desktop entry names the program and icon they install.
cmake_minimum_required(VERSION 3.16) # IN_LIST
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
file(STRINGS "${PREFIX}/share/applications/velloran.desktop" lines)
file(REMOVE_RECURSE "${PREFIX}")
if(status OR NOT "Exec=velloran" IN_LIST lines OR NOT "Icon=velloran" IN_LIST lines)
  message(FATAL_ERROR "cmake --install: status ${status}; velloran.desktop: ${lines}")
endif()
