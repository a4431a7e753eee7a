#pragma once

#include <cstdlib>

// The pixels of a one-pixel line from (x0, y0) to (x1, y1), in order, as the
// canvas draws lines: each step moves to one of the eight neighbours. The end
// point is visited only when asked for, as a canvas leaves it out.
template <class Visit>
void ForEachLinePixel(int x0, int y0, int x1, int y1, bool withEnd, Visit&& visit) {
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0, y = y0;
  while (x != x1 || y != y1) {
    visit(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  if (withEnd) visit(x1, y1);
}
