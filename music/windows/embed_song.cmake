# Writes the library's song as a C++ byte array: cmake -DINPUT=song.xm
# -DOUTPUT=song.cpp -P embed_song.cmake. The .xm stays the one source.
get_filename_component(name "${INPUT}" NAME)
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.part"
  "// Generated from ${name} at build time; do not edit.\n"
  "#include \"windows/builtin_song.h\"\n\n"
  "// Writable on purpose: the image sits in the initialised data section.\n"
  "uint8_t BUILTIN_SONG[${size}] = {\n    ${bytes}\n};\n"
  "extern const uint32_t BUILTIN_SONG_SIZE = ${size};\n")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
