#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

#include "platform/display_device.h"

// Nearest-pixel scaling of a 16-bit picture (5-6-5 or 5-5-5) into a 32-bit
// window image with black bars round it. Without a graphics card this is the
// whole cost of presenting, so it is done in the fewest passes: each source
// row that shows is converted once into a 32-bit row, then widened through a
// column table into each window row that shows it, with stores that bypass
// the cache; only the columns that changed since the previous frame are
// drawn again; the bars are painted only when the layout or the image changes.
class RasterScaler {
 public:
  // False (nothing drawn) when the picture or the window image is of a kind
  // this does not handle; the caller then draws by other means.
  // dest is in the canvas's device pixels and may reach outside it.
  bool Scale(QImage& canvas, const QRect& dest, const PresentImage& image);

 private:
  std::vector<std::uint32_t> row_;
  std::vector<int> columns_;
  std::vector<int> firstColumn_;
  QRect columnsFor_;
  QRect columnsVisible_;
  int columnsWidth_ = 0;
  // The picture as last drawn, into which window image and how.
  std::vector<std::uint16_t> previous_;
  const void* previousBits_ = nullptr;
  QRect previousFor_;
  QSize previousSize_;
  bool previous565_ = true;
  int previousWidth_ = 0;
  // The images whose bars are painted for barsFor_ (a backing store may
  // alternate between a few).
  std::vector<const void*> barsPainted_;
  QRect barsFor_;
  QSize barsSize_;
};
