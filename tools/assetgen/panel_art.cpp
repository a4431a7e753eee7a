#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>
#include <numbers>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

// Odometer digits, 5 x 8, drawn pixel by pixel so that they stay sharp in
// 16 colours.
const std::array<std::array<const char*, 8>, 10> DigitGlyphs = {{
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"..#..", ".##..", "#.#..", "..#..", "..#..", "..#..", "..#..", "#####"},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#....", "#####"},
    {".###.", "#...#", "....#", "..##.", "....#", "....#", "#...#", ".###."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#.", "...#."},
    {"#####", "#....", "####.", "....#", "....#", "....#", "#...#", ".###."},
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", "#...#", ".###."},
    {"#####", "....#", "...#.", "...#.", "..#..", "..#..", ".#...", ".#..."},
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},
}};

// The speed scale: dial readings 0 to 180 spread over the upper half turn as
// seen from the needle's pivot.
const QPointF Pivot(78.5, 70.5);
const QPointF ArcCentre(78.5, 85.5);
constexpr double ArcOuter = 77.5;
constexpr double ArcInner = 73.5;

QPointF dialDirection(double reading) {
  const double a = (180.0 - reading) * std::numbers::pi / 180.0;
  return {std::cos(a), -std::sin(a)};
}

// Distance from the pivot along a dial direction to the inner edge of the arc.
double distanceToArc(QPointF direction) {
  const QPointF o = Pivot - ArcCentre;
  const double b = o.x() * direction.x() + o.y() * direction.y();
  const double c = o.x() * o.x() + o.y() * o.y() - ArcInner * ArcInner;
  return -b + std::sqrt(b * b - c);
}

QRgb scaleColour(double t) {
  const QRgb green = qRgb(40, 200, 60);
  const QRgb orange = qRgb(255, 150, 20);
  const QRgb red = qRgb(235, 20, 20);
  if (t < 0.62) return green;
  if (t < 0.82) return mixRgb(green, orange, (t - 0.62) / 0.2);
  return mixRgb(orange, red, std::min(1.0, (t - 0.82) / 0.14));
}

void paintScaleArc(QImage& face) {
  const double startAngle = std::atan2(85.5 - 69.0, 4.0 - 78.5);  // left end, y up
  const double endAngle = std::atan2(85.5 - 69.0, 153.0 - 78.5);  // right end
  for (int y = 0; y < 80; ++y) {
    for (int x = 0; x < face.width(); ++x) {
      double r = 0, g = 0, b = 0;
      int hits = 0;
      for (int s = 0; s < 16; ++s) {
        const double sx = x + (s % 4 + 0.5) / 4 - ArcCentre.x();
        const double sy = ArcCentre.y() - (y + (s / 4 + 0.5) / 4);
        const double d = std::hypot(sx, sy);
        const double a = std::atan2(sy, sx);
        if (d < ArcInner || d > ArcOuter || a > startAngle || a < endAngle) continue;
        const double t = (startAngle - a) / (startAngle - endAngle);
        const QRgb c = scaleColour(t);
        r += qRed(c);
        g += qGreen(c);
        b += qBlue(c);
        ++hits;
      }
      if (hits) face.setPixel(x, y, qRgb(int(r / 16), int(g / 16), int(b / 16)));
    }
  }
}

void paintDial(QImage& face) {
  QPainter p(&face);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // Graduation across the arc: light marks at the labelled readings, dark
  // notches between them.
  for (int reading = 0; reading <= 180; reading += 10) {
    const QPointF dir = dialDirection(reading);
    const double hit = distanceToArc(dir);
    const bool major = reading % 20 == 0;
    p.setPen(QPen(major ? QColor(235, 235, 235) : QColor(0, 0, 0), major ? 1.3 : 1.0, Qt::SolidLine,
                  Qt::FlatCap));
    p.drawLine(Pivot + dir * (hit - (major ? 1.5 : -0.3)), Pivot + dir * (hit + 4.5));
  }
  p.setFont(sans(9, false));
  p.setPen(QColor(200, 200, 200));
  const QFontMetricsF metrics(p.font());
  for (int reading = 0; reading <= 180; reading += 20) {
    const QString label = QString::number(reading);
    const QPointF dir = dialDirection(reading);
    const double w = metrics.horizontalAdvance(label);
    const double h = 8.0;
    // Keep each label's box just clear of the long tick, whatever the direction.
    const double reach = std::abs(dir.x()) * w / 2 + std::abs(dir.y()) * h / 2;
    const QPointF centre = Pivot + dir * (distanceToArc(dir) - 4.5 - reach);
    p.drawText(QRectF(centre.x() - w / 2 - 2, centre.y() - 6, w + 4, 12), Qt::AlignCenter, label);
  }
  // No unit on the face: the needle is read against the read-outs, in metres
  // per second of the run's clock, not in km/h.
}

