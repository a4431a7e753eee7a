#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

QPainterPath carBody() {
  // Clockwise from the middle of the nose: bonnet, front wing over the wheel,
  // the cabin's waist, the rear wing and a square tail.
  QPainterPath body;
  body.moveTo(20, 1.5);
  body.cubicTo(27, 1.5, 32.5, 2.5, 33.5, 7);
  body.cubicTo(34.5, 10, 34.5, 19, 34, 23);
  body.cubicTo(33.5, 26, 32.5, 28, 32.5, 31);
  body.lineTo(32.5, 38);
  body.cubicTo(32.5, 40, 35, 41, 35, 45);
  body.lineTo(35, 58);
  body.cubicTo(35, 61, 33.5, 62.5, 30.5, 62.5);
  body.lineTo(9.5, 62.5);
  body.cubicTo(6.5, 62.5, 5, 61, 5, 58);
  body.lineTo(5, 45);
  body.cubicTo(5, 41, 7.5, 40, 7.5, 38);
  body.lineTo(7.5, 31);
  body.cubicTo(7.5, 28, 6.5, 26, 6, 23);
  body.cubicTo(5.5, 19, 5.5, 10, 6.5, 7);
  body.cubicTo(7.5, 2.5, 13, 1.5, 20, 1.5);
  body.closeSubpath();
  return body;
}

}  // namespace

QImage paintCar() {
  QImage canvas = clearCanvas(40, 64);
  QPainter p(&canvas);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  // Tyres first; the body covers their inner halves.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(18, 18, 20));
  for (double y : {9.0, 45.0}) {
    p.drawRoundedRect(QRectF(1.5, y, 7, 12), 1.8, 1.8);
    p.drawRoundedRect(QRectF(31.5, y, 7, 12), 1.8, 1.8);
  }
  p.setBrush(QColor(78, 78, 84));  // tread highlight
  for (double y : {10.5, 46.5}) {
    p.drawRect(QRectF(2.2, y, 1.2, 9));
    p.drawRect(QRectF(36.6, y, 1.2, 9));
  }

  const QPainterPath body = carBody();
  QLinearGradient paint(0, 0, 40, 0);
  paint.setColorAt(0.0, QColor(120, 0, 0));
  paint.setColorAt(0.22, QColor(205, 18, 16));
  paint.setColorAt(0.5, QColor(250, 60, 48));
  paint.setColorAt(0.78, QColor(205, 18, 16));
  paint.setColorAt(1.0, QColor(120, 0, 0));
  p.setPen(QPen(QColor(80, 0, 0), 1.0));
  p.setBrush(paint);
  p.drawPath(body);

  // Racing stripe down the middle, under the glass and the roundel.
  p.setClipPath(body);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(22, 30, 110));
  p.drawRect(QRectF(17.5, 0, 5, 64));
  p.setClipping(false);

  // Headlamps.
  p.setBrush(QColor(255, 230, 40));
  p.setPen(QPen(QColor(150, 110, 0), 0.6));
  p.drawEllipse(QPointF(12.0, 6.5), 2.6, 1.9);
  p.drawEllipse(QPointF(28.0, 6.5), 2.6, 1.9);

  // Windscreen, cockpit and rear window.
  QPainterPath screen;
  screen.moveTo(9.5, 21);
  screen.cubicTo(15, 18.5, 25, 18.5, 30.5, 21);
  screen.lineTo(28.5, 28.5);
  screen.cubicTo(24, 27.5, 16, 27.5, 11.5, 28.5);
  screen.closeSubpath();
  QLinearGradient glass(0, 19, 0, 28.5);
  glass.setColorAt(0.0, QColor(120, 180, 255));
  glass.setColorAt(1.0, QColor(30, 70, 190));
  p.setPen(QPen(QColor(20, 20, 40), 0.8));
  p.setBrush(glass);
  p.drawPath(screen);
  p.setPen(QPen(QColor(220, 240, 255), 1.0));
  p.drawLine(QPointF(13, 24), QPointF(16.5, 21));
  p.setPen(QPen(QColor(20, 20, 40), 0.8));
  p.setBrush(QColor(20, 40, 110));
  QPainterPath rear;
  rear.moveTo(11.5, 37);
  rear.cubicTo(16, 38, 24, 38, 28.5, 37);
  rear.lineTo(27.5, 41);
  rear.cubicTo(22, 41.8, 18, 41.8, 12.5, 41);
  rear.closeSubpath();
  p.drawPath(rear);

  // Mirrors.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 0, 0));
  p.drawEllipse(QPointF(6.5, 28.0), 1.6, 1.3);
  p.drawEllipse(QPointF(33.5, 28.0), 1.6, 1.3);

  // Number roundel on the rear deck.
  p.setPen(QPen(QColor(30, 30, 30), 0.8));
  p.setBrush(QColor(255, 255, 255));
  p.drawEllipse(QPointF(20.0, 50.0), 6.2, 6.2);
  p.setPen(QColor(0, 0, 0));
  p.setFont(sans(10, true));
  p.drawText(QRectF(14, 44, 12, 12), Qt::AlignCenter, QStringLiteral("7"));

  // Rear wing.
  p.setPen(QPen(QColor(60, 0, 0), 0.8));
  p.setBrush(QColor(150, 10, 10));
  p.drawRoundedRect(QRectF(5.5, 58.5, 29, 4), 1.2, 1.2);
  p.end();
  return keyedFromCoverage(canvas, qRgb(34, 34, 37));
}

