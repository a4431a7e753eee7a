#pragma once

#include <cstdint>

#include "gfx/surface.h"

// The pictures the benchmarks draw: a 512 x 512 sheet of 64 x 64 tiles, each
// tile an opaque blob over the colour key, about half of it see-through (as
// the track tiles and the panel frame pieces are), and a 40 x 64 car.
namespace bench_pictures {

constexpr std::uint16_t kKey = 0xF81F;

inline std::uint16_t SheetPixel(int x, int y) {
  const int tx = x / 64, ty = y / 64;
  const int cx = x % 64 - 32, cy = y % 64 - 32;
  const int radius = 22 + (tx * 7 + ty * 3) % 9;  // blobs of a few sizes
  if (cx * cx + cy * cy > radius * radius) return kKey;
  return static_cast<std::uint16_t>(((x * 31) ^ (y * 17)) & 0xF7DE);
}

inline std::uint16_t CarPixel(int x, int y) {
  const bool body = x >= 6 && x < 34 && y >= 2 && y < 62;
  const bool wheel = (x < 6 || x >= 34) && ((y >= 8 && y < 20) || (y >= 44 && y < 56));
  if (!body && !wheel) return kKey;
  return static_cast<std::uint16_t>(wheel ? 0x2104 : 0xF800 | ((y * 5) & 0x7E0));
}

inline void Paint(TDirectDrawSurface& s, std::uint16_t (*pixel)(int, int)) {
  TSurfaceMemory m;
  s.Lock(m);
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      reinterpret_cast<std::uint16_t*>(m.Bits + y * m.Pitch)[x] = pixel(x, y);
  s.Unlock();
  s.SetTransparentColor(kKey);
}

}  // namespace bench_pictures
