#include "platform/raster_scaler.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// 16-bit pixels to 0xFFRRGGBB, each field widened by repeating its top bits.
void ConvertRow(const std::uint16_t* in, std::uint32_t* out, int n, bool is565) {
  int x = 0;
#if defined(__SSE2__)
  if (is565) {
    const __m128i low5 = _mm_set1_epi16(0x1F), low6 = _mm_set1_epi16(0x3F);
    const __m128i alpha = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; x + 8 <= n; x += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
      const __m128i r5 = _mm_srli_epi16(v, 11);
      const __m128i g6 = _mm_and_si128(_mm_srli_epi16(v, 5), low6);
      const __m128i b5 = _mm_and_si128(v, low5);
      const __m128i r8 = _mm_or_si128(_mm_slli_epi16(r5, 3), _mm_srli_epi16(r5, 2));
      const __m128i g8 = _mm_or_si128(_mm_slli_epi16(g6, 2), _mm_srli_epi16(g6, 4));
      const __m128i b8 = _mm_or_si128(_mm_slli_epi16(b5, 3), _mm_srli_epi16(b5, 2));
      // Bytes in memory: B G R A.
      const __m128i gb = _mm_or_si128(_mm_slli_epi16(g8, 8), b8);
      const __m128i ar = _mm_or_si128(alpha, r8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(gb, ar));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(gb, ar));
    }
  }
#endif
  for (; x < n; ++x) {
    const std::uint32_t v = in[x];
    const std::uint32_t r = is565 ? (v >> 11 & 31) : (v >> 10 & 31);
    const std::uint32_t g = is565 ? (v >> 5 & 63) : (v >> 5 & 31);
    const std::uint32_t b = v & 31;
    const std::uint32_t r8 = r << 3 | r >> 2, b8 = b << 3 | b >> 2;
    const std::uint32_t g8 = is565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2);
    out[x] = 0xFF000000u | r8 << 16 | g8 << 8 | b8;
  }
}

// One window row from the converted source row through the column table.
// The window image is written, not read, and the X server takes it from
// memory: streaming stores leave it out of the cache and save reading every
// line before it is overwritten.
void Widen(const std::uint32_t* row, const int* columns, std::size_t n, std::uint32_t* out) {
  std::size_t x = 0;
#if defined(__SSE2__)
  for (; x < n && (reinterpret_cast<std::uintptr_t>(out + x) & 15) != 0; ++x)
    out[x] = row[columns[x]];
  for (; x + 4 <= n; x += 4) {
    const __m128i v = _mm_setr_epi32(
        static_cast<int>(row[columns[x]]), static_cast<int>(row[columns[x + 1]]),
        static_cast<int>(row[columns[x + 2]]), static_cast<int>(row[columns[x + 3]]));
    _mm_stream_si128(reinterpret_cast<__m128i*>(out + x), v);
  }
#endif
  for (; x < n; ++x) out[x] = row[columns[x]];
}

// The first and one past the last column where two rows of 16-bit pixels
// differ; first == last when they are equal. Eight bytes at a time.
void ChangedColumns(const std::uint16_t* a, const std::uint16_t* b, int n, int& first, int& last) {
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    std::uint64_t p, q;
    std::memcpy(&p, a + x, 8);
    std::memcpy(&q, b + x, 8);
    if (p != q) break;
  }
  while (x < n && a[x] == b[x]) ++x;
  first = x;
  if (x == n) {
    last = n;
    return;
  }
  int e = n;
  for (; e - 4 >= x; e -= 4) {
    std::uint64_t p, q;
    std::memcpy(&p, a + e - 4, 8);
    std::memcpy(&q, b + e - 4, 8);
    if (p != q) break;
  }
  while (e > x && a[e - 1] == b[e - 1]) --e;
  last = e;
}

void FillBlack(std::uint32_t* p, int n) {
  std::fill(p, p + std::max(n, 0), 0xFF000000u);
}

}  // namespace

