#include <cmath>
#include <cstdint>
#include <limits>

#include "gfx/angle_tables.h"
#include "gfx/pixel_access.h"
#include "gfx/rotated_rows.h"
#include "gfx/simd_x86.h"
#include "gfx/surface.h"

namespace {

// Truncating division; the row bounds fit 32 bits in every real drawing, and
// a 32-bit divide is much cheaper than a 64-bit one.
inline std::int64_t Div(std::int64_t a, std::int64_t b) {
  if (a == static_cast<std::int32_t>(a) && b == static_cast<std::int32_t>(b) && b != -1)
    return static_cast<std::int32_t>(a) / static_cast<std::int32_t>(b);
  return a / b;
}

struct TSpanJob {
  const std::uint8_t* Src;
  int SrcPitch;
  std::uint8_t* Dest;  // the span's first destination pixel
  int N;
  std::int32_t U, V, DU, DV;
  std::uint32_t Key;
  std::uint32_t KeyMask;
};

// Kept out of line so the loop has the registers to itself.
template <class Pixel, bool Keyed>
[[gnu::noinline]] void SpanSame(const TSpanJob& j) {
  Pixel* d = reinterpret_cast<Pixel*>(j.Dest);
  Pixel* const end = d + j.N;
  const std::uint8_t* const src = j.Src;
  const std::ptrdiff_t pitch = j.SrcPitch;
  // 64-bit coordinates: no sign extension inside the loop.
  std::int64_t u = j.U, v = j.V;
  const std::int64_t du = j.DU, dv = j.DV;
  const Pixel key = static_cast<Pixel>(j.Key);
  const Pixel mask = static_cast<Pixel>(j.KeyMask);
#pragma GCC unroll 4
  for (; d != end; ++d) {
    const Pixel p = reinterpret_cast<const Pixel*>(src + (v >> 16) * pitch)[u >> 16];
    u += du;
    v += dv;
    if constexpr (Keyed) {
      // Only a 32-bit pixel has bits that are not colour. A select rather
      // than a branch: a sprite's edges would mispredict it on every row.
      const Pixel c = sizeof(Pixel) == 4 ? static_cast<Pixel>(p & mask) : p;
      const Pixel old = *d;
      *d = c != key ? p : old;
    } else {
      *d = p;
    }
  }
}

template <bool Keyed>
void SpanSame24(const TSpanJob& j) {
  std::uint8_t* d = j.Dest;
  std::int32_t u = j.U, v = j.V;
  for (int k = 0; k < j.N; ++k, d += 3) {
    const std::uint8_t* p =
        j.Src + std::ptrdiff_t{v >> 16} * j.SrcPitch + 3 * std::ptrdiff_t{u >> 16};
    if (!Keyed || (p[0] | (p[1] << 8) | (std::uint32_t{p[2]} << 16)) != j.Key) {
      d[0] = p[0];
      d[1] = p[1];
      d[2] = p[2];
    }
    u += j.DU;
    v += j.DV;
  }
}

// Any pair of formats: each pixel's channels are moved into the destination's
// fields by the same rule that brings colours into a surface.
void SpanConvert(const TSpanJob& j, bool keyed, const TPixelFormat& sf, const TPixelFormat& df) {
  const TChannelField sr(sf.RBitMask), sg(sf.GBitMask), sb(sf.BBitMask);
  const TChannelField dr(df.RBitMask), dg(df.GBitMask), db(df.BBitMask);
  std::int32_t u = j.U, v = j.V;
  for (int k = 0; k < j.N; ++k) {
    const std::uint32_t p =
        ReadRawPixel(j.Src + std::ptrdiff_t{v >> 16} * j.SrcPitch, u >> 16, sf.BitCount);
    if (!keyed || (p & j.KeyMask) != j.Key)
      WriteRawPixel(j.Dest, k, df.BitCount, dr.In(sr.Out(p)) | dg.In(sg.Out(p)) | db.In(sb.Out(p)));
    u += j.DU;
    v += j.DV;
  }
}

}  // namespace

