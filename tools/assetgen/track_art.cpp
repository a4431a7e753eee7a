#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/track_map.h"
#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

constexpr int Tile = 64;
const QRgb PaintWhite = qRgb(244, 244, 240);

// Dashes of the centre line on a straight, by position along the tile: three
// dashes of 12 with gaps of 9, 9 and 10, the longest gap centred on the tile
// border, so the pattern reads the same in both directions and repeats from
// tile to tile.
bool straightDash(double t) {
  const double m = std::fmod(t, double(Tile));
  return (m >= 5 && m < 17) || (m >= 26 && m < 38) || (m >= 47 && m < 59);
}

// Dashes of the centre circle: nine per quarter turn (12.5 long, gaps of
// about 9.8), with a gap centred where each quarter meets a straight.
bool ringDash(double angle) {
  const double quarters = angle / (std::numbers::pi / 2);
  double phase = std::fmod(quarters * 9, 1.0);
  if (phase < 0) phase += 1;
  return phase >= 0.22 && phase < 0.78;
}

Ground verticalLane(bool left, double u, double v) {
  const bool outer = left ? u < 1 : u >= Tile - 1;
  const bool inner = left ? u >= Tile - 1 : u < 1;
  if (outer || (inner && straightDash(v))) return Ground::Paint;
  return Ground::Asphalt;
}

Ground horizontalLane(bool upper, double u, double v) {
  const bool outer = upper ? v < 1 : v >= Tile - 1;
  const bool inner = upper ? v >= Tile - 1 : v < 1;
  if (outer || (inner && straightDash(u))) return Ground::Paint;
  return Ground::Asphalt;
}

bool isRingPattern(int pattern) {
  const int row = pattern / 8;
  const int col = pattern % 8;
  return row >= 1 && row <= 6 && col <= 5;
}

Ground ringGround(int pattern, double u, double v) {
  const double bx = (pattern % 8) * Tile + u;
  const double by = (pattern / 8 - 1) * Tile + v;
  const double dx = bx - 3 * Tile;
  const double dy = by - 3 * Tile;
  const double r = std::hypot(dx, dy);
  if (r < 64 || r > 192) return Ground::Gravel;
  if (r >= 191 || r <= 65) return Ground::Paint;
  if (r >= 127 && r <= 129 && ringDash(std::atan2(dy, dx))) return Ground::Paint;
  return Ground::Asphalt;
}

QImage makeGravelTile() {
  QImage tile(Tile, Tile, QImage::Format_RGB32);
  const QRgb dark = qRgb(62, 63, 66);
  const QRgb blue = qRgb(80, 88, 104);
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Tile; ++x) {
      const double broad = periodicNoise(x, y, 16, Tile, 11);
      const double fine = periodicNoise(x, y, 4, Tile, 12);
      QRgb c = mixRgb(dark, blue, std::clamp(broad * 0.4 + fine * 0.5 + 0.05, 0.0, 1.0));
      c = shadeRgb(c, 0.86 + hashUnit(x, y, 13) * 0.28);
      tile.setPixel(x, y, c);
    }
  }
  // Pebbles, each lit from the upper left, wrapping round the tile edges so
  // that neighbouring ground tiles run on without a seam.
  Rng rng(2024);
  for (int i = 0; i < 260; ++i) {
    const double cx = rng.unit() * Tile;
    const double cy = rng.unit() * Tile;
    const double radius = 0.6 + rng.unit() * rng.unit() * 1.6;
    const int toneKind = rng.below(3);
    const QRgb tone = toneKind == 0   ? qRgb(104, 106, 110)
                      : toneKind == 1 ? qRgb(92, 100, 118)
                                      : qRgb(44, 45, 50);
    for (int oy = -3; oy <= 3; ++oy) {
      for (int ox = -3; ox <= 3; ++ox) {
        const int px = static_cast<int>(std::floor(cx)) + ox;
        const int py = static_cast<int>(std::floor(cy)) + oy;
        const double dx = px + 0.5 - cx;
        const double dy = py + 0.5 - cy;
        const double d = std::hypot(dx, dy);
        if (d > radius + 0.5) continue;
        const double cover = std::clamp(radius + 0.5 - d, 0.0, 1.0);
        const double light = std::clamp(1.0 - (dx + dy) / (radius * 4.0), 0.75, 1.2);
        const int wx = (px % Tile + Tile) % Tile;
        const int wy = (py % Tile + Tile) % Tile;
        tile.setPixel(wx, wy, mixRgb(tile.pixel(wx, wy), shadeRgb(tone, light), cover * 0.7));
      }
    }
  }
  return tile;
}

QImage makeAsphaltTile() {
  QImage tile(Tile, Tile, QImage::Format_RGB32);
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Tile; ++x) {
      const double broad = periodicNoise(x, y, 16, Tile, 21);
      const double grain = hashUnit(x, y, 22);
      int level = 30 + static_cast<int>(broad * 6 + grain * 9);
      if (hashUnit(x, y, 23) > 0.97) level += 10;  // a lighter chip here and there
      tile.setPixel(x, y, qRgb(level, level, level + 3));
    }
  }
  return tile;
}

