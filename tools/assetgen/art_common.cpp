#include "tools/assetgen/art_common.h"

#include <QFontDatabase>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace art {

std::uint32_t hash2(int x, int y, std::uint32_t seed) {
  std::uint32_t h = seed ^ 0x27D4EB2Du;
  h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

double hashUnit(int x, int y, std::uint32_t seed) {
  return (hash2(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

static int wrap(int v, int n) {
  const int m = v % n;
  return m < 0 ? m + n : m;
}

double periodicNoise(double x, double y, int cell, int period, std::uint32_t seed) {
  const int cells = period / cell;
  const double fx = x / cell;
  const double fy = y / cell;
  const int ix = static_cast<int>(std::floor(fx));
  const int iy = static_cast<int>(std::floor(fy));
  const double tx = fx - ix;
  const double ty = fy - iy;
  const double sx = tx * tx * (3 - 2 * tx);
  const double sy = ty * ty * (3 - 2 * ty);
  auto at = [&](int cx, int cy) { return hashUnit(wrap(cx, cells), wrap(cy, cells), seed); };
  const double top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * sx;
  const double bottom = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * sx;
  return top + (bottom - top) * sy;
}

static int clampByte(double v) {
  return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

QRgb mixRgb(QRgb a, QRgb b, double t) {
  return qRgb(clampByte(qRed(a) + (qRed(b) - qRed(a)) * t),
              clampByte(qGreen(a) + (qGreen(b) - qGreen(a)) * t),
              clampByte(qBlue(a) + (qBlue(b) - qBlue(a)) * t));
}

QRgb shadeRgb(QRgb c, double factor) {
  return qRgb(clampByte(qRed(c) * factor), clampByte(qGreen(c) * factor),
              clampByte(qBlue(c) * factor));
}

static const char* const kFontFiles[] = {
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf",
};

void loadFonts() {
  for (const char* file : kFontFiles) {
    if (QFontDatabase::addApplicationFont(QString::fromUtf8(file)) < 0) {
      std::fprintf(stderr, "assetgen: cannot load the font %s\n", file);
      std::exit(1);
    }
  }
}

static QFont makeFont(const char* family, double pixelSize, bool bold) {
  QFont font(QString::fromUtf8(family));
  font.setPixelSize(static_cast<int>(pixelSize));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

QFont sans(double pixelSize, bool bold) {
  return makeFont("Liberation Sans", pixelSize, bold);
}

QFont sansCondensed(double pixelSize, bool bold) {
  return makeFont("Liberation Sans Narrow", pixelSize, bold);
}

QImage clearCanvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

QImage keyedFromCoverage(const QImage& argb, QRgb matte, int minAlpha) {
  const QImage src = argb.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out(src.size(), QImage::Format_RGB32);
  for (int y = 0; y < src.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
    QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < src.width(); ++x) {
      const int a = qAlpha(in[x]);
      if (a < minAlpha) {
        row[x] = Key;
        continue;
      }
      // Premultiplied colour over the matte.
      const double rest = (255 - a) / 255.0;
      row[x] = qRgb(clampByte(qRed(in[x]) + qRed(matte) * rest),
                    clampByte(qGreen(in[x]) + qGreen(matte) * rest),
                    clampByte(qBlue(in[x]) + qBlue(matte) * rest));
      row[x] = awayFromKey(row[x]);
    }
  }
  return out;
}

bool seenAsKey(QRgb colour) {
  return qRed(colour) >= 248 && qGreen(colour) < 8 && qBlue(colour) >= 248;
}

QRgb awayFromKey(QRgb colour) {
  return seenAsKey(colour) ? qRgb(qRed(colour), qGreen(colour), 239) : colour;
}

void blit(QImage& target, const QImage& part, int x, int y) {
  QPainter p(&target);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(x, y, part);
}

}  // namespace art
