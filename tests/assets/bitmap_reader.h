#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A plain reader of the committed bitmap files, independent of the program's
// own bitmap code, so that the tests check the files themselves.
struct BitmapFile {
  std::vector<std::uint8_t> bytes;  // the whole file
  std::int32_t width = 0;
  std::int32_t height = 0;  // as stored: positive means bottom-up
  int bits = 0;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t pixelOffset = 0;
  std::vector<std::uint32_t> table;  // 0x00RRGGBB
  bool valid = false;

  // Colour at (x, y), y counted from the top, as 0x00RRGGBB.
  std::uint32_t rgb(int x, int y) const;
  // Colour-table index at (x, y) for 4 and 8 bits per pixel.
  int index(int x, int y) const;
};

std::vector<std::uint8_t> readFileBytes(const std::string& path);
BitmapFile readBitmap(const std::string& path);

// The committed picture file of catalogue item `index`.
std::string pictureFilePath(int index);

inline constexpr std::uint32_t Magenta = 0xFF00FF;
