#pragma once

#include <cstdint>
#include <utility>

class TDirectDrawSurface;
class TDirectDrawSurfaceCanvas;
class TPictureCollection;

struct MapPoint {
  int X;
  int Y;
  bool operator==(const MapPoint&) const = default;
};

// The minimap shows the world at one eighth of its size; the crossing of its
// axes stands for the start point.
inline constexpr MapPoint MinimapOrigin = {493, 68};
inline constexpr int MinimapLeft = 480;

// The screen point of a world position on the minimap.
MapPoint MinimapPoint(double x, double y);

// The two points of an arrowhead at (x2, y2): 7 pixels back along the line,
// 20 degrees to either side. A zero-length arrow gets a flat bar instead.
std::pair<MapPoint, MapPoint> ArrowHeadPoints(int x1, int y1, int x2, int y2);

// A line to the tip (x2, y2) with a two-stroke head, in the given colour
// (0x00BBGGRR). The pen stays in that colour at the end of the last stroke.
void DrawArrow(TDirectDrawSurfaceCanvas& canvas, int x1, int y1, int x2, int y2,
               std::int32_t color);

// The map, the labels, the small car and the three displacement arrows for a
// car at (x, y) with the given heading.
void DrawMinimap(TPictureCollection& images, TDirectDrawSurface* surface, double x, double y,
                 double heading);
