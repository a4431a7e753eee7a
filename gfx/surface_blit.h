#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx/graphics_types.h"
#include "gfx/pixel_format.h"
#include "gfx/simd_x86.h"

class TDIB;

// The opaque runs of one source rectangle (a picture's pattern) under one
// colour key, row by row: what a keyed copy of that rectangle has to move, as
// a sprite's run-length encoding would hold it. Made on the first keyed copy
// of the rectangle, dropped by every write to the surface.
struct TRectRuns {
  using TRun = ::TRun;  // columns from the rectangle's left
  TRect Rect;
  bool Opaque = false;                 // not one pixel equals the key: a plain copy will do
  std::vector<std::int32_t> RowStart;  // index of each row's first run; height + 1 entries
  std::vector<TRun> Runs;
  // The opaque pixels, run after run: a copy reads only these, packed as a
  // sprite's run-length encoding holds them, not the whole sheet's rows.
  std::vector<std::uint8_t> Packed;
};

void BuildRectRuns(TRectRuns& runs, const std::uint8_t* bits, int pitch, const TRect& rect,
                   const TPixelFormat& format, std::uint32_t key);

// The run lists of one surface, one per rectangle drawn from it.
class TSurfaceRunCache {
 public:
  const TRectRuns& Get(const std::uint8_t* bits, int pitch, const TRect& rect,
                       const TPixelFormat& format, std::uint32_t key);
  // The pixels or the key changed: every list is made afresh when next asked for.
  void Invalidate() { stale_ = true; }

 private:
  // Open addressing in a power-of-two table: a pattern's list is found with
  // a multiply and a compare, no division and no chain of nodes.
  struct Slot {
    TRect Rect;
    std::unique_ptr<TRectRuns> List;
  };
  static std::size_t Hash(const TRect& r);
  void Clear();
  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  std::uint32_t key_ = 0;
  std::size_t size_ = 0;
  bool stale_ = false;
};

// One clipped copy between two surfaces' memories. Dest and Src point at the
// first row of the rectangle; DestX and SrcX are its first column.
struct TBlitJob {
  std::uint8_t* Dest = nullptr;
  int DestPitch = 0;
  int DestX = 0;
  TPixelFormat DestFormat;
  const std::uint8_t* Src = nullptr;
  int SrcPitch = 0;
  int SrcX = 0;
  TPixelFormat SrcFormat;
  int Width = 0;
  int Height = 0;
  bool Keyed = false;
  std::uint32_t Key = 0;  // already masked with the source format's key mask
  bool MirrorX = false;
  bool MirrorY = false;
  bool Overlap = false;  // source and destination are the same memory
};

// Every copy between surfaces but the keyed one by run list: any formats,
// mirroring, overlapping memory, a key tested pixel by pixel.
void BlitSurface(const TBlitJob& job);

// A keyed copy by the rectangle's run list: dest points at the first pixel of
// the copy, which starts at (runColumn, runRow) inside runs.Rect.
void CopyRectRuns(const TSimdKernels& kernels, std::uint8_t* dest, std::ptrdiff_t destPitch,
                  int bytesPerPixel, const TRectRuns& runs, int runRow, int runColumn, int width,
                  int height);

// At the portable level, pixel by pixel.
void FillSurface(const TSimdKernels& kernels, std::uint8_t* bits, int pitch, int width, int height,
                 int bitCount, std::uint32_t value);

// Copies SrcRect of the bitmap onto the whole width x height of the memory,
// stretched when the sizes differ, each pixel converted to the format.
void CopyDIBToSurface(const TDIB& dib, const TRect& SrcRect, const struct TSurfaceMemory& memory,
                      int width, int height, const TPixelFormat& format);
