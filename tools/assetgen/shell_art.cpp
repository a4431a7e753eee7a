#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

namespace {

// The font at the largest size up to `size` at which the text fits the width.
QFont fitted(QFont (*family)(double, bool), double size, bool bold, const QString& text,
             double width) {
  while (size > 7 && QFontMetricsF(family(size, bold)).horizontalAdvance(text) > width) size -= 1;
  return family(size, bold);
}

}  // namespace

QImage paintMakerLogo() {
  QImage logo(133, 23, QImage::Format_RGB32);
  logo.fill(qRgb(255, 255, 255));
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // The badge: a bend of road in a red tile.
  QLinearGradient badge(0, 1, 0, 22);
  badge.setColorAt(0.0, QColor(232, 40, 32));
  badge.setColorAt(1.0, QColor(160, 10, 10));
  p.setPen(Qt::NoPen);
  p.setBrush(badge);
  p.drawRoundedRect(QRectF(1, 1, 21, 21), 4, 4);
  QPainterPath road;
  road.moveTo(5, 20);
  road.cubicTo(5, 9, 9, 6, 20, 6);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(40, 40, 44), 6.0, Qt::SolidLine, Qt::FlatCap));
  p.drawPath(road);
  p.setPen(QPen(QColor(255, 255, 255), 1.0, Qt::DashLine, Qt::FlatCap));
  p.drawPath(road);
  // The word in navy with a red dashed line under it, like a road's centre.
  QFont font = sans(21, true);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
  const QString word = QStringLiteral("Velnar");
  const double width = QFontMetricsF(font).horizontalAdvance(word) - 2.5;
  const double left = 29;
  p.setPen(QColor(24, 36, 96));
  p.setFont(font);
  p.drawText(QRectF(left, -2, width + 2, 22), Qt::AlignLeft | Qt::AlignVCenter, word);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(220, 30, 24));
  for (double x = left + 1; x + 6 <= left + width; x += 10) p.drawRect(QRectF(x, 20, 6, 2));
  return logo;
}

QImage paintPartnerLogo(lesson::Language language) {
  QImage logo(142, 37, QImage::Format_RGB32);
  logo.fill(qRgb(255, 255, 255));
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  // A circle with a displacement arrow: the mark of a physics workshop.
  QLinearGradient disc(0, 2, 0, 35);
  disc.setColorAt(0.0, QColor(40, 120, 200));
  disc.setColorAt(1.0, QColor(16, 60, 130));
  p.setPen(Qt::NoPen);
  p.setBrush(disc);
  p.drawEllipse(QPointF(18.5, 18.5), 16.5, 16.5);
  p.setPen(QPen(QColor(255, 255, 255), 2.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9, 26), QPointF(26, 11));
  p.setBrush(QColor(255, 255, 255));
  p.setPen(Qt::NoPen);
  QPainterPath head;
  head.moveTo(29, 8);
  head.lineTo(20.5, 10.5);
  head.lineTo(26.5, 16.5);
  head.closeSubpath();
  p.drawPath(head);
  p.setBrush(QColor(255, 210, 40));
  p.drawEllipse(QPointF(9, 26), 2.6, 2.6);
  p.setPen(QColor(16, 60, 130));
  const QString name = QString::fromUtf8(lesson::TrIn(language, "logo", "Fizyka w ruchu"));
  p.setFont(fitted(sans, 13, true, name, 100));
  p.drawText(QRectF(41, 2, 101, 18), Qt::AlignLeft | Qt::AlignVCenter, name);
  p.setPen(QColor(90, 90, 96));
  const QString kind = QString::fromUtf8(lesson::TrIn(language, "logo", "pracownia edukacyjna"));
  p.setFont(fitted(sansCondensed, 11, false, kind, 100));
  p.drawText(QRectF(41, 19, 101, 15), Qt::AlignLeft | Qt::AlignVCenter, kind);
  return logo;
}

QImage paintFace(bool smiling, int size) {
  QImage face = clearCanvas(size, size);
  QPainter p(&face);
  // No smoothing: the icon has 16 colours and a one-bit mask.
  p.setRenderHint(QPainter::Antialiasing, false);
  const double s = size / 32.0;
  const QColor outline = smiling ? QColor(0, 0, 0) : QColor(128, 128, 128);
  p.setPen(QPen(outline, size >= 32 ? 2.0 : 1.0));
  p.setBrush(QColor(255, 255, 0));
  p.drawEllipse(QRectF(1, 1, size - 3, size - 3));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0));
  const double eye = size >= 32 ? 2.0 : 1.0;
  p.drawRect(QRectF(std::round(10 * s), std::round(10 * s), eye, eye * 2));
  p.drawRect(QRectF(std::round(20 * s), std::round(10 * s), eye, eye * 2));
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0), size >= 32 ? 2.0 : 1.0));
  if (smiling) {
    p.drawArc(QRectF(8 * s, 9 * s, 15 * s, 14 * s), 200 * 16, 140 * 16);
  } else {
    p.drawArc(QRectF(8 * s, 19 * s, 15 * s, 10 * s), 20 * 16, 140 * 16);
  }
  return face;
}

}  // namespace art
