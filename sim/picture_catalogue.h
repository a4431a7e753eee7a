#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "lesson/catalogue.h"

class TDIB;

// The thirteen pictures of the simulation window's image list, in their
// fixed order: the drawing code reaches most of them by position, so the
// undrawn ones keep their places too.

struct PictureCatalogueItem {
  std::string_view Name;
  std::int32_t PatternWidth;  // 0 with PatternHeight 0: the whole picture is one pattern
  std::int32_t PatternHeight;
  bool Transparent;
  std::uint32_t TransparentColor;  // 0x00BBGGRR
  bool SystemMemory;
  std::span<const std::uint8_t> Data;  // picture data stream ("\x04TDIB" + bitmap)
};

inline constexpr std::size_t PictureCount = 13;

enum PictureIndex : std::size_t {
  PictureWyscigowka = 0,
  Picture1234 = 1,
  PictureTlo = 2,
  PictureDroga = 3,
  PictureMAlySwiat = 4,
  PictureMaleAuto = 5,
  PictureMapka = 6,
  PictureRRXRy = 7,
  PictureCyfryCzerwone = 8,
  PictureCyfryCzarne = 9,
  PictureLicznikDrogi = 10,
  PictureWskazowka = 11,
  PictureKlawiszeKostki = 12,
};

const std::array<PictureCatalogueItem, PictureCount>& PictureCatalogue();

// The pictures hold Polish words. Paints the words of `language` over picture
// `index` as read from its Data; a Polish picture stays as it is.
void TranslatePicture(std::size_t index, lesson::Language language, TDIB& picture);
