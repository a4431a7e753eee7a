// The application icon: the red car on a stretch of road, with the green
// displacement arrow the program is about. Painted afresh at every size so the
// small ones stay crisp.
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

// The car picture with its key colour made see-through.
QImage carWithAlpha() {
  QImage car = paintCar().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < car.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(car.scanLine(y));
    for (int x = 0; x < car.width(); ++x)
      if (row[x] == Key) row[x] = 0;
  }
  return car;
}

}  // namespace

QImage paintAppIcon(int size) {
  QImage icon(size, size, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  QPainter p(&icon);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  const double s = size;

  // The tile: gravel round a vertical road.
  const QRectF tile(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
  QPainterPath outline;
  outline.addRoundedRect(tile, s * 0.17, s * 0.17);
  QLinearGradient ground(0, 0, 0, s);
  ground.setColorAt(0, QColor(92, 98, 112));
  ground.setColorAt(1, QColor(58, 62, 74));
  p.fillPath(outline, ground);
  p.setClipPath(outline);
  const QRectF road(s * 0.27, 0, s * 0.46, s);
  p.fillRect(road, QColor(30, 30, 34));
  const double line = std::max(1.0, s / 40);
  p.fillRect(QRectF(road.left() + line, 0, line, s), QColor(235, 235, 235));
  p.fillRect(QRectF(road.right() - 2 * line, 0, line, s), QColor(235, 235, 235));
  if (size >= 32) {
    const double dash = s * 0.12;
    for (double y = s * 0.03; y < s; y += dash * 1.8)
      p.fillRect(QRectF(s * 0.5 - line / 2, y, line, dash), QColor(235, 235, 235));
  }

  // The displacement arrow from the lower left to the upper right.
  const QPointF from(s * 0.16, s * 0.84), tip(s * 0.84, s * 0.18);
  QPen arrow(QColor(0, 220, 0), std::max(1.5, s / 16), Qt::SolidLine, Qt::RoundCap);
  p.setPen(arrow);
  p.drawLine(from, tip - (tip - from) * 0.12);
  QPainterPath head;
  const QPointF dir = (tip - from) / std::hypot(tip.x() - from.x(), tip.y() - from.y());
  const QPointF normal(-dir.y(), dir.x());
  const double len = s * 0.22;
  head.moveTo(tip);
  head.lineTo(tip - dir * len + normal * len * 0.5);
  head.lineTo(tip - dir * len - normal * len * 0.5);
  head.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 220, 0));
  p.drawPath(head);

  // The car over it, turned a little towards the arrow.
  static const QImage car = carWithAlpha();
  p.save();
  p.translate(s * 0.5, s * 0.52);
  p.rotate(18);
  const double h = s * 0.66, w = h * car.width() / car.height();
  p.drawImage(QRectF(-w / 2, -h / 2, w, h), car);
  p.restore();

  p.setClipping(false);
  p.setPen(QPen(QColor(30, 32, 40), std::max(1.0, s / 64)));
  p.setBrush(Qt::NoBrush);
  p.drawPath(outline);
  return icon;
}

}  // namespace art
