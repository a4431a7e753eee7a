#include "sim/minimap.h"

#include <cmath>

#include "gfx/canvas.h"
#include "gfx/picture_collection.h"
#include "gfx/surface.h"
#include "sim/extended.h"
#include "sim/instrument_panel.h"
#include "sim/picture_catalogue.h"

MapPoint MinimapPoint(double x, double y) {
  // Ties go to the even neighbour, as the processor rounds by default.
  return {static_cast<int>(std::lrint(x / 8)) + 468, static_cast<int>(std::lrint(y / 8))};
}

std::pair<MapPoint, MapPoint> ArrowHeadPoints(int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return {{x1 - 3, y2}, {x1 + 3, y2}};
  // Each head point lies 7 pixels from the tip at 20 degrees to either side of
  // the way back to the start. Turning the unit vector back by +-20 degrees
  // needs only the two fixed cosine and sine, not the angle itself, so no
  // library's atan2, cos or sin decides the rounding. For every arrow the
  // minimap can draw this gives the points that the angle's functions give:
  // the nearest any coordinate there comes to a half is 2.5e-5 pixels, and
  // the arithmetic is good to 1e-17.
  constexpr double Cos20 = 0x1.e11f642522d1cp-1;  // 0.9396926207859084
  constexpr double Sin20 = 0x1.5e3a8748a0bf5p-2;  // 0.3420201433256687
  const Extended dx = x1 - x2, dy = y1 - y2;
  const Extended scale = 7 / Sqrt(dx * dx + dy * dy);
  auto at = [&](Extended cosine, Extended sine) {
    return MapPoint{x2 + static_cast<int>(RoundToInt64(cosine * scale)),
                    y2 + static_cast<int>(RoundToInt64(sine * scale))};
  };
  return {at(dx * Cos20 - dy * Sin20, dy * Cos20 + dx * Sin20),
          at(dx * Cos20 + dy * Sin20, dy * Cos20 - dx * Sin20)};
}

void DrawArrow(TDirectDrawSurfaceCanvas& canvas, int x1, int y1, int x2, int y2,
               std::int32_t color) {
  canvas.Pen.Color = color;
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x2, y2);
  const auto [p, q] = ArrowHeadPoints(x1, y1, x2, y2);
  canvas.MoveTo(x2, y2);
  canvas.LineTo(p.X, p.Y);
  canvas.MoveTo(x2, y2);
  canvas.LineTo(q.X, q.Y);
}

void DrawMinimap(TPictureCollection& images, TDirectDrawSurface* surface, double x, double y,
                 double heading) {
  const MapPoint car = MinimapPoint(x, y);
  images.Items(PictureMapka)->Draw(surface, MinimapLeft, 0, 0);
  TPictureCollectionItem* labels = images.Items(PictureRRXRy);
  labels->Draw(surface, 470, car.Y, 2);
  labels->Draw(surface, car.X, 76, 1);
  labels->Draw(surface, car.X, car.Y - 16, 0);
  images.Items(PictureMaleAuto)
      ->DrawRotate(surface, car.X, car.Y, 6, 8, 0, 0.5, 0.5, static_cast<int>(std::lrint(heading)));

  // The arrows are the first canvas work of the frame: every picture is copied by now.
  constexpr std::int32_t Green = 0x00FF00;
  TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
  const MapPoint o = MinimapOrigin;
  DrawArrow(canvas, o.X, o.Y, o.X, car.Y, Green);
  DrawArrow(canvas, o.X, o.Y, car.X, o.Y, Green);
  DrawArrow(canvas, o.X, o.Y, car.X, car.Y, Green);
}
