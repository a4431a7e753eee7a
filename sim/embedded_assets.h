#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// The pictures, logos and faces compiled into the program from assets/.

// The picture data stream of catalogue item `index` (0 to 12): the length
// byte 4, the class name "TDIB" and the bitmap without its file header.
// Empty for an index outside the catalogue.
std::span<const std::uint8_t> EmbeddedPictureStream(std::size_t index);

// A rectangle of a catalogue picture as it is in another language: a bitmap
// without its file header, in the picture's own depth and colour table, whose
// top left corner goes at (X, Y) of the picture.
struct EmbeddedPicturePatch {
  std::string_view Language;  // "en", "uk"
  std::size_t Picture;
  int X;
  int Y;
  std::span<const std::uint8_t> Data;
};
std::span<const EmbeddedPicturePatch> EmbeddedPicturePatches();

// The two logos of the start window and the About box, as JPEG files
// (133 x 23 and 142 x 37).
std::span<const std::uint8_t> EmbeddedMakerLogo();
std::span<const std::uint8_t> EmbeddedPartnerLogo();
// The partner's logo with its words in a language ("en", "uk"); the Polish
// one for a language that has none of its own.
std::span<const std::uint8_t> EmbeddedPartnerLogo(std::string_view language);

// The verdict faces of the task dialog, as icon files holding a 32 x 32 and a
// 16 x 16 image in 16 colours, transparent outside the face.
std::span<const std::uint8_t> EmbeddedSmileIcon();
std::span<const std::uint8_t> EmbeddedSadIcon();
