#include "platform/web/picture_scaler.h"

#include <algorithm>
#include <cstring>

#include "gfx/sharp_bilinear.h"

namespace {

// Each channel of a and b mixed as (a (128 - w) + b w + 64) / 128, two
// channels at a time in 16-bit lanes (at most 255 * 128 + 64, so no lane
// carries into the next); the same as the desktop's kernels give.
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b, std::uint32_t w) {
  const std::uint32_t v = 128 - w;
  const std::uint32_t rb = ((a & 0xFF00FFu) * v + (b & 0xFF00FFu) * w + 0x400040u) >> 7 & 0xFF00FFu;
  const std::uint32_t ga =
      ((a >> 8 & 0xFF00FFu) * v + (b >> 8 & 0xFF00FFu) * w + 0x400040u) << 1 & 0xFF00FF00u;
  return rb | ga;
}

// Two rows mixed by one weight, two pixels at a time in a 64-bit word.
void BlendRows(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t w, int n,
               std::uint32_t* out) {
  constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
  constexpr std::uint64_t kHalf = 0x0040004000400040ull;
  const std::uint64_t v = 128 - w;
  int x = 0;
  for (; x + 2 <= n; x += 2) {
    std::uint64_t p, q;
    std::memcpy(&p, a + x, 8);
    std::memcpy(&q, b + x, 8);
    const std::uint64_t rb = ((p & kLanes) * v + (q & kLanes) * w + kHalf) >> 7 & kLanes;
    const std::uint64_t ga = ((p >> 8 & kLanes) * v + (q >> 8 & kLanes) * w + kHalf) << 1 & ~kLanes;
    const std::uint64_t m = rb | ga;
    std::memcpy(out + x, &m, 8);
  }
  for (; x < n; ++x) out[x] = Mix(a[x], b[x], w);
}

// The first window pixel whose last picture pixel read is at or past from,
// and one past the last whose first is before to: the window pixels that
// show any of [from, to).
void Reach(const std::vector<int>& index, const std::vector<std::uint16_t>& weights, int from,
           int to, int& first, int& last) {
  const int n = static_cast<int>(index.size());
  first = 0;
  while (first < n && index[static_cast<std::size_t>(first)] +
                              (weights[static_cast<std::size_t>(first)] != 0 ? 1 : 0) <
                          from)
    ++first;
  last = first;
  while (last < n && index[static_cast<std::size_t>(last)] < to) ++last;
}

}  // namespace

void PictureScaler::SetWindow(int width, int height) {
  windowWidth_ = std::max(width, 1);
  windowHeight_ = std::max(height, 1);
}

void PictureScaler::Layout(int width, int height) {
  const int w = windowWidth_, h = windowHeight_;
  window_.assign(static_cast<std::size_t>(w) * h, 0xFF000000u);
  columns_.resize(static_cast<std::size_t>(w));
  columnWeights_.resize(static_cast<std::size_t>(w));
  SharpBilinearMap(w, width, 0, w, columns_.data(), columnWeights_.data());
  rows_.resize(static_cast<std::size_t>(h));
  rowWeights_.resize(static_cast<std::size_t>(h));
  SharpBilinearMap(h, height, 0, h, rows_.data(), rowWeights_.data());
  sourceWeights_.assign(static_cast<std::size_t>(width), 0);
  pairColumns_.resize(static_cast<std::size_t>(w));
  columnsMixed_ = false;
  for (int x = 0; x < w; ++x) {
    const std::size_t i = static_cast<std::size_t>(x);
    if (columnWeights_[i] != 0) {
      sourceWeights_[static_cast<std::size_t>(columns_[i])] = columnWeights_[i];
      columnsMixed_ = true;
    }
    pairColumns_[i] = 2 * columns_[i] + (columnWeights_[i] != 0 ? 1 : 0);
  }
  paired_.resize(2 * static_cast<std::size_t>(width));
  for (auto& wide : wide_) wide.resize(static_cast<std::size_t>(w));
  layoutWidth_ = width;
  layoutHeight_ = height;
  laidForWidth_ = w;
  laidForHeight_ = h;
}

const std::uint32_t* PictureScaler::WideRow(const std::uint32_t* picture, int width, int row,
                                            int from, int to) {
  std::uint32_t* wide = wide_[row & 1].data();
  if (wideRow_[row & 1] == row) return wide;
  wideRow_[row & 1] = row;
  const std::uint32_t* source = picture + static_cast<std::ptrdiff_t>(row) * width;
  if (!columnsMixed_) {
    for (int x = from; x < to; ++x) wide[x] = source[columns_[static_cast<std::size_t>(x)]];
    return wide;
  }
  // Each picture pixel, and its mix with the next, made once; the window
  // columns then only pick.
  const int first = columns_[static_cast<std::size_t>(from)];
  const int last = columns_[static_cast<std::size_t>(to - 1)];
  for (int i = first; i <= last; ++i) {
    const std::uint32_t weight = sourceWeights_[static_cast<std::size_t>(i)];
    paired_[2 * static_cast<std::size_t>(i)] = source[i];
    paired_[2 * static_cast<std::size_t>(i) + 1] =
        weight != 0 ? Mix(source[i], source[i + 1], weight) : source[i];
  }
  for (int x = from; x < to; ++x)
    wide[x] = paired_[static_cast<std::size_t>(pairColumns_[static_cast<std::size_t>(x)])];
  return wide;
}

PictureScaler::Rect PictureScaler::Scale(const std::uint32_t* picture, int width, int height,
                                         Rect changed) {
  if (windowWidth_ == 0) SetWindow(width, height);
  if (layoutWidth_ != width || layoutHeight_ != height || laidForWidth_ != windowWidth_ ||
      laidForHeight_ != windowHeight_) {
    Layout(width, height);
    changed = Rect{0, 0, width, height};
  }
  changed.Left = std::max(changed.Left, 0);
  changed.Top = std::max(changed.Top, 0);
  changed.Right = std::min(changed.Right, width);
  changed.Bottom = std::min(changed.Bottom, height);
  if (changed.Empty()) return Rect{};
  Rect out;
  Reach(columns_, columnWeights_, changed.Left, changed.Right, out.Left, out.Right);
  Reach(rows_, rowWeights_, changed.Top, changed.Bottom, out.Top, out.Bottom);
  if (out.Empty()) return Rect{};
  wideRow_[0] = wideRow_[1] = -1;
  const int n = out.Right - out.Left;
  for (int y = out.Top; y < out.Bottom; ++y) {
    const int row = rows_[static_cast<std::size_t>(y)];
    const std::uint32_t weight = rowWeights_[static_cast<std::size_t>(y)];
    std::uint32_t* target = &window_[static_cast<std::size_t>(y) * windowWidth_ + out.Left];
    const std::uint32_t* upper = WideRow(picture, width, row, out.Left, out.Right) + out.Left;
    if (weight == 0) {
      std::memcpy(target, upper, static_cast<std::size_t>(n) * 4);
    } else {
      const std::uint32_t* lower = WideRow(picture, width, row + 1, out.Left, out.Right) + out.Left;
      BlendRows(upper, lower, weight, n, target);
    }
  }
  return out;
}