void paintScrew(QPainter& p, QPointF centre, double radius) {
  QRadialGradient head(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
  head.setColorAt(0.0, QColor(235, 235, 235));
  head.setColorAt(1.0, QColor(105, 105, 105));
  p.setPen(QPen(QColor(50, 50, 50), 0.8));
  p.setBrush(head);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(QColor(45, 45, 45), 1.0, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(centre + QPointF(-radius * 0.7, radius * 0.7),
             centre + QPointF(radius * 0.7, -radius * 0.7));
}

void paintOdometerPlate(QImage& face, lesson::Language language) {
  QPainter p(&face);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient metal(0, 95, 0, 127);
  metal.setColorAt(0.0, QColor(190, 190, 190));
  metal.setColorAt(0.5, QColor(150, 150, 150));
  metal.setColorAt(1.0, QColor(110, 110, 110));
  p.setPen(QPen(QColor(70, 70, 70), 1.0));
  p.setBrush(metal);
  p.drawRoundedRect(QRectF(25.5, 95.5, 107, 32), 4, 4);
  // Sunken bezels round the windows.
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(80, 80, 80));
  p.drawRect(39, 103, 53, 17);
  p.drawRect(93, 103, 13, 17);
  p.setBrush(QColor(0, 0, 0));
  p.drawRect(40, 104, 51, 15);
  p.drawRect(94, 104, 11, 15);
  p.setRenderHint(QPainter::Antialiasing);
  paintScrew(p, QPointF(31.5, 111.5), 3.0);
  paintScrew(p, QPointF(127.0, 111.5), 3.0);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(sans(11, true));
  p.setPen(QColor(255, 255, 255));
  p.drawText(QRect(106, 104, 17, 15), Qt::AlignCenter,
             QString::fromUtf8(lesson::TrIn(language, "unit", "km")));
}

}  // namespace

QImage paintOdometerDigits(bool red) {
  QImage strip(9, 154, QImage::Format_RGB32);
  strip.fill(red ? qRgb(255, 0, 0) : qRgb(0, 0, 0));
  for (int cell = 0; cell < 11; ++cell) {
    const auto& glyph = DigitGlyphs[std::size_t(cell % 10)];
    for (int row = 0; row < 8; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (glyph[std::size_t(row)][col] == '#') {
          strip.setPixel(2 + col, cell * 14 + 3 + row, qRgb(255, 255, 255));
        }
      }
    }
  }
  return strip;
}

QImage paintInstrumentFace(lesson::Language language) {
  QImage face(160, 135, QImage::Format_RGB32);
  face.fill(qRgb(0, 0, 0));
  paintScaleArc(face);
  paintDial(face);
  paintOdometerPlate(face, language);
  // Only the six windows are see-through.
  for (int y = 0; y < face.height(); ++y) {
    for (int x = 0; x < face.width(); ++x) {
      face.setPixel(x, y, awayFromKey(face.pixel(x, y)));
    }
  }
  const int windows[] = {41, 51, 61, 71, 81, 95};
  for (int left : windows) {
    for (int y = 105; y <= 117; ++y) {
      for (int x = left; x < left + 9; ++x) face.setPixel(x, y, Key);
    }
  }
  return face;
}

QImage paintNeedle() {
  QImage needle(9, 62, QImage::Format_RGB32);
  needle.fill(Key);
  const QRgb white = qRgb(255, 255, 255);
  const QRgb silver = qRgb(192, 192, 192);
  const QRgb grey = qRgb(128, 128, 128);
  for (int y = 1; y <= 18; ++y) needle.setPixel(4, y, white);
  for (int y = 19; y <= 26; ++y) needle.setPixel(4, y, silver);
  for (int y = 27; y <= 52; ++y) {
    for (int x = 3; x <= 5; ++x) needle.setPixel(x, y, silver);
  }
  for (int y = 53; y <= 61; ++y) {
    for (int x = 0; x < 9; ++x) {
      const int dx = x - 4;
      const int dy = y - 57;
      if (dx * dx + dy * dy <= 20) needle.setPixel(x, y, grey);
    }
  }
  // A highlight on the hub and a dark pin at its middle.
  needle.setPixel(3, 55, silver);
  needle.setPixel(2, 56, silver);
  needle.setPixel(4, 57, qRgb(0, 0, 0));
  return needle;
}

