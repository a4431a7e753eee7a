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

void FillBlack(std::uint32_t* p, int n) {
  std::fill(p, p + std::max(n, 0), 0xFF000000u);
}

}  // namespace

bool RasterScaler::Scale(QImage& canvas, const QRect& dest, const PresentImage& image) {
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

  // The bars: once for each window image and layout.
  const void* bits = canvas.constBits();
  if (barsFor_ != dest || barsSize_ != canvas.size()) {
    barsPainted_.clear();
    barsFor_ = dest;
    barsSize_ = canvas.size();
  }
  if (std::find(barsPainted_.begin(), barsPainted_.end(), bits) == barsPainted_.end()) {
    for (int y = 0; y < height; ++y) {
      auto* out = reinterpret_cast<std::uint32_t*>(canvas.scanLine(y));
      if (visible.isEmpty() || y < visible.top() || y > visible.bottom()) {
        FillBlack(out, width);
        continue;
      }
      FillBlack(out, visible.left());
      FillBlack(out + visible.right() + 1, width - visible.right() - 1);
    }
    if (barsPainted_.size() >= 4) barsPainted_.erase(barsPainted_.begin());
    barsPainted_.push_back(canvas.constBits());
  }
  if (visible.isEmpty()) return true;

  if (columnsFor_ != dest || columnsWidth_ != image.Width) {
    columns_.resize(static_cast<std::size_t>(visible.width()));
    for (int x = 0; x < visible.width(); ++x)
      columns_[static_cast<std::size_t>(x)] = std::min(
          image.Width - 1, (visible.left() + x - dest.left()) * image.Width / dest.width());
    columnsFor_ = dest;
    columnsWidth_ = image.Width;
  }
  row_.resize(static_cast<std::size_t>(image.Width));
  const std::size_t spanBytes = columns_.size() * sizeof(std::uint32_t);
  int lastSource = -1;
  for (int y = visible.top(); y <= visible.bottom(); ++y) {
    std::uint32_t* span = reinterpret_cast<std::uint32_t*>(canvas.scanLine(y)) + visible.left();
    const int source = std::min(image.Height - 1, (y - dest.top()) * image.Height / dest.height());
    if (source == lastSource) {
      const auto* previous = reinterpret_cast<const std::uint32_t*>(canvas.constScanLine(y - 1));
      std::memcpy(span, previous + visible.left(), spanBytes);
      continue;
    }
    ConvertRow(
        reinterpret_cast<const std::uint16_t*>(image.Bits + std::ptrdiff_t{source} * image.Pitch),
        row_.data(), image.Width, is565);
    const std::uint32_t* row = row_.data();
    const int* columns = columns_.data();
    const std::size_t n = columns_.size();
    for (std::size_t x = 0; x < n; ++x) span[x] = row[columns[x]];
    lastSource = source;
  }
  return true;
}
