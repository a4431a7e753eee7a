#include "platform/raster_scaler.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kPrefetchRows = 2;

void FillBlack(std::uint32_t* p, int n) {
  std::fill(p, p + std::max(n, 0), 0xFF000000u);
}

}  // namespace

RasterScaler::RasterScaler(TSimdLevel level) : kernels_(&SimdKernels(level)) {}

bool RasterScaler::SetSimdLevel(TSimdLevel level) {
  if (!SimdLevelRuns(level)) return false;
  kernels_ = &SimdKernels(level);
  return true;
}

void RasterScaler::Forget() {
  previousValid_ = false;
  barsPainted_.clear();
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
  if (painted != barsPainted_.end()) {
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

  if (columnsFor_ != dest || columnsVisible_ != visible || columnsWidth_ != image.Width) {
    const int n = visible.width();
    columns_.resize(static_cast<std::size_t>(n));
    for (int x = 0; x < n; ++x)
      columns_[static_cast<std::size_t>(x)] = std::min(
          image.Width - 1, (visible.left() + x - dest.left()) * image.Width / dest.width());
    // The first window column of each source column (columns_ never falls).
    firstColumn_.assign(static_cast<std::size_t>(image.Width) + 1, n);
    int reached = -1;
    for (int x = 0; x < n; ++x)
      for (; reached < columns_[static_cast<std::size_t>(x)]; ++reached)
        firstColumn_[static_cast<std::size_t>(reached + 1)] = x;
    blocks_.resize(kScaleBlockWords * ((static_cast<std::size_t>(n) + 7) / 8));
    blocksUsable_ = ScaleBlocks(columns_.data(), n, blocks_.data());
    // Whole blocks of 8 are read from the row and written to the window row.
    wide_.resize((static_cast<std::size_t>(n) + 7) / 8 * 8);
    columnsFor_ = dest;
    columnsVisible_ = visible;
    columnsWidth_ = image.Width;
  }
  row_.resize(static_cast<std::size_t>(image.Width) + 8);

  // The window image still holds the previous frame when it is the same image
  // in the same layout: then only what changed in the picture is drawn again.
  const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
  if (!incremental) previous_.resize(pixels);
  const std::size_t imageBytes = static_cast<std::size_t>(bytesPerLine) * height;
  streamed_ = imageBytes > streamingAbove_;
  const std::uint32_t* blocks = blocksUsable_ ? blocks_.data() : nullptr;
  int lastSource = -1;
  int from = 0, to = 0;
  // The window columns and rows written, as a bounding box.
  int left = visible.width(), right = 0, top = -1, bottom = -1;
  const std::ptrdiff_t rowBytes = std::ptrdiff_t{image.Width} * 2;
  for (int y = visible.top(); y <= visible.bottom(); ++y) {
    const int source = std::min(image.Height - 1, (y - dest.top()) * image.Height / dest.height());
    // A source row shown on several window rows is compared, converted and
    // widened once.
    if (source != lastSource) {
      const auto* in =
          reinterpret_cast<const std::uint16_t*>(image.Bits + std::ptrdiff_t{source} * image.Pitch);
      std::uint16_t* kept = previous_.data() + std::ptrdiff_t{source} * image.Width;
      // The picture was drawn a frame's wait ago and the copy kept from the
      // previous frame is older still: both come from far caches or memory.
      // The comparison reads each row's two ends first, which no hardware
      // prefetcher foresees, so the rows a little ahead are fetched now.
      if (source + kPrefetchRows < image.Height) {
        const auto* aheadIn = reinterpret_cast<const char*>(in) + kPrefetchRows * image.Pitch;
        const auto* aheadKept = reinterpret_cast<const char*>(kept + kPrefetchRows * image.Width);
        for (std::ptrdiff_t b = 0; b < rowBytes; b += 64) {
          __builtin_prefetch(aheadIn + b);
          __builtin_prefetch(aheadKept + b, 1);
        }
      }
      int first = 0, last = image.Width;
      if (incremental) k.ChangedRange(in, kept, image.Width, first, last);
      from = to = 0;
      if (first < last) {
        k.WidenPixels(in + first, row_.data() + first, last - first, is565);
        std::memcpy(kept + first, in + first, static_cast<std::size_t>(last - first) * 2);
        from = firstColumn_[static_cast<std::size_t>(first)];
        to = firstColumn_[static_cast<std::size_t>(last)];
        if (from < to) k.ScaleRow(row_.data(), columns_.data(), blocks, from, to, wide_.data());
      }
      lastSource = source;
    }
    if (from < to) {
      k.StoreRow(line(y) + visible.left() + from, wide_.data() + from,
                 static_cast<std::size_t>(to - from), streamed_);
      left = std::min(left, from);
      right = std::max(right, to);
      if (top < 0) top = y;
      bottom = y;
    }
  }
  if (top >= 0) drawn_ |= QRect(visible.left() + left, top, right - left, bottom - top + 1);
  if (streamed_) k.FinishStores();
  previousValid_ = true;
  previousKey_ = key;
  previousFor_ = dest;
  previousSize_ = canvas.size();
  previous565_ = is565;
  previousWidth_ = image.Width;
  return true;
}
