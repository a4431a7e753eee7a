# Writes a C++ source holding the committed pictures, logos and faces as byte
# arrays. Run in script mode with ASSETS_DIR and OUTPUT set.
#
# A picture goes in as its picture data stream: the class-name prefix (length
# byte 4 and "TDIB") followed by the bitmap file without its 14-byte file
# header. The other languages' patches, pictures/<language>/<picture>-<x>-<y>.bmp,
# go in as bitmaps without the file header, and their partner logos whole.

set(pictures
  00-wyscigowka 01-1234 02-tlo 03-Droga 04-MAlySwiat 05-MaleAuto 06-Mapka 07-RRXRy
  08-CyfryCzerwone 09-CyfryCzarne 10-LicznikDrogi 11-Wskazowka 12-KlawiszeKostki)

function(byte_list hex out)
  # CMake's regular expressions have no counted repetition.
  string(REPEAT "[0-9a-f][0-9a-f]" 24 line)
  string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

set(source "// Generated from assets/ by sim/embed_assets.cmake. Do not edit.\n\n")
string(APPEND source "#include \"sim/embedded_assets.h\"\n\n#include <array>\n\nnamespace {\n\n")

set(index 0)
foreach(picture IN LISTS pictures)
  file(READ "${ASSETS_DIR}/pictures/${picture}.bmp" hex HEX)
  string(SUBSTRING "${hex}" 0 4 magic)
  if(NOT magic STREQUAL "424d")
    message(FATAL_ERROR "${picture}.bmp is not a bitmap file")
  endif()
  string(SUBSTRING "${hex}" 28 -1 hex)
  byte_list("0454444942${hex}" bytes)
  string(APPEND source "const std::uint8_t Picture${index}[] = {\n${bytes}\n};\n\n")
  math(EXPR index "${index} + 1")
endforeach()

file(GLOB patch_files RELATIVE "${ASSETS_DIR}/pictures" "${ASSETS_DIR}/pictures/*/*.bmp")
list(SORT patch_files)
set(patch_table "")
set(patch 0)
foreach(path IN LISTS patch_files)
  if(NOT path MATCHES "^([a-z]+)/([0-9][0-9])-[A-Za-z0-9]+-([0-9]+)-([0-9]+)[.]bmp$")
    message(FATAL_ERROR "${path}: not <language>/<picture>-<x>-<y>.bmp")
  endif()
  set(language ${CMAKE_MATCH_1})
  math(EXPR picture "${CMAKE_MATCH_2}")
  set(x ${CMAKE_MATCH_3})
  set(y ${CMAKE_MATCH_4})
  file(READ "${ASSETS_DIR}/pictures/${path}" hex HEX)
  string(SUBSTRING "${hex}" 28 -1 hex)
  byte_list("${hex}" bytes)
  string(APPEND source "const std::uint8_t Patch${patch}[] = {\n${bytes}\n};\n\n")
  string(APPEND patch_table "    {\"${language}\", ${picture}, ${x}, ${y}, Patch${patch}},\n")
  math(EXPR patch "${patch} + 1")
endforeach()

file(GLOB logo_dirs RELATIVE "${ASSETS_DIR}/logos" "${ASSETS_DIR}/logos/*/partner.jpg")
list(SORT logo_dirs)
set(logo_table "")
set(logo 0)
foreach(path IN LISTS logo_dirs)
  get_filename_component(language "${path}" DIRECTORY)
  file(READ "${ASSETS_DIR}/logos/${path}" hex HEX)
  byte_list("${hex}" bytes)
  string(APPEND source "const std::uint8_t PartnerLogo${logo}[] = {\n${bytes}\n};\n\n")
  string(APPEND logo_table "    {\"${language}\", PartnerLogo${logo}},\n")
  math(EXPR logo "${logo} + 1")
endforeach()

foreach(pair "MakerLogo;logos/velnar.jpg" "PartnerLogo;logos/partner.jpg"
             "SmileIcon;faces/smile.ico" "SadIcon;faces/sad.ico")
  list(GET pair 0 name)
  list(GET pair 1 path)
  file(READ "${ASSETS_DIR}/${path}" hex HEX)
  byte_list("${hex}" bytes)
  string(APPEND source "const std::uint8_t ${name}[] = {\n${bytes}\n};\n\n")
endforeach()

string(APPEND source "const std::array<std::span<const std::uint8_t>, 13> Pictures = {\n")
math(EXPR last "${index} - 1")
foreach(i RANGE ${last})
  string(APPEND source "    std::span<const std::uint8_t>(Picture${i}),\n")
endforeach()
string(APPEND source "};\n\n")
string(APPEND source "const std::array<EmbeddedPicturePatch, ${patch}> Patches = {{\n${patch_table}}};\n\n")
string(APPEND source "struct LanguageLogo {\n  std::string_view Language;\n")
string(APPEND source "  std::span<const std::uint8_t> Data;\n};\n\n")
string(APPEND source "const std::array<LanguageLogo, ${logo}> PartnerLogos = {{\n${logo_table}}};\n\n")
string(APPEND source "}  // namespace\n\n")
string(APPEND source [=[
std::span<const std::uint8_t> EmbeddedPictureStream(std::size_t index) {
  return index < Pictures.size() ? Pictures[index] : std::span<const std::uint8_t>();
}

std::span<const std::uint8_t> EmbeddedMakerLogo() {
  return MakerLogo;
}

std::span<const std::uint8_t> EmbeddedPartnerLogo() {
  return PartnerLogo;
}

std::span<const std::uint8_t> EmbeddedPartnerLogo(std::string_view language) {
  for (const LanguageLogo& logo : PartnerLogos)
    if (logo.Language == language) return logo.Data;
  return PartnerLogo;
}

std::span<const EmbeddedPicturePatch> EmbeddedPicturePatches() {
  return Patches;
}

std::span<const std::uint8_t> EmbeddedSmileIcon() {
  return SmileIcon;
}

std::span<const std::uint8_t> EmbeddedSadIcon() {
  return SadIcon;
}
]=])

file(WRITE "${OUTPUT}.tmp" "${source}")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
