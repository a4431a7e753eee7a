#include "sim/track_map.h"

// clang-format off
const std::array<std::int32_t, MapColumns * MapRows> TrackMap = {
  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0,  8,  9, 10, 46, 30, 46, 11, 12, 13,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0, 16, 17, 18, 54, 54, 54, 19, 20, 21,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0, 24, 25, 26,  0,  0,  0, 27, 28, 29,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0,  5,  6,  0,  0,  0,  0,  0, 32, 33, 34,  0,  0,  0,  0,  0,  0,  0,  0,  0,
  0,  5,  6,  0,  0,  0,  0,  0, 40, 41, 42, 46, 46, 46, 46, 46, 11, 12, 13,  0,
  0,  5,  6,  0,  0,  0,  0,  0, 48, 49, 50, 54, 38, 54, 54, 54, 19, 20, 21,  0,
  0,  7, 15,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 27, 28, 29,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0,  1,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  4,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0,  5,  6,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  5,  6,  0,
  0, 32, 33, 34,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 35, 36, 37,  0,
  0, 40, 41, 42, 46, 46, 46, 46, 46, 46, 14, 46, 46, 46, 46, 46, 43, 44, 45,  0,
  0, 48, 49, 50, 54, 54, 54, 54, 54, 54, 54, 54, 54, 54, 54, 54, 51, 52, 53,  0,
  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
};
// clang-format on

TileLocation TileAt(double x, double y) {
  // Rounding is to the nearest with ties to even (the default mode), and the
  // division truncates towards zero, so -4..-1 still land in column 0.
  const std::int64_t rx = RoundToInt64(Extended(x) - 100);
  const std::int64_t ry = RoundToInt64(Extended(y) + 16);
  TileLocation t;
  t.Col = static_cast<std::int32_t>(rx / TileSize);
  t.Row = static_cast<std::int32_t>(ry / TileSize);
  t.Index = t.Row * MapColumns + t.Col;
  return t;
}

Displacement DisplacementAt(double x, double y) {
  Displacement d;
  d.Rx = static_cast<double>((Extended(x) - StartX) * MetresPerPixel);
  d.Ry = static_cast<double>((StartY - Extended(y)) * MetresPerPixel);
  const Extended rx = d.Rx, ry = d.Ry;
  d.Length = static_cast<double>(Sqrt(rx * rx + ry * ry));
  return d;
}
