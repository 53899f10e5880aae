# Turns a binary file into a C++ source defining a byte array:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DNAME=symbol -P EmbedFile.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.\n#include <cstddef>\nextern const unsigned char ${NAME}[] = {${bytes}};\nextern const std::size_t ${NAME}Size = ${size};\n")