// Paints one road pattern by sampling its ground 4 x 4 times per pixel.
void paintRoadTile(QImage& droga, int pattern, const QImage& gravel, const QImage& asphalt) {
  const int ox = (pattern % 8) * Tile;
  const int oy = (pattern / 8) * Tile;
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Tile; ++x) {
      int counts[3] = {0, 0, 0};
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) {
          const Ground g = roadGroundAt(pattern, x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
          ++counts[static_cast<int>(g)];
        }
      }
      const double r = qRed(gravel.pixel(x, y)) * counts[0] +
                       qRed(asphalt.pixel(x, y)) * counts[1] + qRed(PaintWhite) * counts[2];
      const double g = qGreen(gravel.pixel(x, y)) * counts[0] +
                       qGreen(asphalt.pixel(x, y)) * counts[1] + qGreen(PaintWhite) * counts[2];
      const double b = qBlue(gravel.pixel(x, y)) * counts[0] +
                       qBlue(asphalt.pixel(x, y)) * counts[1] + qBlue(PaintWhite) * counts[2];
      droga.setPixel(ox + x, oy + y, qRgb(int(r / 16 + 0.5), int(g / 16 + 0.5), int(b / 16 + 0.5)));
    }
  }
}

// A white arrow about 40 pixels long, pointing up before `turns` quarter
// turns clockwise, centred in the tile.
void paintArrow(QImage& droga, int pattern, int turns) {
  QPainter p(&droga);
  p.setRenderHint(QPainter::Antialiasing);
  // Half-pixel centre so that the 3-pixel shaft covers whole pixels.
  p.translate((pattern % 8) * Tile + 32.5, (pattern / 8) * Tile + 32.5);
  p.rotate(90.0 * turns);
  QPainterPath arrow;
  arrow.moveTo(0, -20);
  arrow.lineTo(4.5, -12);
  arrow.lineTo(1.5, -12);
  arrow.lineTo(1.5, 20);
  arrow.lineTo(-1.5, 20);
  arrow.lineTo(-1.5, -12);
  arrow.lineTo(-4.5, -12);
  arrow.closeSubpath();
  p.fillPath(arrow, QColor(PaintWhite));
}

void paintWord(QImage& droga, int pattern, const QString& word, QRgb colour, int top) {
  QPainter p(&droga);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(sans(13, true));
  p.setPen(QColor(colour));
  const QRect box((pattern % 8) * Tile + 2, (pattern / 8) * Tile + top, Tile - 4, 16);
  p.drawText(box, Qt::AlignHCenter | Qt::AlignVCenter, word);
}

void paintCrossLine(QImage& droga, int pattern, int row) {
  const int ox = (pattern % 8) * Tile;
  const int oy = (pattern / 8) * Tile;
  for (int y = row; y < row + 2; ++y) {
    for (int x = 0; x < Tile; ++x) droga.setPixel(ox + x, oy + y, PaintWhite);
  }
}

void fillPattern(QImage& droga, int pattern, QRgb colour) {
  const int ox = (pattern % 8) * Tile;
  const int oy = (pattern / 8) * Tile;
  for (int y = 0; y < Tile; ++y) {
    for (int x = 0; x < Tile; ++x) droga.setPixel(ox + x, oy + y, colour);
  }
}

}  // namespace

Ground roadGroundAt(int pattern, double u, double v) {
  if (isRingPattern(pattern)) return ringGround(pattern, u, v);
  switch (pattern) {
    case 1:
    case 3:
    case 5:
    case 7:
      return verticalLane(true, u, v);
    case 2:
    case 4:
    case 6:
    case 15:
      return verticalLane(false, u, v);
    case 14:
    case 30:
    case 46:
      return horizontalLane(true, u, v);
    case 22:
    case 38:
    case 54:
      return horizontalLane(false, u, v);
    default:
      return Ground::Gravel;
  }
}

QImage paintDroga(lesson::Language language) {
  QImage droga(8 * Tile, 8 * Tile, QImage::Format_RGB32);
  droga.fill(Key);
  const QImage gravel = makeGravelTile();
  const QImage asphalt = makeAsphaltTile();
  for (int pattern = 0; pattern < 64; ++pattern) {
    const bool frame = pattern == 23 || pattern == 31 || pattern == 39 || pattern == 47 ||
                       (pattern >= 55 && pattern <= 63);
    if (!frame) paintRoadTile(droga, pattern, gravel, asphalt);
  }
  paintArrow(droga, 1, 0);
  paintArrow(droga, 2, 0);
  paintArrow(droga, 3, 2);
  paintArrow(droga, 4, 2);
  paintArrow(droga, 14, 3);
  paintArrow(droga, 22, 3);
  paintArrow(droga, 30, 1);
  paintArrow(droga, 38, 1);
  paintWord(droga, 7, QString::fromUtf8(lesson::TrIn(language, "track", "START")), PaintWhite, 10);
  paintCrossLine(droga, 7, 34);
  paintCrossLine(droga, 15, 28);
  paintWord(droga, 15, QString::fromUtf8(lesson::TrIn(language, "track", "META")),
            qRgb(150, 150, 150), 36);
  fillPattern(droga, 55, qRgb(0, 0, 0));
  for (int pattern = 60; pattern < 64; ++pattern) fillPattern(droga, pattern, qRgb(255, 255, 255));
  paintFramePieces(droga);
  return droga;
}

