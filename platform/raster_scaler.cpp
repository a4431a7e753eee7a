#include "platform/raster_scaler.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "gfx/sharp_bilinear.h"

namespace {

constexpr int kPrefetchRows = 2;

void FillBlack(std::uint32_t* p, int n) {
  std::fill(p, p + std::max(n, 0), 0xFF000000u);
}

std::int64_t ThreadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

RasterScaler::RasterScaler(TSimdLevel level) : kernels_(&SimdKernels(level)) {}

bool RasterScaler::SetSimdLevel(TSimdLevel level) {
  if (!SimdLevelRuns(level)) return false;
  kernels_ = &SimdKernels(level);
  // The layout's tables depend on the level.
  layoutFor_ = QRect();
  return true;
}

void RasterScaler::Forget() {
  previousValid_ = false;
  barsPainted_.clear();
}

void RasterScaler::Layout(const QRect& dest, const QRect& visible, int width, int height) {
  const int n = visible.width();
  // The kernels handle whole blocks of 8 window columns.
  const std::size_t padded = (static_cast<std::size_t>(n) + 7) / 8 * 8;
  columns_.resize(static_cast<std::size_t>(n));
  columnWeights_.assign(padded, 0);
  SharpBilinearMap(dest.width(), width, visible.left() - dest.left(), n, columns_.data(),
                   columnWeights_.data());
  // MixPixels goes on to whole blocks of 8.
  sourceWeights_.assign(static_cast<std::size_t>(width) + 8, 0);
  for (int x = 0; x < n; ++x)
    if (columnWeights_[static_cast<std::size_t>(x)] != 0)
      sourceWeights_[static_cast<std::size_t>(columns_[static_cast<std::size_t>(x)])] =
          columnWeights_[static_cast<std::size_t>(x)];
  sourcePairs_.resize(sourceWeights_.size());
  std::transform(sourceWeights_.begin(), sourceWeights_.end(), sourcePairs_.begin(),
                 [](std::uint16_t w) { return MixPair(w); });
  picks_.assign(padded, 0);
  for (std::size_t x = 0; x < padded; ++x) picks_[x] = columnWeights_[x] != 0 ? ~0u : 0;
  columnsMixed_ = std::any_of(columnWeights_.begin(), columnWeights_.end(),
                              [](std::uint16_t w) { return w != 0; });
  pairColumns_.resize(static_cast<std::size_t>(n));
  for (int x = 0; x < n; ++x)
    pairColumns_[static_cast<std::size_t>(x)] =
        2 * columns_[static_cast<std::size_t>(x)] +
        (columnWeights_[static_cast<std::size_t>(x)] != 0 ? 1 : 0);
  pairBlocks_.resize(kScaleBlockWords * padded / 8);
  // The portable level keeps the two steps it is checked by.
  pairsUsable_ = columnsMixed_ && kernels_->Level != TSimdLevel::Portable &&
                 ScaleBlocks(pairColumns_.data(), n, pairBlocks_.data());
  quarters_ = std::all_of(sourceWeights_.begin(), sourceWeights_.end(),
                          [](std::uint16_t w) { return w % 32 == 0; });
  // The first window column of each source column (columns_ never falls).
  firstColumn_.assign(static_cast<std::size_t>(width) + 1, n);
  int reached = -1;
  for (int x = 0; x < n; ++x)
    for (; reached < columns_[static_cast<std::size_t>(x)]; ++reached)
      firstColumn_[static_cast<std::size_t>(reached + 1)] = x;
  blocks_.resize(kScaleBlockWords * padded / 8);
  blocksUsable_ = ScaleBlocks(columns_.data(), n, blocks_.data());
  for (Wide& w : wides_) {
    // A kernel may read 8 pixels from the last source column on, and the
    // mixing runs up to 8 past it.
    w.row.resize(static_cast<std::size_t>(width) + 16);
    w.mixed.resize(static_cast<std::size_t>(width) + 16);
    // ScaleRow reads 8 from the last column's mix on.
    w.paired.resize(2 * static_cast<std::size_t>(width) + 32);
    w.wide.resize(padded);
  }
  const int rows = visible.height();
  rows_.resize(static_cast<std::size_t>(rows));
  rowWeights_.resize(static_cast<std::size_t>(rows));
  SharpBilinearMap(dest.height(), height, visible.top() - dest.top(), rows, rows_.data(),
                   rowWeights_.data());
  mixedBelow_.assign(static_cast<std::size_t>(height), false);
  for (int y = 0; y < rows; ++y)
    if (rowWeights_[static_cast<std::size_t>(y)] != 0)
      mixedBelow_[static_cast<std::size_t>(rows_[static_cast<std::size_t>(y)])] = true;
  spans_.resize(static_cast<std::size_t>(height));
  layoutFor_ = dest;
  layoutVisible_ = visible;
  layoutSource_ = QSize(width, height);
}

RasterScaler::Span RasterScaler::Compare(const PresentImage& image, int source) {
  Span& span = spans_[static_cast<std::size_t>(source)];
  // Rows are asked for in order; one asked for again was compared already.
  if (source <= compared_) return span;
  compared_ = source;
  const auto* in =
      reinterpret_cast<const std::uint16_t*>(image.Bits + std::ptrdiff_t{source} * image.Pitch);
  std::uint16_t* kept = previous_.data() + std::ptrdiff_t{source} * image.Width;
  // The picture was drawn a frame's wait ago and the copy kept from the
  // previous frame is older still: both come from far caches or memory.
  // The comparison reads each row's two ends first, which no hardware
  // prefetcher foresees, so the rows a little ahead are fetched now.
  if (source + kPrefetchRows < image.Height) {
    const std::ptrdiff_t rowBytes = std::ptrdiff_t{image.Width} * 2;
    const auto* aheadIn = reinterpret_cast<const char*>(in) + kPrefetchRows * image.Pitch;
    const auto* aheadKept = reinterpret_cast<const char*>(kept + kPrefetchRows * image.Width);
    for (std::ptrdiff_t b = 0; b < rowBytes; b += 64) {
      __builtin_prefetch(aheadIn + b);
      __builtin_prefetch(aheadKept + b, 1);
    }
  }
  int first = 0, last = image.Width;
  if (incremental_) kernels_->ChangedRange(in, kept, image.Width, first, last);
  span = Span{};
  if (first < last) {
    std::memcpy(kept + first, in + first, static_cast<std::size_t>(last - first) * 2);
    span.from = firstColumn_[static_cast<std::size_t>(first)];
    // The window column before it may mix the first changed source column
    // into the one before.
    if (span.from > 0 && columnWeights_[static_cast<std::size_t>(span.from) - 1] != 0) --span.from;
    span.to = firstColumn_[static_cast<std::size_t>(last)];
  }
  return span;
}

void RasterScaler::Widen(const PresentImage& image, int source, bool is565) {
  Wide& w = wides_[source & 1];
  if (w.source == source) return;
  w.source = source;
  // Every window column any window row takes from this source row: those
  // mixed with the row above and below too.
  Span span = spans_[static_cast<std::size_t>(source)];
  if (source > 0 && mixedBelow_[static_cast<std::size_t>(source) - 1])
    span = span.With(spans_[static_cast<std::size_t>(source) - 1]);
  if (mixedBelow_[static_cast<std::size_t>(source)]) span = span.With(Compare(image, source + 1));
  if (span.Empty()) return;
  const TSimdKernels& k = *kernels_;
  const int first = columns_[static_cast<std::size_t>(span.from)];
  const int last = std::min(image.Width, columns_[static_cast<std::size_t>(span.to) - 1] + 2);
  const auto* in =
      reinterpret_cast<const std::uint16_t*>(image.Bits + std::ptrdiff_t{source} * image.Pitch);
  k.WidenPixels(in + first, w.row.data() + first, last - first, is565);
  const std::uint32_t* blocks = blocksUsable_ ? blocks_.data() : nullptr;
  if (pairsUsable_) {
    // Whole blocks of 8 here too, the mix with the pixel after the last one
    // included.
    const auto pairs = (static_cast<std::size_t>(last - first) + 7) / 8 * 8;
    (quarters_ ? k.PairPixelsByQuarters : k.PairPixels)(
        w.row.data() + first, sourceWeights_.data() + first, pairs,
        w.paired.data() + 2 * static_cast<std::ptrdiff_t>(first));
    k.ScaleRow(w.paired.data(), pairColumns_.data(), pairBlocks_.data(), span.from, span.to,
               w.wide.data());
  } else if (columnsMixed_) {
    // Each source pixel mixed with the next as the window column between
    // them has it, then each window column picks its pixel or mix.
    // Whole blocks of 8: the kernels run no shorter loop after them.
    const auto mixes = (static_cast<std::size_t>(last - first - 1) + 7) / 8 * 8;
    k.MixPixels(w.row.data() + first, w.row.data() + first + 1, sourcePairs_.data() + first, mixes,
                w.mixed.data() + first);
    k.ScaleRowMixed(w.row.data(), w.mixed.data(), columns_.data(), picks_.data(), blocks, span.from,
                    span.to, w.wide.data());
  } else
    k.ScaleRow(w.row.data(), columns_.data(), blocks, span.from, span.to, w.wide.data());
}

bool RasterScaler::Scale(QImage& canvas, const QRect& dest, const PresentImage& image) {
  drawn_ = QRect();
  if (image.BitCount != 16 || dest.isEmpty() || image.Width <= 0 || image.Height <= 0 ||
      !image.Bits) {
    // Whatever draws instead leaves the window image unknown to us.
    Forget();
    return false;
  }
  const QImage::Format f = canvas.format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied) {
    Forget();
    return false;
  }
  const TSimdKernels& k = *kernels_;
  const bool is565 = image.RedMask != 0x7C00;
  const int width = canvas.width();
  const int height = canvas.height();
  const QRect visible = dest.intersected(QRect(0, 0, width, height));

