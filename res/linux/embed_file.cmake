# Writes the bytes of INPUT as a C++ array named SYMBOL into OUTPUT.
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
file(WRITE "${OUTPUT}.tmp"
    "#include <cstddef>\n"
    "extern const unsigned char ${SYMBOL}[] = {${bytes}};\n"
    "extern const std::size_t ${SYMBOL}_size = sizeof(${SYMBOL});\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
