# Turns a text resource into a C++ source defining `std::string_view <FUNCTION>()` that returns
# the file's bytes unchanged. Run as: cmake -DINPUT=... -DOUTPUT=... -DFUNCTION=... -P EmbedText.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 row)
string(REGEX REPLACE "(${row})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${name} at build time; edit that file, not this one.
#include <string_view>

namespace orv {

namespace {
const unsigned char bytes[] = {
    ${bytes}0x00};
} // namespace

std::string_view ${FUNCTION}() {
    return {reinterpret_cast<const char*>(bytes), sizeof bytes - 1};
}

} // namespace orv
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
