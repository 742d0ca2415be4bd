# Installs the build into PREFIX, as any developer can without root (tools/check-package.sh checks
# the programs, man pages, icons and desktop entry of the real package on CI): the install rules
# run, the desktop entry names the program and icon they install, the transfer program and its
# page carry the distinctive name and no bare "helper" lands on the search path, and the
# copyright file holds LICENSE's text.
cmake_minimum_required(VERSION 3.16) # IN_LIST
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
file(STRINGS "${PREFIX}/share/applications/velloran.desktop" lines)
set(problems "")
if(status OR NOT "Exec=velloran" IN_LIST lines OR NOT "Icon=velloran" IN_LIST lines)
  string(APPEND problems "cmake --install: status ${status}; velloran.desktop: ${lines}\n")
endif()
foreach(path bin/velloran-helper share/man/man1/velloran-helper.1 share/doc/velloran/copyright
             share/doc/velloran/changelog)
  if(NOT EXISTS "${PREFIX}/${path}")
    string(APPEND problems "${path} not installed\n")
  endif()
endforeach()
foreach(path bin/helper share/man/man1/helper.1)
  if(EXISTS "${PREFIX}/${path}")
    string(APPEND problems "${path} installed under the generic name\n")
  endif()
endforeach()
# Every line of the licence's permission text, indented, in the copyright file.
file(STRINGS "${SOURCE_DIR}/LICENSE" licence)
file(STRINGS "${PREFIX}/share/doc/velloran/copyright" copyright)
list(FIND licence "Permission is hereby granted, free of charge, to any person obtaining a copy" first)
list(SUBLIST licence ${first} -1 permission)
foreach(line ${permission})
  if(NOT " ${line}" IN_LIST copyright)
    string(APPEND problems "copyright lacks the licence line '${line}'\n")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
if(problems OR first EQUAL -1)
  message(FATAL_ERROR "${problems}")
endif()
