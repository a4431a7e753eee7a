#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The pictures, logos and faces compiled into the program from assets/.

// The picture data stream of catalogue item `index` (0 to 12): the length
// byte 4, the class name "TDIB" and the bitmap without its file header.
// Empty for an index outside the catalogue.
std::span<const std::uint8_t> EmbeddedPictureStream(std::size_t index);

// The two logos of the start window and the About box, as JPEG files
// (133 x 23 and 142 x 37).
std::span<const std::uint8_t> EmbeddedMakerLogo();
std::span<const std::uint8_t> EmbeddedPartnerLogo();

// The verdict faces of the task dialog, as icon files holding a 32 x 32 and a
// 16 x 16 image in 16 colours, transparent outside the face.
std::span<const std::uint8_t> EmbeddedSmileIcon();
std::span<const std::uint8_t> EmbeddedSadIcon();
