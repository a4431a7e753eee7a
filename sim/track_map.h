#pragma once

#include <array>
#include <cstdint>

#include "sim/extended.h"

// The closed track on a 20 x 20 grid of 64-pixel tiles, and the world geometry
// built on it: world pixels with x to the right and y downwards, the start
// point, the bounds of the car's reference point and the metre scale.

inline constexpr int TileSize = 64;
inline constexpr int MapColumns = 20;
inline constexpr int MapRows = 20;

// Each value is a pattern of the picture "Droga"; any value above 0 is road.
extern const std::array<std::int32_t, MapColumns * MapRows> TrackMap;

inline constexpr std::int32_t StartX = 192;
inline constexpr std::int32_t StartY = 550;

inline constexpr double MinX = 96;
inline constexpr double MinY = 16;
inline constexpr double MaxX = 1328;
inline constexpr double MaxY = 1232;

// The decimal 0.1914062, not 49/256, in extended precision: two exact
// integers divided, so rounded once as the literal would be.
inline constexpr Extended MetresPerPixel = Extended(1914062) / 10000000;

struct TileLocation {
  std::int32_t Col;
  std::int32_t Row;
  std::int32_t Index;
};

// The tile under a position, as the car finds it. Inside the bounds above the
// result always lies in the table.
TileLocation TileAt(double x, double y);

inline bool IsRoad(std::int32_t tileIndex) {
  return TrackMap[tileIndex] > 0;
}

struct Displacement {
  double Rx;  // metres along x
  double Ry;  // metres along y, up the screen positive
  double Length;
};

// The displacement from the start point in metres.
Displacement DisplacementAt(double x, double y);
