# Writes a C++ source holding the translations of po/ as byte arrays. Run in
# script mode with PO_DIR, LANGUAGES (the codes, in the order of
# lesson::Language, Polish first and without a file) and OUTPUT set.

set(source "// Generated from po/ by lesson/embed_catalogue.cmake. Do not edit.\n\n")
string(APPEND source "#include \"lesson/catalogue.h\"\n\nnamespace {\n\n")
set(cases "")
set(index 1)
foreach(code IN LISTS LANGUAGES)
  file(READ "${PO_DIR}/${code}.po" hex HEX)
  string(REPEAT "[0-9a-f][0-9a-f]" 24 line)
  string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  string(APPEND source "const unsigned char Po_${code}[] = {\n${hex}\n};\n\n")
  string(APPEND cases "    case ${index}:\n      return {reinterpret_cast<const char*>(Po_${code}), sizeof Po_${code}};\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND source "}  // namespace\n\nnamespace lesson {\n\n")
string(APPEND source "std::string_view EmbeddedCatalogue(Language language) {\n")
string(APPEND source "  switch (static_cast<int>(language)) {\n${cases}    default:\n      return {};\n  }\n}\n\n")
string(APPEND source "}  // namespace lesson\n")

file(WRITE "${OUTPUT}.new" "${source}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
