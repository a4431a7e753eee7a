#pragma once

#include <cstdint>

#include "gfx/graphics_types.h"

// How a raw pixel value packs red, green and blue. Masks are contiguous bit
// fields; an 8-bit channel enters a field by keeping its high bits.
struct TPixelFormat {
  int BitCount = 16;
  std::uint32_t RBitMask = 0xF800;
  std::uint32_t GBitMask = 0x07E0;
  std::uint32_t BBitMask = 0x001F;
  std::uint32_t AlphaBitMask = 0;

  static constexpr TPixelFormat RGB565() { return {16, 0xF800, 0x07E0, 0x001F, 0}; }
  static constexpr TPixelFormat RGB555() { return {16, 0x7C00, 0x03E0, 0x001F, 0}; }
  static constexpr TPixelFormat RGB888() { return {24, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }
  static constexpr TPixelFormat XRGB8888() { return {32, 0xFF0000, 0x00FF00, 0x0000FF, 0}; }
  // 8-bit surfaces hold 3-3-2 values: the fixed palette of an 8-bit display.
  static constexpr TPixelFormat RGB332() { return {8, 0xE0, 0x1C, 0x03, 0}; }

  // The display formats a surface can have, by bit count (8, 16 as 5-6-5, 24, 32).
  static bool ForBitCount(int bitCount, TPixelFormat& format);

  int BytesPerPixel() const { return (BitCount + 7) / 8; }

  // The raw value of a colour (0x00BBGGRR) in this format.
  std::uint32_t ColorToRaw(TColor color) const;
  std::uint32_t RGBToRaw(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;
  // The colour of a raw value: each field moved to the top of its 8-bit
  // channel, the low bits 0.
  TColor RawToColor(std::uint32_t raw) const;

  // The bits that take part in a colour-key comparison: all of the pixel's bits
  // but alpha, and only the low 24 of a 32-bit pixel without an alpha field.
  std::uint32_t KeyMask() const;

  friend constexpr bool operator==(const TPixelFormat&, const TPixelFormat&) = default;
};

// One channel's field: n bits at l, entered by the shift s = l + n - 8.
struct TChannelField {
  std::uint32_t Mask = 0;
  int Shift = 0;

  explicit TChannelField(std::uint32_t mask);
  std::uint32_t In(std::uint32_t channel8) const {
    return (Shift >= 0 ? channel8 << Shift : channel8 >> -Shift) & Mask;
  }
  std::uint32_t Out(std::uint32_t raw) const {
    const std::uint32_t v = raw & Mask;
    return (Shift >= 0 ? v >> Shift : v << -Shift) & 0xFF;
  }
};

int CountBits(std::uint32_t mask);
