#pragma once

#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

// Reduction of painted pictures to the indexed formats of the bitmap files.

namespace art {

struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<QRgb> table;            // colour table, opaque colours
  std::vector<std::uint8_t> indices;  // one per pixel, top row first
};

// Black, maroon, green, olive, navy, purple, teal, silver, grey, red, lime,
// yellow, blue, fuchsia, aqua, white.
const std::array<QRgb, 16>& standardColours16();

// Every pixel to its nearest colour of the standard 16; only key pixels may
// become fuchsia.
IndexedPicture toStandard16(const QImage& picture);

// A 256-colour table made for this picture (median cut with a stable order,
// refined by two rounds of nearest-mean), with exact black, white and the
// key colour reserved; only key pixels use the key entry.
IndexedPicture toTable256(const QImage& picture);

// Every pixel to its nearest colour of a given table; key pixels, and only
// they, to the table's key entry.
IndexedPicture toTable(const QImage& picture, const std::vector<QRgb>& table);

}  // namespace art