  // The key as the image comes to us, then as our own write leaves it.
  const qint64 keyBefore = canvas.cacheKey();
  // One detach check for the whole image, not one a row.
  std::uint8_t* bits = canvas.bits();
  const qint64 key = canvas.cacheKey();
  const qsizetype bytesPerLine = canvas.bytesPerLine();
  const auto line = [bits, bytesPerLine](int y) {
    return reinterpret_cast<std::uint32_t*>(bits + y * bytesPerLine);
  };
  // The bars: once for each window image and layout.
  if (barsFor_ != dest || barsSize_ != canvas.size()) {
    barsPainted_.clear();
    barsFor_ = dest;
    barsSize_ = canvas.size();
  }
  const auto painted = std::find(barsPainted_.begin(), barsPainted_.end(), keyBefore);
  const bool newImage = painted == barsPainted_.end();
  if (!newImage) {
    *painted = key;
  } else {
    for (int y = 0; y < height; ++y) {
      std::uint32_t* out = line(y);
      if (visible.isEmpty() || y < visible.top() || y > visible.bottom()) {
        FillBlack(out, width);
        continue;
      }
      FillBlack(out, visible.left());
      FillBlack(out + visible.right() + 1, width - visible.right() - 1);
    }
    if (barsPainted_.size() >= 4) barsPainted_.erase(barsPainted_.begin());
    barsPainted_.push_back(key);
    drawn_ = QRect(0, 0, width, height);
  }
  const bool incremental = previousValid_ && previousKey_ == keyBefore && previousFor_ == dest &&
                           previousSize_ == canvas.size() && previous565_ == is565 &&
                           previousWidth_ == image.Width &&
                           previous_.size() == static_cast<std::size_t>(image.Width) * image.Height;
  previousValid_ = false;
  if (visible.isEmpty()) return true;

