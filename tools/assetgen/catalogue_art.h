#pragma once

#include <QImage>
#include <QString>
#include <vector>

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

// The thirteen pictures in their fixed order.
std::vector<CataloguePicture> paintCatalogue();

QImage contactSheet(const std::vector<CataloguePicture>& pictures,
                    const std::vector<QImage>& extras);

// A 640 x 480 screen put together from the pictures the way the simulation
// draws it, with the car on the start line.
QImage screenPreview(const std::vector<CataloguePicture>& pictures);

}  // namespace art
