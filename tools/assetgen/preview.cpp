#include <QPainter>
#include <QTransform>
#include <cmath>

#include "sim/track_map.h"
#include "tools/assetgen/art_common.h"
#include "tools/assetgen/catalogue_art.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

QImage pattern(const CataloguePicture& picture, int index) {
  const int pw = picture.patternWidth ? picture.patternWidth : picture.reduced.width();
  const int ph = picture.patternHeight ? picture.patternHeight : picture.reduced.height();
  const int perRow = picture.reduced.width() / pw;
  return picture.reduced.copy((index % perRow) * pw, (index / perRow) * ph, pw, ph);
}

void drawKeyed(QImage& screen, const QImage& part, int x, int y) {
  for (int py = 0; py < part.height(); ++py) {
    for (int px = 0; px < part.width(); ++px) {
      const QRgb c = part.pixel(px, py) | 0xFF000000u;
      const int sx = x + px;
      const int sy = y + py;
      if (c != Key && sx >= 0 && sy >= 0 && sx < screen.width() && sy < screen.height()) {
        screen.setPixel(sx, sy, c);
      }
    }
  }
}

// Nearest-pixel rotation about (cx, cy) of the part, angle in 256ths of a turn.
void drawRotated(QImage& screen, const QImage& part, double x, double y, double cx, double cy,
                 double angle) {
  const double a = angle * 2 * 3.14159265358979 / 256;
  const double c = std::cos(a);
  const double s = std::sin(a);
  const int reach = int(std::hypot(part.width(), part.height())) + 2;
  for (int sy = int(y) - reach; sy <= int(y) + reach; ++sy) {
    for (int sx = int(x) - reach; sx <= int(x) + reach; ++sx) {
      const double dx = sx + 0.5 - x;
      const double dy = sy + 0.5 - y;
      const double u = dx * c + dy * s + cx * part.width();
      const double v = -dx * s + dy * c + cy * part.height();
      if (u < 0 || v < 0 || u >= part.width() || v >= part.height()) continue;
      const QRgb colour = part.pixel(int(u), int(v)) | 0xFF000000u;
      if (colour != Key && sx >= 0 && sy >= 0 && sx < screen.width() && sy < screen.height()) {
        screen.setPixel(sx, sy, colour);
      }
    }
  }
}

}  // namespace

QImage screenPreview(const std::vector<CataloguePicture>& pictures, lesson::Language language) {
  QImage screen(640, 480, QImage::Format_RGB32);
  screen.fill(qRgb(0, 0, 0));
  const auto& droga = pictures[3];
  // The car a little way up the left straight, turning right.
  const double carX = 192, carY = 330, heading = 20, distance = 1234.5;
  const QImage mosaic = trackMosaic(droga.reduced);
  drawKeyed(screen, mosaic, int(300 - carX), int(208 - carY));
  drawRotated(screen, pattern(pictures[0], 0), 220, 240, 0.5, 0.5, heading);

  for (int y = 64; y <= 384; y += 64) drawKeyed(screen, pattern(droga, 56), 0, y);
  for (int y = 64; y <= 384; y += 64) drawKeyed(screen, pattern(droga, 57), 416, y);
  for (int x = 64; x <= 384; x += 64) drawKeyed(screen, pattern(droga, 58), x, 0);
  for (int x = 64; x <= 384; x += 64) drawKeyed(screen, pattern(droga, 59), x, 416);
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 3; ++j) drawKeyed(screen, pattern(droga, 55), 480 + 64 * j, 160 + 64 * i);
  }
  drawKeyed(screen, pattern(droga, 23), 0, 0);
  drawKeyed(screen, pattern(droga, 31), 416, 0);
  drawKeyed(screen, pattern(droga, 39), 0, 416);
  drawKeyed(screen, pattern(droga, 47), 416, 416);
  drawKeyed(screen, pictures[12].reduced, 35, 450);

  const int hundreds = int(distance) / 100;
  const double roll = (distance - 100 * hundreds) / 7;
  const int v = hundreds % 10;
  const int n = v == 9 ? 0 : v + 1;
  drawKeyed(screen, pattern(pictures[8], n), 480 + 95, int(251 + roll));
  drawKeyed(screen, pattern(pictures[8], v), 480 + 95, int(265 + roll));
  const int km = int(std::nearbyint(distance)) / 1000;
  int rest = km;
  for (int c = 0; c < 5; ++c) {
    drawKeyed(screen, pattern(pictures[9], rest % 10), 480 + 81 - 10 * c, 265);
    rest /= 10;
  }
  drawKeyed(screen, pictures[10].reduced, 480, 160);
  const double speed = -430;
  drawRotated(screen, pictures[11].reduced, 558, 230, 0.5, 0.95,
              std::nearbyint(std::abs(speed * 128 / -800) - 64));

  drawKeyed(screen, pictures[6].reduced, 480, 0);
  const int mx = int(std::nearbyint(carX / 8)) + 468;
  const int my = int(std::nearbyint(carY / 8));
  drawKeyed(screen, pattern(pictures[7], 2), 470, my);
  drawKeyed(screen, pattern(pictures[7], 1), mx, 76);
  drawKeyed(screen, pattern(pictures[7], 0), mx, my - 16);
  drawRotated(screen, pictures[5].reduced, mx, my, 0.5, 0.5, heading);
  QPainter p(&screen);
  p.setPen(QColor(0, 255, 0));
  p.drawLine(493, 68, 493, my);
  p.drawLine(493, 68, mx, 68);
  p.drawLine(493, 68, mx, my);
  p.setPen(QColor(255, 255, 0));
  p.setFont(sans(11, false));
  const Displacement d = DisplacementAt(carX, carY);
  const QString m = QString::fromUtf8(lesson::TrIn(language, "unit", "m"));
  const QString s = QString::fromUtf8(lesson::TrIn(language, "unit", "s"));
  p.drawText(540, 81, QStringLiteral("Rx=%1 %2").arg(d.Rx, 0, 'f', 0).arg(m));
  p.drawText(540, 96, QStringLiteral("Ry=%1 %2").arg(d.Ry, 0, 'f', 0).arg(m));
  p.drawText(540, 111, QStringLiteral("|R|=%1 %2").arg(d.Length, 0, 'f', 1).arg(m));
  p.drawText(485, 311,
             QString::fromUtf8(lesson::TrIn(language, "", "Czas t=")) + QStringLiteral("93 ") + s);
  p.drawText(485, 331,
             QString::fromUtf8(lesson::TrIn(language, "", "Droga s=")) +
                 QString::number(distance, 'f', 0) + m);
  return screen;
}

}  // namespace art
