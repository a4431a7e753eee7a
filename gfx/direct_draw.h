#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx/graphics_types.h"
#include "gfx/pixel_format.h"
#include "gfx/simd_x86.h"
#include "platform/exception.h"

// Result codes of the drawing device's calls, kept as each surface's last result.
using HRESULT = std::int32_t;
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082u);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = static_cast<HRESULT>(0x8876017Cu);
constexpr HRESULT DDERR_SURFACEBUSY = static_cast<HRESULT>(0x887601AEu);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_BLTFASTCANTCLIP = static_cast<HRESULT>(0x8876023Eu);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x88760248u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);

class EDirectDrawError : public Exception {
 public:
  using Exception::Exception;
};

class TDirectDraw;
class TDirectDrawSurface;

// Limits what a copy onto its surface may touch: the window's visible area.
class TDirectDrawClipper {
 public:
  explicit TDirectDrawClipper(TDirectDraw& owner);
  ~TDirectDrawClipper();
  TDirectDrawClipper(const TDirectDrawClipper&) = delete;
  TDirectDrawClipper& operator=(const TDirectDrawClipper&) = delete;

  // Null once the device object is gone.
  TDirectDraw* DDraw() const { return owner_; }
  // The visible area in surface coordinates; empty means unlimited.
  TRect ClipRect;

 private:
  friend class TDirectDraw;
  TDirectDraw* owner_;
};

// The colour table of an 8-bit display mode; entries are 0x00BBGGRR.
class TDirectDrawPalette {
 public:
  explicit TDirectDrawPalette(TDirectDraw& owner);
  ~TDirectDrawPalette();
  TDirectDrawPalette(const TDirectDrawPalette&) = delete;
  TDirectDrawPalette& operator=(const TDirectDrawPalette&) = delete;

  TDirectDraw* DDraw() const { return owner_; }
  std::array<TColor, 256> Entries{};

 private:
  friend class TDirectDraw;
  TDirectDraw* owner_;
};

// The drawing device: makes surfaces in the display's pixel format and keeps
// lists of what it made. Surfaces live in memory; "video memory" is a budget
// that surfaces not asking for system memory are taken from, so the fallback
// into system memory behaves as on a real card.
class TDirectDraw {
 public:
  TDirectDraw();
  // Releases the surfaces still listed (last made first: their memory goes and
  // they become absent), then detaches palettes, then clippers. The objects
  // themselves belong to whoever made them and are not deleted here.
  ~TDirectDraw();
  TDirectDraw(const TDirectDraw&) = delete;
  TDirectDraw& operator=(const TDirectDraw&) = delete;

  // The format of surfaces made from now on (the display mode's). 16 bits
  // means 5-6-5 unless told otherwise.
  const TPixelFormat& DisplayPixelFormat() const { return format_; }
  void SetDisplayPixelFormat(const TPixelFormat& format) { format_ = format; }

  // Bytes of "video memory" left; each video-memory surface takes its size.
  std::int64_t VideoMemoryFree = std::int64_t{64} << 20;
  // The largest width or height a surface may have.
  static constexpr int MaxSurfaceSide = 16384;

  // Marks every surface lost, as a mode change or another program taking the
  // screen does; each comes back with its Restore.
  void LoseSurfaces();

  HRESULT LastResult() const { return lastResult_; }

  // How much of the processor drawing onto this device's surfaces uses: the
  // best level it runs unless told otherwise. False, with the level
  // unchanged, for a level the processor cannot run.
  bool SetSimdLevel(TSimdLevel level);
  TSimdLevel SimdLevel() const { return kernels_->Level; }
  const TSimdKernels& Kernels() const { return *kernels_; }

  const std::vector<TDirectDrawSurface*>& Surfaces() const { return surfaces_; }
  const std::vector<TDirectDrawClipper*>& Clippers() const { return clippers_; }
  const std::vector<TDirectDrawPalette*>& Palettes() const { return palettes_; }

 private:
  friend class TDirectDrawSurface;
  friend class TDirectDrawClipper;
  friend class TDirectDrawPalette;

  TPixelFormat format_ = TPixelFormat::RGB565();
  HRESULT lastResult_ = DD_OK;
  const TSimdKernels* kernels_ = &SimdKernels(BestSimdLevel());
  std::vector<TDirectDrawSurface*> surfaces_;
  std::vector<TDirectDrawClipper*> clippers_;
  std::vector<TDirectDrawPalette*> palettes_;
};