bool RasterScaler::Scale(QImage& canvas, const QRect& dest, const PresentImage& image) {
  // Whatever draws instead leaves the window image unknown to us.
  previousBits_ = nullptr;
  if (image.BitCount != 16 || dest.isEmpty() || image.Width <= 0 || image.Height <= 0 ||
      !image.Bits)
    return false;
  const QImage::Format f = canvas.format();
  if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
      f != QImage::Format_ARGB32_Premultiplied)
    return false;
  const bool is565 = image.RedMask != 0x7C00;
  const int width = canvas.width();
  const int height = canvas.height();
  const QRect visible = dest.intersected(QRect(0, 0, width, height));

  // One detach check for the whole image, not one a row.
  std::uint8_t* bits = canvas.bits();
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
  if (std::find(barsPainted_.begin(), barsPainted_.end(), bits) == barsPainted_.end()) {
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
    barsPainted_.push_back(bits);
  }
  if (visible.isEmpty()) return true;

  if (columnsFor_ != dest || columnsVisible_ != visible || columnsWidth_ != image.Width) {
    columns_.resize(static_cast<std::size_t>(visible.width()));
    for (int x = 0; x < visible.width(); ++x)
      columns_[static_cast<std::size_t>(x)] = std::min(
          image.Width - 1, (visible.left() + x - dest.left()) * image.Width / dest.width());
    // The first window column of each source column (columns_ never falls).
    firstColumn_.assign(static_cast<std::size_t>(image.Width) + 1,
                        static_cast<int>(columns_.size()));
    int reached = -1;
    for (int x = 0; x < static_cast<int>(columns_.size()); ++x)
      for (; reached < columns_[static_cast<std::size_t>(x)]; ++reached)
        firstColumn_[static_cast<std::size_t>(reached + 1)] = x;
    columnsFor_ = dest;
    columnsVisible_ = visible;
    columnsWidth_ = image.Width;
  }
  row_.resize(static_cast<std::size_t>(image.Width));

  // The window image still holds the previous frame when it is the same image
  // in the same layout: then only what changed in the picture is drawn again.
  const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
  const bool incremental = previousBits_ == bits && previousFor_ == dest &&
                           previousSize_ == canvas.size() && previous565_ == is565 &&
                           previousWidth_ == image.Width && previous_.size() == pixels;
  if (!incremental) previous_.resize(pixels);
  int lastSource = -1;
  int first = 0, last = 0;
  for (int y = visible.top(); y <= visible.bottom(); ++y) {
    const int source = std::min(image.Height - 1, (y - dest.top()) * image.Height / dest.height());
    // A source row shown on several window rows is compared and converted once.
    if (source != lastSource) {
      const auto* in =
          reinterpret_cast<const std::uint16_t*>(image.Bits + std::ptrdiff_t{source} * image.Pitch);
      std::uint16_t* kept = previous_.data() + std::ptrdiff_t{source} * image.Width;
      first = 0;
      last = image.Width;
      if (incremental) ChangedColumns(in, kept, image.Width, first, last);
      if (first < last) {
        ConvertRow(in + first, row_.data() + first, last - first, is565);
        std::memcpy(kept + first, in + first, static_cast<std::size_t>(last - first) * 2);
      }
      lastSource = source;
    }
    if (first >= last) continue;
    const int from = firstColumn_[static_cast<std::size_t>(first)];
    const int to = firstColumn_[static_cast<std::size_t>(last)];
    if (from < to)
      Widen(row_.data(), columns_.data() + from, static_cast<std::size_t>(to - from),
            line(y) + visible.left() + from);
  }
  previousBits_ = bits;
  previousFor_ = dest;
  previousSize_ = canvas.size();
  previous565_ = is565;
  previousWidth_ = image.Width;
#if defined(__SSE2__)
  _mm_sfence();
#endif
  return true;
}
