#pragma once

#include <cstdint>
#include <span>
#include <vector>

// A decoded picture, 8-bit RGB, rows top to bottom without padding.
struct RgbPicture {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint8_t> Rgb;
  bool Empty() const { return Width == 0 || Height == 0; }
};

// Decodes a JPEG file held in memory. Data that is no JPEG, or whose header or
// sizes are damaged, gives an empty picture rather than an error: a missing
// logo is no reason to stop. A file cut short decodes with its missing rows
// left grey, as libjpeg fills them.
RgbPicture DecodeJpeg(std::span<const std::uint8_t> data);
