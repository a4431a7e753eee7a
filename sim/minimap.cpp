#include "sim/minimap.h"

#include <cmath>

#include "gfx/canvas.h"
#include "gfx/picture_collection.h"
#include "gfx/surface.h"
#include "sim/instrument_panel.h"
#include "sim/picture_catalogue.h"

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
