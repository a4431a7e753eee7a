#include "tests/assets/bitmap_reader.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8;
}

}  // namespace

std::vector<std::uint8_t> readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

BitmapFile readBitmap(const std::string& path) {
  BitmapFile bmp;
  bmp.bytes = readFileBytes(path);
  const auto& b = bmp.bytes;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le32(b, 14) != 40) return bmp;
  bmp.pixelOffset = le32(b, 10);
  bmp.width = std::int32_t(le32(b, 18));
  bmp.height = std::int32_t(le32(b, 22));
  bmp.bits = int(le16(b, 28));
  bmp.compression = le32(b, 30);
  bmp.imageSize = le32(b, 34);
  bmp.coloursUsed = le32(b, 46);
  const std::size_t colours =
      bmp.bits <= 8 ? (bmp.coloursUsed ? bmp.coloursUsed : 1u << bmp.bits) : 0;
  if (b.size() < 54 + colours * 4) return bmp;
  for (std::size_t i = 0; i < colours; ++i) {
    const std::size_t at = 54 + i * 4;
    bmp.table.push_back(std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 1]) << 8 | b[at]);
  }
  const std::size_t stride = ((std::size_t(bmp.bits) * std::size_t(bmp.width) + 31) / 32) * 4;
  const std::size_t rows = std::size_t(bmp.height < 0 ? -bmp.height : bmp.height);
  bmp.valid = b.size() >= bmp.pixelOffset + stride * rows && bmp.width > 0;
  return bmp;
}

int BitmapFile::index(int x, int y) const {
  const std::size_t stride = ((std::size_t(bits) * std::size_t(width) + 31) / 32) * 4;
  const std::size_t row = height > 0 ? std::size_t(height - 1 - y) : std::size_t(y);
  const std::size_t at = pixelOffset + row * stride;
  if (bits == 8) return bytes[at + std::size_t(x)];
  const std::uint8_t pair = bytes[at + std::size_t(x / 2)];
  return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
}

std::uint32_t BitmapFile::rgb(int x, int y) const {
  if (bits <= 8) return table[std::size_t(index(x, y))];
  const std::size_t stride = ((std::size_t(bits) * std::size_t(width) + 31) / 32) * 4;
  const std::size_t row = height > 0 ? std::size_t(height - 1 - y) : std::size_t(y);
  const std::size_t at = pixelOffset + row * stride + std::size_t(x) * 3;
  return std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 1]) << 8 | bytes[at];
}

std::string pictureFilePath(int index) {
  static const char* const names[] = {
      "00-wyscigowka",   "01-1234",      "02-tlo",           "03-Droga",         "04-MAlySwiat",
      "05-MaleAuto",     "06-Mapka",     "07-RRXRy",         "08-CyfryCzerwone", "09-CyfryCzarne",
      "10-LicznikDrogi", "11-Wskazowka", "12-KlawiszeKostki"};
  return std::string(VELNAR_SOURCE_DIR) + "/assets/pictures/" + names[index] + ".bmp";
}
