# Writes OUTPUT: one byte array per PNG of IMAGES (comma-separated names in INPUT_DIR).
# Each array is named EMBEDDED_<file name with dots as underscores>, with a _SIZE beside it.
string(REPLACE "," ";" images "${IMAGES}")
set(text "// Generated at build time from the committed PNG files. Do not edit.\n#include <cstddef>\n\n")
foreach(image ${images})
  file(READ ${INPUT_DIR}/${image} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(MAKE_C_IDENTIFIER "EMBEDDED_${image}" symbol)
  # 24 bytes a line, then each pair of hex digits as one 0x.. literal.
  string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND text "extern const unsigned char ${symbol}[${size}];\n")
  string(APPEND text "const unsigned char ${symbol}[${size}] = {\n${bytes}\n};\n")
  string(APPEND text "extern const size_t ${symbol}_SIZE;\nconst size_t ${symbol}_SIZE = ${size};\n\n")
endforeach()
file(WRITE "${OUTPUT}" "${text}")
