#include "sim/minimap.h"

#include <cmath>

MapPoint MinimapPoint(double x, double y) {
  // Ties go to the even neighbour, as the processor rounds by default.
  return {static_cast<int>(std::lrint(x / 8)) + 468, static_cast<int>(std::lrint(y / 8))};
}

std::pair<MapPoint, MapPoint> ArrowHeadPoints(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return {{x1 - 3, y2}, {x1 + 3, y2}};
  constexpr long double Pi = 3.141592653589793238462643383279502884L;
  constexpr long double Spread = 20 * Pi / 180;
  constexpr long double Length = 7;
  const long double back = std::atan2(static_cast<long double>(y1 - y2), x1 - x2);
  auto at = [&](long double angle) {
    return MapPoint{x2 + static_cast<int>(std::lrint(Length * std::cos(angle))),
                    y2 + static_cast<int>(std::lrint(Length * std::sin(angle)))};
  };
  return {at(back + Spread), at(back - Spread)};
}