void TDirectDrawSurface::DrawRotate(int X, int Y, int Width, int Height, const TRect& SrcRect,
                                    TDirectDrawSurface* Source, double CenterX, double CenterY,
                                    bool Transparent, int Angle) {
  if (width_ == 0 || height_ == 0 || Width == 0 || Height == 0) return;
  if (!Source || !Source->Exists() || Source->width_ == 0 || Source->height_ == 0) return;
  // A pivot that cannot be a point of the picture would overflow the fixed-point steps.
  constexpr double kFar = 1 << 20;
  if (!(std::fabs(CenterX) < kFar) || !(std::fabs(CenterY) < kFar)) return;
  if (Width < -(1 << 24) || Width > (1 << 24) || Height < -(1 << 24) || Height > (1 << 24)) return;

  // Both surfaces stay locked for the drawing; a copy onto itself cannot lock twice.
  HRESULT result;
  if (!Usable(result)) {
    lastResult_ = result;
    return;
  }
  lockCount_ = 1;
  if (Source == this || !Source->Usable(result)) {
    lockCount_ = 0;
    return;
  }
  Source->lockCount_ = 1;
  struct Unlocker {
    TDirectDrawSurface* a;
    TDirectDrawSurface* b;
    ~Unlocker() { a->lockCount_ = b->lockCount_ = 0; }
  } unlocker{this, Source};
  Changed();

  const TRect& s = SrcRect;
  if (s.Left < 0 || s.Top < 0 || s.Right > Source->width_ || s.Bottom > Source->height_ ||
      s.Left >= s.Right || s.Top >= s.Bottom)
    return;

  const double cosT = Cos256(Angle), sinT = Sin256(Angle);
  const auto rotate = [&](double px, double py, std::int64_t& rx, std::int64_t& ry) {
    // Conversions to integers truncate toward zero; every value here is far
    // inside 64 bits after the guards above.
    const double c = double(static_cast<std::int64_t>(px - Width * CenterX));
    const double d = double(static_cast<std::int64_t>(py - Height * CenterY));
    rx = static_cast<std::int64_t>(c * cosT - d * sinT) + X;
    ry = static_cast<std::int64_t>(c * sinT + d * cosT) + Y;
  };
  std::int64_t minX = std::numeric_limits<std::int64_t>::max(), minY = minX;
  std::int64_t maxX = std::numeric_limits<std::int64_t>::min(), maxY = maxX;
  const double corners[4][2] = {
      {0, 0}, {double(Width), 0}, {0, double(Height)}, {double(Width), double(Height)}};
  for (const auto& corner : corners) {
    std::int64_t x, y;
    rotate(corner[0], corner[1], x, y);
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
  }
  minX = std::max<std::int64_t>(minX, 0);
  minY = std::max<std::int64_t>(minY, 0);
  maxX = std::min<std::int64_t>(maxX, width_);
  maxY = std::min<std::int64_t>(maxY, height_);
  if (minX > width_ || maxX <= 0 || maxX - minX <= 0 || minY > height_ || maxY <= 0 ||
      maxY - minY <= 0)
    return;

  const std::int64_t srcW = s.Right - s.Left, srcH = s.Bottom - s.Top;
  const int inverse = (256 - (Angle & 255)) & 255;
  const auto cosA = static_cast<std::int64_t>(Cos256(inverse) * 65536);
  const auto sinA = static_cast<std::int64_t>(Sin256(inverse) * 65536);
  const std::int64_t dux = srcW * cosA / Width, dvx = srcH * sinA / Height;
  const std::int64_t duy = srcW * sinA / Width, dvy = srcH * cosA / Height;

  std::int64_t uRow = static_cast<std::int64_t>(srcW * CenterX * 65536) + (minX - X) * dux +
                      (Y - minY) * duy + std::int64_t{s.Left} * 65536;
  std::int64_t vRow = static_cast<std::int64_t>(srcH * CenterY * 65536) + (minX - X) * dvx -
                      (Y - minY) * dvy + std::int64_t{s.Top} * 65536;

  const std::int64_t left = std::int64_t{s.Left} << 16, right = std::int64_t{s.Right} << 16;
  const std::int64_t top = std::int64_t{s.Top} << 16, bottom = std::int64_t{s.Bottom} << 16;
  const TPixelFormat& sf = Source->format_;
  const bool same = sf == format_;
  const std::uint32_t keyMask = sf.KeyMask();
  const TSimdKernels& kernels = Kernels();
  TSpanJob job{};
  job.Src = Source->memory_.get();
  job.SrcPitch = Source->pitch_;
  job.DU = static_cast<std::int32_t>(dux);
  job.DV = static_cast<std::int32_t>(dvx);
  job.KeyMask = keyMask;
  job.Key = Source->colorKey_ & keyMask;
  const int bytes = format_.BytesPerPixel();

  // One span of the plain paths.
  const auto drawSpan = [&](std::int64_t y, std::int64_t x0, std::int64_t n, std::int64_t u,
                            std::int64_t v) __attribute__((always_inline)) {
    job.Dest = memory_.get() + y * pitch_ + x0 * bytes;
    job.N = static_cast<int>(n);
    job.U = static_cast<std::int32_t>(u);
    job.V = static_cast<std::int32_t>(v);
    if (!same) {
      SpanConvert(job, Transparent, sf, format_);
    } else if (format_.BitCount == 16) {
      Transparent ? SpanSame<std::uint16_t, true>(job) : SpanSame<std::uint16_t, false>(job);
    } else if (format_.BitCount == 32) {
      Transparent ? SpanSame<std::uint32_t, true>(job) : SpanSame<std::uint32_t, false>(job);
    } else if (format_.BitCount == 8) {
      Transparent ? SpanSame<std::uint8_t, true>(job) : SpanSame<std::uint8_t, false>(job);
    } else if (format_.BitCount == 24) {
      Transparent ? SpanSame24<true>(job) : SpanSame24<false>(job);
    } else {
      SpanConvert(job, Transparent, sf, format_);
    }
  };

  if (kernels.Level != TSimdLevel::Portable) {
    const TRotatedRows rows({.MinX = minX,
                             .MinY = minY,
                             .MaxY = maxY,
                             .DestWidth = width_,
                             .U = uRow,
                             .V = vRow,
                             .DU = dux,
                             .DV = dvx,
                             .DUY = duy,
                             .DVY = dvy,
                             .Left = left,
                             .Top = top,
                             .Right = right,
                             .Bottom = bottom});
    if (same && format_.BitCount == 16) {
      // The display's pixels are always 16-bit: the processor's kernel.
      TRotateRows16 all;
      all.Src = job.Src;
      all.SrcPitch = job.SrcPitch;
      all.Dest = memory_.get();
      all.DestPitch = pitch_;
      all.Rows = &rows;
      all.Keyed = Transparent;
      all.Key = static_cast<std::uint16_t>(job.Key);
      kernels.RotateRows16(all);
    } else {
      TRotatedRows::TCursor cursor(rows);
      for (TRotatedRows::TSpan span; cursor.Next(span);)
        drawSpan(span.Y, span.X0, span.N, span.U, span.V);
    }
    lastResult_ = DD_OK;
    return;
  }

  const auto byDux = [dux](std::int64_t a) { return Div(a, dux); };
  const auto byDvx = [dvx](std::int64_t a) { return Div(a, dvx); };
  for (std::int64_t y = minY; y < maxY; ++y, uRow -= duy, vRow += dvy) {
    const std::int64_t u0 = uRow, v0 = vRow;
    std::int64_t skip = 0;
    if (dux > 0 && left > u0) skip = byDux(left - u0 + dux - 1);
    if (dux < 0 && right <= u0) skip = byDux(right - u0 + dux);
    if (dvx > 0 && top > v0) skip = std::max(skip, byDvx(top - v0 + dvx - 1));
    if (dvx < 0 && bottom <= v0) skip = std::max(skip, byDvx(bottom - v0 + dvx));
    // The span's length from the row's start values: (A - skip x d) div d is
    // A div d - skip whenever the length comes out positive, and when it does
    // not the row is not drawn either way; so the divisions of a row do not
    // wait for each other. Divisors are max(d, 1) when d >= 0, else -d.
    std::int64_t n = dux > 0   ? byDux(right - u0) - skip
                     : dux < 0 ? byDux(left - u0) - skip
                               : right - u0;
    n = std::min(n, dvx > 0   ? byDvx(bottom - v0) - skip
                    : dvx < 0 ? byDvx(top - v0) - skip
                              : bottom - v0);
    n = std::min(n, width_ - minX - skip);
    // A coordinate that does not move along the row must already lie inside
    // the source, or the whole span would read outside it.
    if ((dux == 0 && (u0 < left || u0 >= right)) || (dvx == 0 && (v0 < top || v0 >= bottom))) n = 0;
    if (n >= 1) drawSpan(y, minX + skip, n, u0 + skip * dux, v0 + skip * dvx);
  }
  lastResult_ = DD_OK;
}