  if (layoutFor_ != dest || layoutVisible_ != visible ||
      layoutSource_ != QSize(image.Width, image.Height))
    Layout(dest, visible, image.Width, image.Height);

  // The window image still holds the previous frame when it is the same image
  // in the same layout: then only what changed in the picture is drawn again.
  const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
  if (!incremental) previous_.resize(pixels);
  incremental_ = incremental;
  const std::size_t imageBytes = static_cast<std::size_t>(bytesPerLine) * height;
  if (chooserFor_ != imageBytes) {
    // Frames that store less than a quarter of the image time too little.
    chooser_.Restart(imageBytes / 4);
    chooserFor_ = imageBytes;
  }
  // A new window image's first frame may be the first to touch its memory,
  // which costs more than either store.
  const bool timing = store_ == Store::Measured && !chooser_.Decided() && !newImage;
  streamed_ = store_ == Store::Measured ? chooser_.Streaming() : store_ == Store::Streamed;
  const std::int64_t start = timing ? ThreadCpuNs() : 0;
  compared_ = -1;
  for (Wide& w : wides_) w.source = -1;
  std::size_t stored = 0;
  // The window columns and rows written, as a bounding box.
  int left = visible.width(), right = 0, top = -1, bottom = -1;
  for (int y = visible.top(); y <= visible.bottom(); ++y) {
    const auto r = static_cast<std::size_t>(y - visible.top());
    const int source = rows_[r];
    const int weight = rowWeights_[r];
    Span span = Compare(image, source);
    if (weight != 0) span = span.With(Compare(image, source + 1));
    if (span.Empty()) continue;
    // A source row shown on several window rows is converted and widened
    // once.
    Widen(image, source, is565);
    const std::uint32_t* wide = wides_[source & 1].wide.data() + span.from;
    std::uint32_t* out = line(y) + visible.left() + span.from;
    const auto n = static_cast<std::size_t>(span.to - span.from);
    if (weight != 0) {
      Widen(image, source + 1, is565);
      k.BlendRows(wide, wides_[(source + 1) & 1].wide.data() + span.from, weight, n, out,
                  streamed_);
    } else {
      k.StoreRow(out, wide, n, streamed_);
    }
    stored += n * 4;
    left = std::min(left, span.from);
    right = std::max(right, span.to);
    if (top < 0) top = y;
    bottom = y;
  }
  if (top >= 0) drawn_ |= QRect(visible.left() + left, top, right - left, bottom - top + 1);
  if (streamed_) k.FinishStores();
  if (timing) chooser_.Record(streamed_, ThreadCpuNs() - start, stored);
  previousValid_ = true;
  previousKey_ = key;
  previousFor_ = dest;
  previousSize_ = canvas.size();
  previous565_ = is565;
  previousWidth_ = image.Width;
  return true;
}
