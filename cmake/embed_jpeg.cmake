# Writes the JPEG file INPUT as the C++ source OUTPUT, which defines
# `std::span<const unsigned char> qoru::FUNCTION()` declared in HEADER. The toolkit reads
# a JPEG from memory without knowing its length, so only a whole stream may be embedded:
# one that starts with the start-of-image marker and ends with the end-of-image marker.
file(READ "${INPUT}" hex HEX)
if(NOT hex MATCHES "^ffd8.*ffd9$")
  message(FATAL_ERROR "${INPUT} is not a whole JPEG stream")
endif()
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
string(REPEAT "0x..," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT} by cmake/embed_jpeg.cmake; do not edit.\n"
  "#include \"${HEADER}\"\n\nnamespace qoru {\nnamespace {\n"
  "constexpr unsigned char kBytes[] = {\n${bytes}\n};\n}  // namespace\n\n"
  "std::span<const unsigned char> ${FUNCTION}() {\n  return kBytes;\n}\n\n}  // namespace qoru\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
