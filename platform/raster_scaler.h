#pragma once

#include <QImage>
#include <QRect>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gfx/simd_x86.h"
#include "platform/display_device.h"

// Scaling of a 16-bit picture (5-6-5 or 5-5-5) into a 32-bit window image
// with black bars round it, "sharp bilinear": every source pixel gets the
// same size on the screen, give or take one window pixel mixed with its
// neighbour, at any factor, and whole factors stay the nearest pixel's.
// Without a graphics card this is the whole cost of presenting, so it is done
// in the fewest passes: each source row that shows is converted and widened
// once into a window row, which is then stored into every window row that
// shows it, or mixed with the next source row's into the window row between
// them; only the columns that changed since the previous frame are drawn
// again; the bars are painted only when the layout or the image changes.
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
  // How window rows are stored: streamed past the cache or through it, as
  // measured on the first frames of each window size (see TStoreChooser),
  // or one of them always.
  enum class Store { Measured, Cached, Streamed };
  void SetStore(Store store) { store_ = store; }
  // Whether the last Scale streamed, and whether the measuring has decided.
  bool Streamed() const { return streamed_; }
  bool StoreDecided() const { return chooser_.Decided(); }

 private:
  // One source row as the window shows it.
  struct Wide {
    int source = -1;  // the row it holds this frame
    // Converted, each pixel mixed with the next (apart, or interleaved with
    // the pixels), scaled across.
    std::vector<std::uint32_t> row, mixed, paired, wide;
  };
  // The window columns a source row's change touches, from .. to.
  struct Span {
    int from = 0, to = 0;
    bool Empty() const { return from >= to; }
    // The smallest span holding both.
    Span With(Span o) const {
      if (Empty()) return o;
      if (o.Empty()) return *this;
      return {std::min(from, o.from), std::max(to, o.to)};
    }
  };

  void Layout(const QRect& dest, const QRect& visible, int width, int height);
  Span Compare(const PresentImage& image, int source);
  void Widen(const PresentImage& image, int source, bool is565);

  const TSimdKernels* kernels_;
  Store store_ = Store::Measured;
  TStoreChooser chooser_;
  std::size_t chooserFor_ = 0;  // the window image's bytes it measured for
  bool streamed_ = false;
  QRect drawn_;
  Wide wides_[2];  // source rows s in wides_[s & 1]
  // For each window column, counted from the visible part's left, the source
  // column and its share of the next one in 128ths; the same for rows.
  std::vector<int> columns_;
  std::vector<std::uint16_t> columnWeights_;
  // For each source column, the share of the next one in the window column
  // that mixes them (0 where none does).
  std::vector<std::uint16_t> sourceWeights_;
  // The same as MixPixels takes them (see MixPair).
  std::vector<std::uint32_t> sourcePairs_;
  // ~0u for the window columns that mix, 0 for the rest.
  std::vector<std::uint32_t> picks_;
  bool columnsMixed_ = false;
  // For each window column its pixel in a paired row (see PairPixels), and
  // the blocks ScaleRow takes them by, where every 8 window columns span at
  // most 8 of them (at a factor of 2 or more).
  std::vector<int> pairColumns_;
  std::vector<std::uint32_t> pairBlocks_;
  bool pairsUsable_ = false;
  // Whether every window column that mixes does so by quarters.
  bool quarters_ = false;
  std::vector<int> rows_;
  std::vector<std::uint16_t> rowWeights_;
  // Whether a window row mixes source row s with s + 1.
  std::vector<bool> mixedBelow_;
  std::vector<std::uint32_t> blocks_;
  bool blocksUsable_ = false;
  std::vector<int> firstColumn_;
  QRect layoutFor_;
  QRect layoutVisible_;
  QSize layoutSource_;
  // This frame's spans of the source rows compared so far.
  std::vector<Span> spans_;
  int compared_ = -1;
  bool incremental_ = false;
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
