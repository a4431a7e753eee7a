#include "platform/qt_canvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>

namespace {

QFont FontFor(const CanvasFont& font) {
  QFont q;
  QStringList families;
  if (font.Name == "MS Sans Serif" || font.Name.empty()) {
    families << "Liberation Sans"
             << "DejaVu Sans";
  } else {
    families << QString::fromStdString(font.Name) << "Liberation Sans"
             << "DejaVu Sans";
  }
  q.setFamilies(families);
  q.setPixelSize(font.PixelHeight > 0 ? font.PixelHeight : 11);
  q.setBold(font.Bold);
  q.setItalic(font.Italic);
  q.setStyleStrategy(QFont::NoAntialias);
  q.setHintingPreference(QFont::PreferFullHinting);
  return q;
}

}  // namespace

GlyphCanvasBackend::RenderedText QtCanvasBackend::RenderGlyph(char32_t c, const CanvasFont& font) {
  RenderedText g;
  const QString q = QString::fromUcs4(&c, 1);
  const QFont qfont = FontFor(font);
  const QFontMetrics metrics(qfont);
  g.Width = metrics.horizontalAdvance(q);
  g.Height = metrics.height();
  // Accents and overhangs may reach outside the cell; they are drawn too.
  const int pad = g.Height / 2 + 2;
  QImage mask(std::max(g.Width, 1) + 2 * pad, g.Height + 2 * pad, QImage::Format_Alpha8);
  mask.fill(0);
  {
    QPainter p(&mask);
    p.setFont(qfont);
    p.setPen(QColor(0, 0, 0, 255));
    p.drawText(pad, pad + metrics.ascent(), q);
  }
  for (int row = 0; row < mask.height(); ++row) {
    const uchar* line = mask.constScanLine(row);
    for (int col = 0; col < mask.width(); ++col)
      if (line[col] >= 128) {
        g.Ink.push_back(static_cast<std::int16_t>(col - pad));
        g.Ink.push_back(static_cast<std::int16_t>(row - pad));
      }
  }
  return g;
}
