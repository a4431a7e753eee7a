#pragma once

#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/simd_x86.h"
#include "platform/display_device.h"

// Nearest-pixel scaling of a 16-bit picture (5-6-5 or 5-5-5) into a 32-bit
// window image with black bars round it. Without a graphics card this is the
// whole cost of presenting, so it is done in the fewest passes: each source
// row that shows is converted and widened once into a window row, which is
// then stored into every window row that shows it; only the columns that
// changed since the previous frame are drawn again; the bars are painted only
// when the layout or the image changes.
class RasterScaler {
 public:
  explicit RasterScaler(TSimdLevel level = BestSimdLevel());

  // False (nothing drawn) when the picture or the window image is of a kind
  // this does not handle; the caller then draws by other means.
  // dest is in the canvas's device pixels and may reach outside it.
  bool Scale(QImage& canvas, const QRect& dest, const PresentImage& image);

  // The part of the window image the last Scale wrote (empty when nothing
  // changed): all that has to go to the screen.
  QRect Drawn() const { return drawn_; }

  // The window image no longer holds what was drawn into it, though Qt would
  // not know (someone wrote through a pointer kept from before): the next
  // frame is drawn whole, bars included.
  void Forget();

  // False, with the level unchanged, for a level the processor cannot run.
  bool SetSimdLevel(TSimdLevel level);
  TSimdLevel SimdLevel() const { return kernels_->Level; }
  // Window images of more bytes than this are written with streaming stores,
  // which bypass the cache. By default all are: the X server reads the image
  // from another core, and storing through the cache first fetches each line
  // the server last read. That measured slower on Zen even for a 1920 x 1080
  // image that fits the cache, and slower still in the running program.
  void SetStreamingAbove(std::size_t bytes) { streamingAbove_ = bytes; }
  bool Streamed() const { return streamed_; }

 private:
  const TSimdKernels* kernels_;
  std::size_t streamingAbove_ = 0;
  bool streamed_ = false;
  QRect drawn_;
  std::vector<std::uint32_t> row_;   // the converted source row
  std::vector<std::uint32_t> wide_;  // one window row
  std::vector<int> columns_;
  std::vector<std::uint32_t> blocks_;
  bool blocksUsable_ = false;
  std::vector<int> firstColumn_;
  QRect columnsFor_;
  QRect columnsVisible_;
  int columnsWidth_ = 0;
  // The picture as last drawn, into which window image and how. An image is
  // known by its cache key, which Qt moves on whenever the image is written
  // through its own interface and which a new image never shares.
  std::vector<std::uint16_t> previous_;
  bool previousValid_ = false;
  qint64 previousKey_ = 0;
  QRect previousFor_;
  QSize previousSize_;
  bool previous565_ = true;
  int previousWidth_ = 0;
  // The images whose bars are painted for barsFor_ (a backing store may
  // alternate between a few).
  std::vector<qint64> barsPainted_;
  QRect barsFor_;
  QSize barsSize_;
};
