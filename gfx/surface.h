#pragma once

#include <cstdint>
#include <memory>

#include "gfx/direct_draw.h"
#include "gfx/graphics_types.h"
#include "gfx/pixel_format.h"
#include "platform/exception.h"

class TDIB;
class TDirectDrawSurfaceCanvas;
class TSurfaceRunCache;
struct TRectRuns;
struct TSimdKernels;

class EDirectDrawSurfaceError : public Exception {
 public:
  using Exception::Exception;
};

// Locked memory: the first byte of the locked rectangle and the bytes per row.
struct TSurfaceMemory {
  std::uint8_t* Bits = nullptr;
  int Pitch = 0;
};

// A rectangle of pixels in the display's pixel format, in memory. Absent until
// SetSize gives it memory. Drawing never throws: a copy, fill, lock or rotated
// drawing that cannot be done draws nothing and leaves its code in LastResult.
class TDirectDrawSurface {
 public:
  explicit TDirectDrawSurface(TDirectDraw* owner);
  ~TDirectDrawSurface();
  TDirectDrawSurface(const TDirectDrawSurface&) = delete;
  TDirectDrawSurface& operator=(const TDirectDrawSurface&) = delete;

  TDirectDraw* DDraw() const { return owner_; }
  bool Exists() const { return memory_ != nullptr; }
  // A platform interface of the surface; EDirectDrawSurfaceError "... not made"
  // when the surface is absent. The software surface has all three versions.
  const void* ISurface() const;
  const void* ISurface4() const;
  const void* ISurface7() const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitCount() const { return format_.BitCount; }
  int Pitch() const { return pitch_; }
  const TPixelFormat& PixelFormat() const { return format_; }
  TRect ClientRect() const { return Rect(0, 0, width_, height_); }
  HRESULT LastResult() const { return lastResult_; }

  // Asks for system memory rather than video memory; set by SetSize when video
  // memory ran out.
  bool SystemMemory = false;

  // Width or height 0 or less releases the memory. Otherwise new memory of that
  // size in the owner's display format, colour key 0; the pixels are 0.
  // EDirectDrawSurfaceError "Surface cannot be made" when it cannot be had.
  void SetSize(int width, int height);

  // Sizes the surface to AWidth x AHeight (0 meaning SrcRect's own size) and
  // copies SrcRect of the picture into it, stretched when the sizes differ,
  // each pixel converted to this surface's format.
  void LoadFromGraphicRect(const TDIB& graphic, int AWidth, int AHeight, const TRect& SrcRect);
  void LoadFromGraphic(const TDIB& graphic);
  // Gives the bitmap this surface's picture at 24 bits per pixel.
  void AssignTo(TDIB& dib) const;

  // The raw value a colour takes when a picture is copied into this surface;
  // 0 when the surface is absent. Pixel (0, 0) is left as it was.
  std::uint32_t ColorMatch(TColor color);
  // Sets the source colour key (a raw value of this format).
  void SetTransparentColor(std::uint32_t raw);
  std::uint32_t ColorKey() const { return colorKey_; }

  // Fills the whole surface with a raw value; false when that failed.
  bool Fill(std::uint32_t value);
  // Copies SrcRect of Source with its top-left corner at (X, Y), clipped to both
  // surfaces; with Transparent, source pixels equal to Source's key are left out.
  // A reversed SrcRect draws mirrored.
  void Draw(int X, int Y, const TRect& SrcRect, TDirectDrawSurface* Source, bool Transparent);
  // SrcRect of Source scaled to Width x Height and turned by Angle (256ths of a
  // turn, clockwise) about the point (CenterX, CenterY) of the scaled picture,
  // which lands at (X, Y).
  void DrawRotate(int X, int Y, int Width, int Height, const TRect& SrcRect,
                  TDirectDrawSurface* Source, double CenterX, double CenterY, bool Transparent,
                  int Angle);

  // Created on first use.
  TDirectDrawSurfaceCanvas& Canvas();
  bool HasCanvas() const { return canvas_ != nullptr; }

  // Locks the whole surface (or a rectangle of it); locks do not nest. The
  // memory stays valid until Unlock.
  bool Lock(const TRect* rect = nullptr);
  bool Lock(TSurfaceMemory& memory, const TRect* rect = nullptr);
  void Unlock();
  bool Locked() const { return lockCount_ > 0; }
  const TSurfaceMemory& LockedMemory() const { return locked_; }

  // Raw pixel access, locking around each call; 0 (or nothing) outside.
  std::uint32_t Pixels(int x, int y);
  void SetPixels(int x, int y, std::uint32_t value);

  // Brings back memory lost with the display (not the pixels: they read 0).
  bool Restore();
  bool IsLost() const { return lost_; }

  bool HasClipper() const { return hasClipper_; }
  // EDirectDrawSurfaceError "IDirectDrawSurface not made" when absent.
  void SetClipper(TDirectDrawClipper* clipper);
  TDirectDrawClipper* Clipper() const { return clipper_; }
  void SetPalette(TDirectDrawPalette* palette);
  TDirectDrawPalette* Palette() const { return palette_; }

  // The pixels for presenting, without a lock; null when absent. Bits() is
  // 64-byte aligned, Pitch() a multiple of 4, and kSurfaceTailBytes follow
  // the last row.
  const std::uint8_t* Bits() const { return memory_.get(); }

  // The device context of the canvas; false while the surface is locked, lost
  // or absent. While it is held, locks and copies to or from the surface fail.
  bool GetDC(TSurfaceMemory& memory);
  void ReleaseDC();
  bool DCActive() const { return dcActive_; }

  // Every write to the pixels goes through here, so caches made from them are dropped.
  void Changed();
  // The display lost the memory (see TDirectDraw::LoseSurfaces).
  void MarkLost();
  // The device object is being destroyed: release the memory and forget it.
  void OwnerGone();
  void DetachClipper();
  void DetachPalette();

 private:
  struct AlignedFree {
    void operator()(std::uint8_t* p) const;
  };

  void Release();
  bool Usable(HRESULT& result) const;
  // pattern: the source rectangle before clipping.
  void DrawClipped(const TRect& dest, const TRect& src, const TRect& pattern,
                   TDirectDrawSurface& source, bool transparent, bool mirrorX, bool mirrorY);
  const TRectRuns& RunsOf(const TRect& rect);
  // The owner's: drawing onto this surface uses as much of the processor as
  // its device object allows.
  const TSimdKernels& Kernels() const;

  TDirectDraw* owner_;
  std::unique_ptr<TDirectDrawSurfaceCanvas> canvas_;
  HRESULT lastResult_ = DD_OK;
  bool hasClipper_ = false;
  TDirectDrawClipper* clipper_ = nullptr;
  TDirectDrawPalette* palette_ = nullptr;
  std::unique_ptr<std::uint8_t, AlignedFree> memory_;
  std::int64_t videoBytes_ = 0;  // taken from the owner's budget
  int width_ = 0;
  int height_ = 0;
  int pitch_ = 0;
  TPixelFormat format_;
  std::uint32_t colorKey_ = 0;
  int lockCount_ = 0;
  TSurfaceMemory locked_;
  bool lost_ = false;
  bool dcActive_ = false;
  std::unique_ptr<TSurfaceRunCache> runs_;
};

// Clips a copy to both surfaces: Dest and Src move together edge by edge, left
// and top first. False when nothing is left of either.
bool ClipRect(TRect& Dest, TRect& Src, const TRect& DestBounds, const TRect& SrcBounds);
