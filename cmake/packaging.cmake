# ---- Debian package (CPack) ----
# tools/package.sh runs it on a Release build: velloran_<version>_<arch>.deb, everything that
# `cmake --install` puts in place, under /usr. dpkg-shlibdeps works out the libraries the
# programs link (SDL 1.2, SDL_image 1.2, the C and C++ runtimes) as Depends.
if(WIN32)
  return()
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velloran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "velloran developers <velloran@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the message texts of a cartridge console game")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "helper extracts the two message files (table and nes_message_data_static)
from a ROM image of the game into the current directory and injects edited
files back. velloran, a small SDL window, shows each message box as the game
draws it and edits its text, boxes, box type, position, icon and sound.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velloran_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/compress_man_pages.cmake)
include(CPack)
