#include "gfx/pixel_format.h"

#include <bit>

int CountBits(std::uint32_t mask) {
  return std::popcount(mask);
}

TChannelField::TChannelField(std::uint32_t mask) : Mask(mask) {
  if (mask == 0) return;
  const int low = std::countr_zero(mask);
  Shift = low + std::popcount(mask) - 8;
}

bool TPixelFormat::ForBitCount(int bitCount, TPixelFormat& format) {
  switch (bitCount) {
    case 8:
      format = RGB332();
      return true;
    case 16:
      format = RGB565();
      return true;
    case 24:
      format = RGB888();
      return true;
    case 32:
      format = XRGB8888();
      return true;
    default:
      return false;
  }
}

std::uint32_t TPixelFormat::RGBToRaw(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
  return TChannelField(RBitMask).In(r) | TChannelField(GBitMask).In(g) |
         TChannelField(BBitMask).In(b);
}

std::uint32_t TPixelFormat::ColorToRaw(TColor color) const {
  const auto c = static_cast<std::uint32_t>(ColorToRGB(color));
  return RGBToRaw(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TColor TPixelFormat::RawToColor(std::uint32_t raw) const {
  const std::uint32_t r = TChannelField(RBitMask).Out(raw);
  const std::uint32_t g = TChannelField(GBitMask).Out(raw);
  const std::uint32_t b = TChannelField(BBitMask).Out(raw);
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}

std::uint32_t TPixelFormat::KeyMask() const {
  std::uint32_t all = BitCount >= 32 ? 0xFFFFFFFFu : ((1u << BitCount) - 1);
  if (AlphaBitMask != 0) return all & ~AlphaBitMask;
  if (BitCount == 32) return 0x00FFFFFFu;
  return all;
}

TColor ColorToRGB(TColor color) {
  if (color >= 0) return color;
  // The Windows system colours as a classic desktop shows them; the program
  // itself uses none, but a stored description may name one.
  static constexpr TColor kSystem[] = {
      0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
      0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
      0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
      0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xFF9933, 0xC8D0D4};
  const int index = color & 0xFF;
  if ((static_cast<std::uint32_t>(color) & 0xFFFFFF00u) == 0xFF000000u &&
      index < static_cast<int>(sizeof kSystem / sizeof kSystem[0]))
    return kSystem[index];
  return color & 0xFFFFFF;
}
