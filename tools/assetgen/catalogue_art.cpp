#include "tools/assetgen/catalogue_art.h"

#include <QPainter>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

std::vector<CataloguePicture> paintCatalogue() {
  const QImage droga = paintDroga();
  const QImage storedDroga = reducedPicture(droga, PixelDepth::Table256);
  std::vector<CataloguePicture> pictures = {
      {"wyscigowka", "00-wyscigowka.bmp", PixelDepth::Table256, 40, 64, paintCar(), {}},
      {"1234", "01-1234.bmp", PixelDepth::True24, 39, 39, paintBoxedDigits(), {}},
      {"tlo", "02-tlo.bmp", PixelDepth::True24, 0, 0, paintBackdropTile(), {}},
      {"Droga", "03-Droga.bmp", PixelDepth::Table256, 64, 64, droga, {}},
      {"MAlySwiat", "04-MAlySwiat.bmp", PixelDepth::True24, 8, 8, paintSmallWorld(storedDroga), {}},
      {"MaleAuto", "05-MaleAuto.bmp", PixelDepth::True24, 5, 8, paintMinimapCar(), {}},
      {"Mapka", "06-Mapka.bmp", PixelDepth::True24, 160, 160, paintMinimap(), {}},
      {"RRXRy", "07-RRXRy.bmp", PixelDepth::Standard16, 18, 16, paintVectorLabels(), {}},
      {"CyfryCzerwone",
       "08-CyfryCzerwone.bmp",
       PixelDepth::Standard16,
       9,
       14,
       paintOdometerDigits(true),
       {}},
      {"CyfryCzarne",
       "09-CyfryCzarne.bmp",
       PixelDepth::Standard16,
       9,
       14,
       paintOdometerDigits(false),
       {}},
      {"LicznikDrogi", "10-LicznikDrogi.bmp", PixelDepth::True24, 0, 0, paintInstrumentFace(), {}},
      {"Wskazowka", "11-Wskazowka.bmp", PixelDepth::Standard16, 9, 62, paintNeedle(), {}},
      {"KlawiszeKostki", "12-KlawiszeKostki.bmp", PixelDepth::True24, 0, 0, paintKeyLegend(), {}},
  };
  for (auto& picture : pictures) picture.reduced = reducedPicture(picture.painted, picture.depth);
  return pictures;
}

namespace {

// Key pixels as a checkerboard, so that see-through areas stand out.
QImage showKey(const QImage& picture) {
  QImage out = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      if ((out.pixel(x, y) | 0xFF000000u) == Key) {
        out.setPixel(x, y, ((x / 4 + y / 4) % 2) ? qRgb(70, 70, 70) : qRgb(110, 110, 110));
      }
    }
  }
  return out;
}

QImage showAlpha(const QImage& picture) {
  QImage out(picture.size(), QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      const QRgb c = picture.pixel(x, y);
      out.setPixel(x, y, qAlpha(c) ? (c | 0xFF000000u) : Key);
    }
  }
  return showKey(out);
}

}  // namespace

QImage contactSheet(const std::vector<CataloguePicture>& pictures,
                    const std::vector<QImage>& extras) {
  QImage sheet(1500, 1400, QImage::Format_RGB32);
  sheet.fill(qRgb(32, 36, 44));
  QPainter p(&sheet);
  p.setFont(sans(12, true));
  p.setPen(QColor(230, 230, 230));
  // Droga at twice its size with its pattern numbers, the rest beside and
  // below it.
  p.drawImage(QRect(10, 30, 1024, 1024), showKey(pictures[3].reduced));
  p.drawText(10, 20, QStringLiteral("3 Droga"));
  p.setFont(sans(10, false));
  for (int i = 0; i < 64; ++i) {
    p.setPen(QColor(0, 0, 0));
    p.drawText(10 + (i % 8) * 128 + 3, 30 + (i / 8) * 128 + 13, QString::number(i));
    p.setPen(QColor(255, 255, 0));
    p.drawText(10 + (i % 8) * 128 + 2, 30 + (i / 8) * 128 + 12, QString::number(i));
  }
  p.setPen(QColor(230, 230, 230));
  p.setFont(sans(12, true));
  int left = 1050;
  int right = sheet.width() - 10;
  int x = left;
  int y = 30;
  int rowHeight = 0;
  auto place = [&](const QImage& image, const QString& caption, int scale) {
    const int w = image.width() * scale;
    const int h = image.height() * scale;
    if (x + w > right) {
      x = left;
      y += rowHeight + 24;
      rowHeight = 0;
    }
    p.drawText(x, y - 6, caption);
    p.drawImage(QRect(x, y, w, h), image);
    x += std::max(w, 90) + 14;
    rowHeight = std::max(rowHeight, h);
  };
  auto caption = [&](int index) {
    return QString::number(index) + QStringLiteral(" ") + pictures[std::size_t(index)].name;
  };
  for (int index : {0, 5, 7, 8, 9, 11, 10, 6}) {
    const QImage& picture = pictures[std::size_t(index)].reduced;
    place(showKey(picture), caption(index), picture.width() <= 60 ? 3 : 2);
  }
  left = x = 10;
  right = 1040;
  y = 1090;
  rowHeight = 0;
  place(showKey(pictures[12].reduced), caption(12), 2);
  x = right;
  for (const QImage& extra : extras) place(showAlpha(extra), QString(), extra.width() < 40 ? 4 : 2);
  x = right;
  for (int index : {1, 2, 4})
    place(showKey(pictures[std::size_t(index)].reduced), caption(index), 2);
  return sheet;
}

}  // namespace art
