# Writes a C++ source that defines `config::BuiltInEnglishText()` as the bytes
# of a text file, so the shipped English language file is also compiled into
# the program. Run as: cmake -DINPUT=<file> -DOUTPUT=<source> -P EmbedText.cmake
file(READ "${INPUT}" content HEX)
# Sixteen bytes to a line, each as 0xNN.
string(REGEX REPLACE "(................................)" "\\1\n" content "${content}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," content "${content}")
file(WRITE "${OUTPUT}.new"
"// Generated from ${INPUT} at build time; do not edit.
#include \"config/Language.h\"

namespace config {
namespace {
constexpr unsigned char TEXT[] = {
${content}
};
}  // namespace

std::string_view BuiltInEnglishText() {
    return {reinterpret_cast<const char*>(TEXT), sizeof TEXT};
}

}  // namespace config
")
# Only a changed text makes the library build again.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
