# Turns the bytes of INPUT into OUTPUT, a C++ source whose function NAMESPACE::EmbeddedFile() returns them.
# Run at build time: cmake -DINPUT=... -DOUTPUT=... -DNAMESPACE=... -DHEADER=... -P embedfile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
# 32 bytes a line; a trailing zero byte keeps the array non-empty for an empty file.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
    "// Generated from ${INPUT}; do not edit.\n"
    "#include \"${HEADER}\"\n\n"
    "namespace ${NAMESPACE}\n{\n"
    "    namespace\n    {\n"
    "        const unsigned char s_bytes[] = {\n${bytes}0x00};\n"
    "    } // namespace\n\n"
    "    std::string_view EmbeddedFile()\n    {\n"
    "        return {reinterpret_cast<const char*>(s_bytes), ${byteCount}};\n"
    "    }\n"
    "} // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
