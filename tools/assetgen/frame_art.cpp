#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

constexpr int Tile = 64;
constexpr int Bar = 9;
constexpr double PlateRadius = 25.0;

// Across the bar from its outer edge: a dark rim, a bright bevel, the metal
// darkening towards the inside, and a dark inner rim.
const QRgb BarProfile[Bar] = {qRgb(72, 72, 58),    qRgb(204, 204, 176), qRgb(184, 184, 154),
                              qRgb(168, 168, 140), qRgb(156, 156, 128), qRgb(144, 144, 118),
                              qRgb(128, 128, 104), qRgb(102, 102, 82),  qRgb(50, 50, 40)};

QRgb barPixel(int across, int along) {
  const double grain = 0.97 + hashUnit(across, along % Tile, 41) * 0.06;
  return shadeRgb(BarProfile[across], grain);
}

// The top-left corner: bars along the top and left edges and a quarter-round
// plate holding a slotted screw.
QImage cornerTopLeft() {
  QImage tile(Tile, Tile, QImage::Format_RGB32);
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Tile; ++x) {
      int inside = 0;
      for (int s = 0; s < 16; ++s) {
        const double sx = x + (s % 4 + 0.5) / 4;
        const double sy = y + (s / 4 + 0.5) / 4;
        if (std::hypot(sx, sy) <= PlateRadius) ++inside;
      }
      const double d = std::hypot(x + 0.5, y + 0.5);
      if (inside >= 8) {
        const double t = d / PlateRadius;
        QRgb c = mixRgb(qRgb(196, 196, 166), qRgb(134, 134, 108), t);
        if (d > PlateRadius - 1.2)
          c = qRgb(58, 58, 46);  // dark rim on the curved side
        else if (d > PlateRadius - 2.2)
          c = qRgb(112, 112, 90);
        if (x == 0 || y == 0) c = BarProfile[0];
        tile.setPixel(x, y, shadeRgb(c, 0.98 + hashUnit(x, y, 42) * 0.04));
      } else if (y < Bar) {
        tile.setPixel(x, y, barPixel(y, x));
      } else if (x < Bar) {
        tile.setPixel(x, y, barPixel(x, y));
      } else {
        tile.setPixel(x, y, Key);
      }
    }
  }
  QPainter p(&tile);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(11.5, 11.5);
  QRadialGradient head(centre - QPointF(1.5, 1.5), 6.0);
  head.setColorAt(0.0, QColor(236, 236, 214));
  head.setColorAt(1.0, QColor(118, 118, 96));
  p.setPen(QPen(QColor(46, 46, 36), 1.0));
  p.setBrush(head);
  p.drawEllipse(centre, 5.0, 5.0);
  p.setPen(QPen(QColor(40, 40, 32), 1.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(centre + QPointF(-3.2, 3.2), centre + QPointF(3.2, -3.2));
  return tile;
}

QImage barLeft() {
  QImage tile(Tile, Tile, QImage::Format_RGB32);
  tile.fill(Key);
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Bar; ++x) tile.setPixel(x, y, barPixel(x, y));
  }
  return tile;
}

QImage barTop() {
  QImage tile(Tile, Tile, QImage::Format_RGB32);
  tile.fill(Key);
  for (int y = 0; y < Bar; ++y) {
    for (int x = 0; x < Tile; ++x) tile.setPixel(x, y, barPixel(y, x));
  }
  return tile;
}

void place(QImage& droga, int pattern, const QImage& tile) {
  blit(droga, tile, (pattern % 8) * Tile, (pattern / 8) * Tile);
}

}  // namespace

void paintFramePieces(QImage& droga) {
  const QImage corner = cornerTopLeft();
  place(droga, 23, corner);
  place(droga, 31, corner.mirrored(true, false));
  place(droga, 39, corner.mirrored(false, true));
  place(droga, 47, corner.mirrored(true, true));
  const QImage left = barLeft();
  const QImage top = barTop();
  place(droga, 56, left);
  place(droga, 57, left.mirrored(true, false));
  place(droga, 58, top);
  place(droga, 59, top.mirrored(false, true));
}

}  // namespace art
