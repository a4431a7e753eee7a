#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

#include "lesson/catalogue.h"
#include "tools/assetgen/bitmap_files.h"

namespace art {

struct CataloguePicture {
  QString name;
  QString file;  // below assets/pictures
  PixelDepth depth;
  int patternWidth;  // 0 for one pattern of the whole picture
  int patternHeight;
  QImage painted;  // as painted, before reduction
  QImage reduced;  // as stored
};

// The thirteen pictures in their fixed order, with their words in the
// language given.
std::vector<CataloguePicture> paintCatalogue(lesson::Language language);

// A rectangle of a picture in which another language differs from the
// Polish, as a bitmap file in the picture's own format (for 256 colours, with
// the Polish picture's table), to be copied over the Polish picture.
struct PicturePatch {
  std::size_t picture;
  int x;
  int y;
  std::vector<std::uint8_t> file;
};

// The patches that turn the Polish pictures into the translated ones. Sets
// each translated picture's `reduced` to what the Polish one becomes with
// them.
std::vector<PicturePatch> patchesFor(const std::vector<CataloguePicture>& polish,
                                     std::vector<CataloguePicture>& translated);

QImage contactSheet(const std::vector<CataloguePicture>& pictures,
                    const std::vector<QImage>& extras);

// A 640 x 480 screen put together from the pictures the way the simulation
// draws it, with the car on the start line.
QImage screenPreview(const std::vector<CataloguePicture>& pictures, lesson::Language language);

}  // namespace art