QImage paintBoxedDigits() {
  QImage picture(79, 79, QImage::Format_RGB32);
  picture.fill(qRgb(0, 0, 0));
  QPainter p(&picture);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setFont(sans(26, true));
  for (int i = 0; i < 4; ++i) {
    const QRect cell((i % 2) * 39, (i / 2) * 39, 39, 39);
    p.fillRect(cell.adjusted(2, 2, -2, -2), QColor(255, 255, 255));
    p.setPen(QColor(0, 0, 0));
    p.drawText(cell, Qt::AlignCenter, QString::number(i + 1));
  }
  return picture;
}

QImage paintBackdropTile() {
  QImage tile(40, 40, QImage::Format_RGB32);
  const QRgb low = qRgb(84, 70, 100);
  const QRgb high = qRgb(118, 106, 132);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      QRgb c = mixRgb(low, high, periodicNoise(x, y, 8, 40, 51));
      const double speck = hashUnit(x, y, 52);
      if (speck > 0.93)
        c = shadeRgb(c, 1.3);
      else if (speck < 0.07)
        c = shadeRgb(c, 0.7);
      tile.setPixel(x, y, c);
    }
  }
  return tile;
}

QImage paintMinimapCar() {
  QImage car(5, 8, QImage::Format_RGB32);
  const QRgb red = qRgb(235, 25, 25);
  const QRgb mauve = qRgb(206, 132, 176);
  const QRgb darkMauve = qRgb(168, 100, 146);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 5; ++x) car.setPixel(x, y, y < 4 ? red : (y == 7 ? darkMauve : mauve));
  }
  car.setPixel(0, 0, Key);
  car.setPixel(4, 0, Key);
  car.setPixel(2, 3, qRgb(40, 70, 230));
  return car;
}

QImage paintVectorLabels() {
  static const std::array<const char*, 8> letterR = {"######.", "##...##", "##...##", "######.",
                                                     "####...", "##.##..", "##..##.", "##...##"};
  static const std::array<const char*, 3> vectorArrow = {".......#.", "#########", ".......#."};
  static const std::array<const char*, 4> subX = {"#..#", ".##.", ".##.", "#..#"};
  static const std::array<const char*, 5> subY = {"#..#", "#..#", ".##.", ".#..", "#..."};
  QImage labels(55, 16, QImage::Format_RGB32);
  labels.fill(Key);
  const QRgb lime = qRgb(0, 255, 0);
  auto stamp = [&](const auto& rows, int left, int top) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (int c = 0; rows[r][c]; ++c) {
        if (rows[r][c] == '#') labels.setPixel(left + c, top + int(r), lime);
      }
    }
  };
  for (int pattern = 0; pattern < 3; ++pattern) {
    const int left = pattern * 18;
    stamp(vectorArrow, left + 1, 0);
    stamp(letterR, left + 2, 4);
    if (pattern == 1) stamp(subX, left + 10, 11);
    if (pattern == 2) stamp(subY, left + 10, 11);
  }
  return labels;
}

}  // namespace art