QImage paintSmallWorld(const QImage& droga) {
  QImage small(64, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const int pattern = (y / 8) * 8 + x / 8;
      if (pattern == 55) {
        small.setPixel(x, y, qRgb(128, 128, 128));
        continue;
      }
      int r = 0, g = 0, b = 0, n = 0;
      for (int sy = 0; sy < 8; ++sy) {
        for (int sx = 0; sx < 8; ++sx) {
          const QRgb c = droga.pixel(x * 8 + sx, y * 8 + sy);
          r += qRed(c);
          g += qGreen(c);
          b += qBlue(c);
          ++n;
        }
      }
      small.setPixel(x, y, qRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n));
    }
  }
  return small;
}

QImage paintMinimap(lesson::Language language) {
  QImage map(160, 160, QImage::Format_RGB32);
  const QRgb gravelDark = qRgb(52, 58, 74);
  const QRgb gravelLight = qRgb(66, 74, 92);
  const QRgb road = qRgb(8, 8, 10);
  const QRgb dots = qRgb(215, 215, 210);
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 160; ++x) {
      const int pattern = TrackMap[std::size_t((y / 8) * MapColumns + x / 8)];
      int counts[3] = {0, 0, 0};
      for (int sy = 0; sy < 8; ++sy) {
        for (int sx = 0; sx < 8; ++sx) {
          const double u = (x % 8) * 8 + sx + 0.5;
          const double v = (y % 8) * 8 + sy + 0.5;
          ++counts[static_cast<int>(roadGroundAt(pattern, u, v))];
        }
      }
      const QRgb ground = mixRgb(gravelDark, gravelLight, hashUnit(x, y, 31));
      const double paint = std::min(1.0, counts[2] / 64.0 * 3.0);
      const QRgb surface = mixRgb(road, dots, paint);
      map.setPixel(x, y, mixRgb(ground, surface, (counts[1] + counts[2]) / 64.0));
    }
  }

  QPainter p(&map);
  p.setRenderHint(QPainter::TextAntialiasing);
  const QColor axis(128, 0, 0);
  p.setPen(axis);
  p.setFont(sans(11, true));
  p.drawText(QRect(2, 1, 9, 12), Qt::AlignCenter, QStringLiteral("y"));
  p.drawText(QRect(146, 55, 10, 12), Qt::AlignCenter, QStringLiteral("x"));
  p.drawText(QRect(4, 69, 8, 12), Qt::AlignCenter, QStringLiteral("0"));
  p.setPen(QColor(255, 255, 0));
  p.setFont(sans(10, false));
  p.drawText(QRect(80, 2, 78, 12), Qt::AlignRight | Qt::AlignVCenter,
             QString::fromUtf8(lesson::TrIn(language, "minimap", "R-wektor prze-")));
  p.drawText(QRect(80, 13, 78, 12), Qt::AlignRight | Qt::AlignVCenter,
             QString::fromUtf8(lesson::TrIn(language, "minimap", "mieszczenia")));
  p.end();

  // The axes last and pixel-exact: their crossing is the displacement origin.
  const QRgb red = axis.rgb();
  for (int y = 3; y <= 156; ++y) map.setPixel(13, y, red);
  for (int x = 2; x <= 157; ++x) map.setPixel(x, 68, red);
  for (int i = 1; i <= 4; ++i) {
    map.setPixel(13 - i, 3 + i, red);
    map.setPixel(13 + i, 3 + i, red);
    map.setPixel(157 - i, 68 - i, red);
    map.setPixel(157 - i, 68 + i, red);
  }
  return map;
}

QImage trackMosaic(const QImage& droga) {
  QImage mosaic(MapColumns * Tile, MapRows * Tile, QImage::Format_RGB32);
  QPainter p(&mosaic);
  for (int r = 0; r < MapRows; ++r) {
    for (int c = 0; c < MapColumns; ++c) {
      const int pattern = TrackMap[std::size_t(r * MapColumns + c)];
      p.drawImage(c * Tile, r * Tile, droga, (pattern % 8) * Tile, (pattern / 8) * Tile, Tile,
                  Tile);
    }
  }
  return mosaic;
}

}  // namespace art