namespace {

struct LegendKey {
  int left;
  int right;  // inclusive
  QString cap;
  QString label;
  int arrow;  // quarter turns of an up arrow, or -1 for a text cap
};

void paintKeyCap(QPainter& p, const LegendKey& key) {
  const QRectF outer(key.left + 0.5, 0.5, key.right - key.left, 24);
  p.setPen(QPen(QColor(30, 30, 30), 1.0));
  p.setBrush(QColor(96, 96, 100));
  p.drawRoundedRect(outer, 3.5, 3.5);
  const QRectF top(key.left + 3, 2, key.right - key.left - 5, 18);
  QLinearGradient face(0, top.top(), 0, top.bottom());
  face.setColorAt(0.0, QColor(226, 226, 230));
  face.setColorAt(1.0, QColor(178, 178, 184));
  p.setPen(QPen(QColor(120, 120, 126), 1.0));
  p.setBrush(face);
  p.drawRoundedRect(top, 2.5, 2.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0));
  if (key.arrow >= 0) {
    p.save();
    p.translate(top.center());
    p.rotate(90.0 * key.arrow);
    QPainterPath arrow;
    arrow.moveTo(0, -6.5);
    arrow.lineTo(5, -0.5);
    arrow.lineTo(1.5, -0.5);
    arrow.lineTo(1.5, 6.5);
    arrow.lineTo(-1.5, 6.5);
    arrow.lineTo(-1.5, -0.5);
    arrow.lineTo(-5, -0.5);
    arrow.closeSubpath();
    p.drawPath(arrow);
    p.restore();
  } else {
    p.setFont(sans(11, true));
    p.setPen(QColor(0, 0, 0));
    p.drawText(top, Qt::AlignCenter, key.cap);
  }
}

}  // namespace

QImage paintKeyLegend(lesson::Language language) {
  const LegendKey keys[] = {
      {0, 25, nullptr, lesson::TrIn(language, "key legend", "Do przodu"), 0},
      {81, 106, nullptr, lesson::TrIn(language, "key legend", "Do tyłu"), 2},
      {151, 176, nullptr, lesson::TrIn(language, "key legend", "W lewo"), 3},
      {226, 251, nullptr, lesson::TrIn(language, "key legend", "W prawo"), 1},
      {310, 383, lesson::TrIn(language, "key legend", "Spacja"),
       lesson::TrIn(language, "key legend", "Stop / Zadanie"), -1},
      {474, 505, lesson::TrIn(language, "key legend", "Esc"),
       lesson::TrIn(language, "key legend", "Koniec"), -1},
  };
  QImage canvas = clearCanvas(553, 25);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  for (const LegendKey& key : keys) paintKeyCap(p, key);
  // White labels with a dark outline, readable over the track and the panel;
  // the largest size at which every label ends before the next key.
  double size = 13;
  for (; size > 8; size -= 1) {
    const QFontMetricsF metrics(sansCondensed(size, true));
    bool fits = true;
    for (std::size_t i = 0; i < std::size(keys); ++i) {
      const int limit = i + 1 < std::size(keys) ? keys[i + 1].left - 2 : canvas.width() - 1;
      fits &= keys[i].right + 4 + metrics.horizontalAdvance(keys[i].label) <= limit;
    }
    if (fits) break;
  }
  p.setFont(sansCondensed(size, true));
  for (const LegendKey& key : keys) {
    const QRect box(key.right + 4, 0, 90, 25);
    p.setPen(QColor(0, 0, 0));
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        if (dx || dy)
          p.drawText(box.translated(dx, dy), Qt::AlignLeft | Qt::AlignVCenter, key.label);
      }
    }
    p.setPen(QColor(255, 255, 255));
    p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, key.label);
  }
  p.end();
  return keyedFromCoverage(canvas, qRgb(0, 0, 0), 110);
}

}  // namespace art
