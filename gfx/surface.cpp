#include "gfx/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "gfx/canvas.h"
#include "gfx/dib.h"
#include "gfx/pixel_access.h"
#include "gfx/simd_x86.h"
#include "gfx/surface_blit.h"

namespace {
// Stand-ins for the platform interfaces: only whether they exist matters.
const char kInterface = 0;
}  // namespace

void TDirectDrawSurface::AlignedFree::operator()(std::uint8_t* p) const {
  std::free(p);
}

TDirectDrawSurface::TDirectDrawSurface(TDirectDraw* owner) : owner_(owner) {
  if (owner_) {
    owner_->surfaces_.push_back(this);
    format_ = owner_->DisplayPixelFormat();
  }
}

TDirectDrawSurface::~TDirectDrawSurface() {
  canvas_.reset();  // gives back the device context first
  Release();
  if (owner_) {
    auto& list = owner_->surfaces_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TDirectDrawSurface::OwnerGone() {
  if (canvas_) canvas_->Release();
  Release();
  clipper_ = nullptr;
  palette_ = nullptr;
  auto& list = owner_->surfaces_;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  owner_ = nullptr;
}

void TDirectDrawSurface::DetachClipper() {
  clipper_ = nullptr;
  hasClipper_ = false;
}

void TDirectDrawSurface::DetachPalette() {
  palette_ = nullptr;
}

const void* TDirectDrawSurface::ISurface() const {
  if (!Exists()) throw EDirectDrawSurfaceError("IDirectDrawSurface not made");
  return &kInterface;
}

const void* TDirectDrawSurface::ISurface4() const {
  if (!Exists()) throw EDirectDrawSurfaceError("IDirectDrawSurface4 not made");
  return &kInterface;
}

const void* TDirectDrawSurface::ISurface7() const {
  if (!Exists()) throw EDirectDrawSurfaceError("IDirectDrawSurface7 not made");
  return &kInterface;
}

void TDirectDrawSurface::Release() {
  if (canvas_) canvas_->Release();
  dcActive_ = false;
  lockCount_ = 0;
  locked_ = {};
  memory_.reset();
  if (owner_) owner_->VideoMemoryFree += videoBytes_;
  videoBytes_ = 0;
  width_ = height_ = pitch_ = 0;
  lost_ = false;
  clipper_ = nullptr;
  hasClipper_ = false;
  Changed();
}

void TDirectDrawSurface::SetSize(int width, int height) {
  Release();
  if (width <= 0 || height <= 0) return;

  bool made = false;
  if (owner_ && width <= TDirectDraw::MaxSurfaceSide && height <= TDirectDraw::MaxSurfaceSide) {
    const TPixelFormat format = owner_->DisplayPixelFormat();
    // Rows start on 4-byte boundaries (and the block on 64) so the memory can
    // be wrapped as an image without copying and read with aligned vectors.
    const int pitch = (width * format.BytesPerPixel() + 3) & ~3;
    const std::int64_t bytes = std::int64_t{pitch} * height;
    const auto allocate = [&]() -> std::uint8_t* {
      const std::size_t rounded =
          (static_cast<std::size_t>(bytes) + kSurfaceTailBytes + 63) & ~std::size_t{63};
      void* p = std::aligned_alloc(64, rounded);
      if (p) std::memset(p, 0, rounded);
      return static_cast<std::uint8_t*>(p);
    };
    std::uint8_t* memory = nullptr;
    if (!SystemMemory && bytes <= owner_->VideoMemoryFree) {
      memory = allocate();
      if (memory) {
        videoBytes_ = bytes;
        owner_->VideoMemoryFree -= bytes;
      }
    }
    if (!memory && !SystemMemory) {
      // Video memory is full: system memory will do.
      memory = allocate();
      if (memory) SystemMemory = true;
    } else if (!memory) {
      memory = allocate();
    }
    if (memory) {
      memory_.reset(memory);
      width_ = width;
      height_ = height;
      pitch_ = pitch;
      format_ = format;
      colorKey_ = 0;
      made = true;
    }
  }
  lastResult_ = made ? DD_OK : DDERR_OUTOFMEMORY;
  if (!made) throw EDirectDrawSurfaceError("Surface cannot be made");
}

void TDirectDrawSurface::LoadFromGraphic(const TDIB& graphic) {
  LoadFromGraphicRect(graphic, 0, 0, Rect(0, 0, graphic.Width(), graphic.Height()));
}

void TDirectDrawSurface::LoadFromGraphicRect(const TDIB& graphic, int AWidth, int AHeight,
                                             const TRect& SrcRect) {
  if (AWidth == 0) AWidth = SrcRect.Width();
  if (AHeight == 0) AHeight = SrcRect.Height();
  SetSize(AWidth, AHeight);
  if (!Exists()) return;
  TSurfaceMemory memory;
  if (!GetDC(memory)) return;
  CopyDIBToSurface(graphic, SrcRect, memory, width_, height_, format_);
  ReleaseDC();
  if (canvas_) canvas_->Release();
}

void TDirectDrawSurface::AssignTo(TDIB& dib) const {
  TDIB result;
  if (Exists()) {
    result.SetSize(width_, height_, 24);
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* row = memory_.get() + std::ptrdiff_t{y} * pitch_;
      std::uint8_t* out = result.ScanLineForWrite(y);
      for (int x = 0; x < width_; ++x) {
        const auto c =
            static_cast<std::uint32_t>(format_.RawToColor(ReadRawPixel(row, x, BitCount())));
        out[3 * x] = static_cast<std::uint8_t>(c >> 16);
        out[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
        out[3 * x + 2] = static_cast<std::uint8_t>(c);
      }
    }
  }
  dib = result;
}

std::uint32_t TDirectDrawSurface::ColorMatch(TColor color) {
  if (!Exists()) return 0;
  if (canvas_) canvas_->Release();
  const std::uint32_t saved = Pixels(0, 0);
  // The colour goes in exactly as a picture's pixel would, so the key found
  // here is the value that picture pixels of this colour take.
  TDIB dot;
  dot.SetSize(1, 1, 8);
  TRGBQuads table{};
  const auto c = static_cast<std::uint32_t>(ColorToRGB(color));
  table[0] = TRGBQuad{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                      static_cast<std::uint8_t>(c), 0};
  dot.SetColorTable(table);
  TSurfaceMemory memory;
  if (GetDC(memory)) {
    CopyDIBToSurface(dot, Rect(0, 0, 1, 1), memory, 1, 1, format_);
    ReleaseDC();
  }
  const std::uint32_t result = Pixels(0, 0);
  SetPixels(0, 0, saved);
  return result;
}

void TDirectDrawSurface::SetTransparentColor(std::uint32_t raw) {
  if (!Exists()) {
    lastResult_ = DDERR_INVALIDOBJECT;
    return;
  }
  colorKey_ = raw;
  lastResult_ = DD_OK;
  Changed();
}

bool TDirectDrawSurface::Usable(HRESULT& result) const {
  if (!Exists()) {
    result = DDERR_INVALIDOBJECT;
    return false;
  }
  if (lost_) {
    result = DDERR_SURFACELOST;
    return false;
  }
  if (lockCount_ > 0 || dcActive_) {
    result = DDERR_SURFACEBUSY;
    return false;
  }
  return true;
}

bool TDirectDrawSurface::Fill(std::uint32_t value) {
  if (!Usable(lastResult_)) return false;
  FillSurface(Kernels(), memory_.get(), pitch_, width_, height_, BitCount(), value);
  Changed();
  lastResult_ = DD_OK;
  return true;
}

bool ClipRect(TRect& Dest, TRect& Src, const TRect& DestBounds, const TRect& SrcBounds) {
  if (DestBounds.Left > Dest.Left) {
    Src.Left += DestBounds.Left - Dest.Left;
    Dest.Left = DestBounds.Left;
  }
  if (DestBounds.Top > Dest.Top) {
    Src.Top += DestBounds.Top - Dest.Top;
    Dest.Top = DestBounds.Top;
  }
  if (SrcBounds.Left > Src.Left) {
    Dest.Left += SrcBounds.Left - Src.Left;
    Src.Left = SrcBounds.Left;
  }
  if (SrcBounds.Top > Src.Top) {
    Dest.Top += SrcBounds.Top - Src.Top;
    Src.Top = SrcBounds.Top;
  }
  if (DestBounds.Right < Dest.Right) {
    Src.Right -= Dest.Right - DestBounds.Right;
    Dest.Right = DestBounds.Right;
  }
  if (DestBounds.Bottom < Dest.Bottom) {
    Src.Bottom -= Dest.Bottom - DestBounds.Bottom;
    Dest.Bottom = DestBounds.Bottom;
  }
  if (SrcBounds.Right < Src.Right) {
    Dest.Right -= Src.Right - SrcBounds.Right;
    Src.Right = SrcBounds.Right;
  }
  if (SrcBounds.Bottom < Src.Bottom) {
    Dest.Bottom -= Src.Bottom - SrcBounds.Bottom;
    Src.Bottom = SrcBounds.Bottom;
  }
  return Dest.Left < Dest.Right && Dest.Top < Dest.Bottom && Src.Left < Src.Right &&
         Src.Top < Src.Bottom;
}

void TDirectDrawSurface::Draw(int X, int Y, const TRect& SrcRect, TDirectDrawSurface* Source,
                              bool Transparent) {
  if (!Source || !Source->Exists() || !Exists()) return;
  if (X > width_ || Y > height_) return;

  // Rectangle arithmetic is done in 64 bits: a hostile rectangle must not wrap.
  const auto fits = [](std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
  };
  const bool mirrorX = SrcRect.Right < SrcRect.Left;
  const bool mirrorY = SrcRect.Bottom < SrcRect.Top;
  TRect src = SrcRect;
  if (mirrorX) std::swap(src.Left, src.Right);
  if (mirrorY) std::swap(src.Top, src.Bottom);
  const std::int64_t w = std::int64_t{src.Right} - src.Left;
  const std::int64_t h = std::int64_t{src.Bottom} - src.Top;
  if (!fits(w) || !fits(h) || !fits(X + w) || !fits(Y + h)) return;
  if ((mirrorX || mirrorY) && !(w + X > 0 && h + Y > 0)) return;
  TRect dest = Bounds(X, Y, static_cast<int>(w), static_cast<int>(h));
  const TRect original = src;
  if (!ClipRect(dest, src, ClientRect(), Source->ClientRect())) return;

  // Software copies never need the platform's clipper, but a surface that has
  // one attached is clipped to its visible area as well.
  if (!hasClipper_ && clipper_) {
    lastResult_ = DDERR_BLTFASTCANTCLIP;
    hasClipper_ = true;
  }
  if (hasClipper_ && clipper_ && !clipper_->ClipRect.IsEmpty()) {
    if (!ClipRect(dest, src, clipper_->ClipRect, Source->ClientRect())) return;
  }
  if (mirrorX) {
    // The columns cut from the destination's left are the source's rightmost.
    const int left = original.Left + (original.Right - src.Right);
    src.Right = original.Right - (src.Left - original.Left);
    src.Left = left;
  }
  if (mirrorY) {
    const int top = original.Top + (original.Bottom - src.Bottom);
    src.Bottom = original.Bottom - (src.Top - original.Top);
    src.Top = top;
  }
  DrawClipped(dest, src, original, *Source, Transparent, mirrorX, mirrorY);
}

void TDirectDrawSurface::DrawClipped(const TRect& dest, const TRect& src, const TRect& pattern,
                                     TDirectDrawSurface& source, bool transparent, bool mirrorX,
                                     bool mirrorY) {
  if (!Usable(lastResult_)) return;
  if (&source != this && !source.Usable(lastResult_)) return;
  const bool sameFormat = source.format_ == format_;
  const TSimdKernels& kernels = Kernels();
  if (!transparent && sameFormat && !mirrorX && !mirrorY && &source != this) {
    // The common opaque copy: rows straight from memory to memory.
    const std::size_t bytes = format_.BytesPerPixel();
    const std::size_t n = static_cast<std::size_t>(dest.Width()) * bytes;
    std::uint8_t* d = memory_.get() + std::ptrdiff_t{dest.Top} * pitch_ + dest.Left * bytes;
    const std::uint8_t* s =
        source.memory_.get() + std::ptrdiff_t{src.Top} * source.pitch_ + src.Left * bytes;
    kernels.CopyRows(d, pitch_, s, source.pitch_, n, dest.Height());
    Changed();
    lastResult_ = DD_OK;
    return;
  }
  if (transparent && sameFormat && !mirrorX && !mirrorY && &source != this &&
      kernels.Level != TSimdLevel::Portable) {
    // The run list is made for the whole rectangle asked for (a picture's
    // pattern), so a pattern cut by the screen's edge uses the same list. A
    // rectangle asked for may reach outside the source: the list covers only
    // what lies inside.
    const TRect b = source.ClientRect();
    const TRect inside = Rect(std::max(pattern.Left, b.Left), std::max(pattern.Top, b.Top),
                              std::min(pattern.Right, b.Right), std::min(pattern.Bottom, b.Bottom));
    const TRectRuns& runs = source.RunsOf(inside);
    const int bytes = format_.BytesPerPixel();
    std::uint8_t* d = memory_.get() + std::ptrdiff_t{dest.Top} * pitch_ + dest.Left * bytes;
    const std::uint8_t* s =
        source.memory_.get() + std::ptrdiff_t{src.Top} * source.pitch_ + src.Left * bytes;
    // A rectangle without a key pixel in it copies as an opaque one.
    if (runs.Opaque)
      kernels.CopyRows(d, pitch_, s, source.pitch_, static_cast<std::size_t>(dest.Width()) * bytes,
                       dest.Height());
    else
      CopyRectRuns(kernels, d, pitch_, bytes, runs, src.Top - inside.Top, src.Left - inside.Left,
                   dest.Width(), dest.Height());
    Changed();
    lastResult_ = DD_OK;
    return;
  }
  TBlitJob job;
  job.Dest = memory_.get() + std::ptrdiff_t{dest.Top} * pitch_;
  job.DestPitch = pitch_;
  job.DestX = dest.Left;
  job.DestFormat = format_;
  job.Src = source.memory_.get() + std::ptrdiff_t{src.Top} * source.pitch_;
  job.SrcPitch = source.pitch_;
  job.SrcX = src.Left;
  job.SrcFormat = source.format_;
  job.Width = dest.Width();
  job.Height = dest.Height();
  job.MirrorX = mirrorX;
  job.MirrorY = mirrorY;
  job.Overlap = &source == this;
  if (transparent) {
    job.Keyed = true;
    job.Key = source.colorKey_ & source.format_.KeyMask();
  }
  BlitSurface(job);
  Changed();
  lastResult_ = DD_OK;
}

const TRectRuns& TDirectDrawSurface::RunsOf(const TRect& rect) {
  if (!runs_) runs_ = std::make_unique<TSurfaceRunCache>();
  return runs_->Get(memory_.get(), pitch_, rect, format_, colorKey_ & format_.KeyMask());
}

const TSimdKernels& TDirectDrawSurface::Kernels() const {
  return owner_ ? owner_->Kernels() : SimdKernels(BestSimdLevel());
}

void TDirectDrawSurface::Changed() {
  if (runs_) runs_->Invalidate();
}

void TDirectDrawSurface::MarkLost() {
  if (Exists()) lost_ = true;
}

TDirectDrawSurfaceCanvas& TDirectDrawSurface::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TDirectDrawSurfaceCanvas>(*this);
  return *canvas_;
}

bool TDirectDrawSurface::Lock(const TRect* rect) {
  TSurfaceMemory memory;
  return Lock(memory, rect);
}

bool TDirectDrawSurface::Lock(TSurfaceMemory& memory, const TRect* rect) {
  if (!Usable(lastResult_)) return false;
  TRect r = ClientRect();
  if (rect && !(*rect == r)) {
    if (rect->Left < 0 || rect->Top < 0 || rect->Right > width_ || rect->Bottom > height_ ||
        rect->IsEmpty()) {
      lastResult_ = DDERR_INVALIDPARAMS;
      return false;
    }
    r = *rect;
  }
  locked_.Bits = memory_.get() + std::ptrdiff_t{r.Top} * pitch_ +
                 std::ptrdiff_t{r.Left} * format_.BytesPerPixel();
  locked_.Pitch = pitch_;
  lockCount_ = 1;
  memory = locked_;
  // Whoever locks may write.
  Changed();
  lastResult_ = DD_OK;
  return true;
}

void TDirectDrawSurface::Unlock() {
  if (lockCount_ <= 0) {
    lastResult_ = DDERR_NOTLOCKED;
    return;
  }
  if (--lockCount_ == 0) locked_ = {};
  lastResult_ = DD_OK;
}

std::uint32_t TDirectDrawSurface::Pixels(int x, int y) {
  if (!Exists() || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  HRESULT result;
  if (!Usable(result)) {
    lastResult_ = result;
    return 0;
  }
  return ReadRawPixel(memory_.get() + std::ptrdiff_t{y} * pitch_, x, BitCount());
}

void TDirectDrawSurface::SetPixels(int x, int y, std::uint32_t value) {
  if (!Exists() || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (!Usable(lastResult_)) return;
  WriteRawPixel(memory_.get() + std::ptrdiff_t{y} * pitch_, x, BitCount(), value);
  Changed();
}

bool TDirectDrawSurface::Restore() {
  if (!Exists()) {
    lastResult_ = DDERR_INVALIDOBJECT;
    return false;
  }
  if (lost_) {
    std::memset(memory_.get(), 0, static_cast<std::size_t>(pitch_) * height_);
    lost_ = false;
    Changed();
  }
  lastResult_ = DD_OK;
  return true;
}

void TDirectDrawSurface::SetClipper(TDirectDrawClipper* clipper) {
  ISurface();
  clipper_ = clipper;
  if (!clipper) hasClipper_ = false;
  lastResult_ = DD_OK;
}

void TDirectDrawSurface::SetPalette(TDirectDrawPalette* palette) {
  ISurface();
  palette_ = palette;
  lastResult_ = DD_OK;
}

bool TDirectDrawSurface::GetDC(TSurfaceMemory& memory) {
  if (!Usable(lastResult_)) return false;
  dcActive_ = true;
  memory.Bits = memory_.get();
  memory.Pitch = pitch_;
  Changed();
  lastResult_ = DD_OK;
  return true;
}

void TDirectDrawSurface::ReleaseDC() {
  dcActive_ = false;
}
