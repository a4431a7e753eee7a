#include "tools/assetgen/catalogue_art.h"

#include <QPainter>

#include "tools/assetgen/art_common.h"
#include "tools/assetgen/pictures.h"

namespace art {

std::vector<CataloguePicture> paintCatalogue(lesson::Language language) {
  const QImage droga = paintDroga(language);
  // Every language's track is stored with the Polish track's colours.
  const std::vector<QRgb> table = language == lesson::Language::Polish
                                      ? tableOf(droga)
                                      : tableOf(paintDroga(lesson::Language::Polish));
  const QImage storedDroga = reducedPicture(droga, PixelDepth::Table256, table);
  std::vector<CataloguePicture> pictures = {
      {"wyscigowka", "00-wyscigowka.bmp", PixelDepth::Table256, 40, 64, paintCar(), {}},
      {"1234", "01-1234.bmp", PixelDepth::True24, 39, 39, paintBoxedDigits(), {}},
      {"tlo", "02-tlo.bmp", PixelDepth::True24, 0, 0, paintBackdropTile(), {}},
      {"Droga", "03-Droga.bmp", PixelDepth::Table256, 64, 64, droga, {}},
      {"MAlySwiat", "04-MAlySwiat.bmp", PixelDepth::True24, 8, 8, paintSmallWorld(storedDroga), {}},
      {"MaleAuto", "05-MaleAuto.bmp", PixelDepth::True24, 5, 8, paintMinimapCar(), {}},
      {"Mapka", "06-Mapka.bmp", PixelDepth::True24, 160, 160, paintMinimap(language), {}},
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
      {"LicznikDrogi",
       "10-LicznikDrogi.bmp",
       PixelDepth::True24,
       0,
       0,
       paintInstrumentFace(language),
       {}},
      {"Wskazowka", "11-Wskazowka.bmp", PixelDepth::Standard16, 9, 62, paintNeedle(), {}},
      {"KlawiszeKostki",
       "12-KlawiszeKostki.bmp",
       PixelDepth::True24,
       0,
       0,
       paintKeyLegend(language),
       {}},
  };
  for (auto& picture : pictures) picture.reduced = reducedPicture(picture.painted, picture.depth);
  return pictures;
}

namespace {

// Runs of the positions marked true, split where more than `gap` unmarked
// ones lie between two marked: first and last of each, inclusive.
std::vector<std::pair<int, int>> runs(const std::vector<bool>& marked, int gap) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < int(marked.size()); ++i) {
    if (!marked[std::size_t(i)]) continue;
    if (!out.empty() && i - out.back().second <= gap + 1) {
      out.back().second = i;
    } else {
      out.push_back({i, i});
    }
  }
  return out;
}

// Rectangles covering every differing pixel, one a word or so: the columns
// split where a few columns do not differ, then the rows within each.
std::vector<QRect> differingAreas(const QImage& a, const QImage& b) {
  const auto differs = [&](int x, int y) { return a.pixel(x, y) != b.pixel(x, y); };
  std::vector<bool> columns(std::size_t(a.width()), false);
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (differs(x, y)) columns[std::size_t(x)] = true;
  std::vector<QRect> areas;
  for (const auto& [left, right] : runs(columns, 4)) {
    std::vector<bool> rows(std::size_t(a.height()), false);
    for (int y = 0; y < a.height(); ++y)
      for (int x = left; x <= right; ++x)
        if (differs(x, y)) rows[std::size_t(y)] = true;
    for (const auto& [top, bottom] : runs(rows, 4)) {
      int l = right, r = left;
      for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
          if (differs(x, y)) l = std::min(l, x), r = std::max(r, x);
      areas.push_back(QRect(QPoint(l, top), QPoint(r, bottom)));
    }
  }
  return areas;
}

}  // namespace

std::vector<PicturePatch> patchesFor(const std::vector<CataloguePicture>& polish,
                                     std::vector<CataloguePicture>& translated) {
  std::vector<PicturePatch> patches;
  for (std::size_t i = 0; i < polish.size(); ++i) {
    CataloguePicture& picture = translated[i];
    // One table for both, so that the patches' indices mean the same colours.
    const std::vector<QRgb> table =
        picture.depth == PixelDepth::Table256 ? tableOf(polish[i].painted) : std::vector<QRgb>();
    picture.reduced = reducedPicture(picture.painted, picture.depth, table);
    for (const QRect& area : differingAreas(polish[i].reduced, picture.reduced)) {
      patches.push_back(
          {i, area.x(), area.y(), bitmapFile(picture.painted.copy(area), picture.depth, table)});
    }
  }
  return patches;
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
