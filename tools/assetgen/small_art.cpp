#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

QPainterPath carBody() {
  // Left half from the nose down to the tail, mirrored for the right half.
  QPainterPath body;
  body.moveTo(20, 1.5);
  body.cubicTo(14, 1.5, 9, 2.5, 7.5, 6);
  body.cubicTo(5.5, 9, 5, 13, 5.5, 19);
  body.cubicTo(6, 23, 8, 25, 8, 29);
  body.lineTo(8, 36);
  body.cubicTo(8, 39, 4.5, 41, 4.5, 46);
  body.lineTo(4.5, 57);
  body.cubicTo(4.5, 60, 6, 62.5, 10, 62.5);
  body.lineTo(30, 62.5);
  body.cubicTo(34, 62.5, 35.5, 60, 35.5, 57);
  body.lineTo(35.5, 46);
  body.cubicTo(35.5, 41, 32, 39, 32, 36);
  body.lineTo(32, 29);
  body.cubicTo(32, 25, 34, 23, 34.5, 19);
  body.cubicTo(35, 13, 34.5, 9, 32.5, 6);
  body.cubicTo(31, 2.5, 26, 1.5, 20, 1.5);
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
  for (double y : {8.0, 43.0}) {
    p.drawRoundedRect(QRectF(1.0, y, 7, 13), 2, 2);
    p.drawRoundedRect(QRectF(32.0, y, 7, 13), 2, 2);
  }
  p.setBrush(QColor(70, 70, 74));  // tread highlight
  for (double y : {9.5, 44.5}) {
    p.drawRect(QRectF(2.0, y, 1.2, 10));
    p.drawRect(QRectF(36.8, y, 1.2, 10));
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
  screen.moveTo(10.5, 24.5);
  screen.cubicTo(14, 17.5, 26, 17.5, 29.5, 24.5);
  screen.lineTo(28.5, 28);
  screen.cubicTo(24, 26.5, 16, 26.5, 11.5, 28);
  screen.closeSubpath();
  QLinearGradient glass(0, 18, 0, 28);
  glass.setColorAt(0.0, QColor(120, 180, 255));
  glass.setColorAt(1.0, QColor(30, 70, 190));
  p.setPen(QPen(QColor(20, 20, 40), 0.8));
  p.setBrush(glass);
  p.drawPath(screen);
  p.setPen(QPen(QColor(220, 240, 255), 1.0));
  p.drawLine(QPointF(14, 22.5), QPointF(18, 20.5));
  p.setPen(QPen(QColor(20, 20, 40), 0.8));
  p.setBrush(QColor(20, 40, 110));
  QPainterPath rear;
  rear.moveTo(12.5, 36);
  rear.cubicTo(16, 37, 24, 37, 27.5, 36);
  rear.lineTo(26.5, 39.5);
  rear.cubicTo(22, 40.5, 18, 40.5, 13.5, 39.5);
  rear.closeSubpath();
  p.drawPath(rear);

  // Mirrors.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(150, 0, 0));
  p.drawEllipse(QPointF(6.0, 26.0), 1.6, 1.3);
  p.drawEllipse(QPointF(34.0, 26.0), 1.6, 1.3);

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
