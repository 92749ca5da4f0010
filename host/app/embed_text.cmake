# Turns a text file into a C++ header holding it as one string constant.
#   cmake -DINPUT=<file> -DOUTPUT=<header> -DNAME=<identifier> -P embed_text.cmake
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT}; do not edit.\n#pragma once\n\n"
    "inline constexpr char ${NAME}[] = {\n    ${bytes}0x00};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
