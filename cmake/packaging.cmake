# ---- Debian package (CPack) ----
# tools/package.sh runs it on a Release build: velloran_<version>_<arch>.deb, everything that
# `cmake --install` puts in place, under /usr. dpkg-shlibdeps works out the libraries the
# programs link (SDL 1.2, SDL_image 1.2, the C and C++ runtimes) as Depends.
if(WIN32)
  return()
endif()

# ---- Documents every install carries ----
# The copyright file in Debian's machine-readable format, made from LICENSE so that the licence
# text lives in one place; the changelog in Debian's format (a native package's changelog).
include(GNUInstallDirs)
set(licence_file ${PROJECT_SOURCE_DIR}/LICENSE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${licence_file})
file(READ ${licence_file} licence)
if(NOT licence MATCHES "Copyright \\(c\\) ([^\n]+)")
  message(FATAL_ERROR "LICENSE holds no copyright line")
endif()
set(VELLORAN_COPYRIGHT ${CMAKE_MATCH_1})
string(FIND "${licence}" "Permission is hereby granted" start)
string(SUBSTRING "${licence}" ${start} -1 text)
string(STRIP "${text}" text)
# Continuation lines start with a blank; an empty line is written as " .".
string(REPLACE "\n\n" "\n.\n" text "${text}")
string(REPLACE "\n" "\n " text "${text}")
set(VELLORAN_LICENSE_TEXT " ${text}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/generated/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/copyright ${CMAKE_CURRENT_LIST_DIR}/changelog
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ---- The package ----
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velloran)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The project, not a person. The address is in the .invalid domain, reserved never to resolve:
# the project has no mail address, and this says so rather than pretending to be one.
set(CPACK_PACKAGE_CONTACT "velloran developers <velloran@velloran.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the message texts of a cartridge console game")
# The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY; CPack indents these lines.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "velloran-helper extracts the two message files (table and
nes_message_data_static) from the game's decompressed ROM image into the
current directory and injects edited files back. velloran, a small SDL
window, shows each message box as the game draws it and edits its text,
boxes, box type, position, icon and sound. velloran-script turns the texts
into one UTF-8 file and back.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velloran_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/compress_documents.cmake)
include(CPack)
