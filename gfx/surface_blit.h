#pragma once

#include <cstdint>
#include <vector>

#include "gfx/graphics_types.h"
#include "gfx/pixel_format.h"

class TDIB;

// The opaque runs of each row of a surface under one colour key: the pixels a
// keyed copy has to move. Made on the first keyed copy from a surface, dropped
// by every write to it.
struct TSurfaceRunCache {
  struct TRun {
    std::int32_t Start;
    std::int32_t End;  // exclusive
  };
  bool Valid = false;
  std::uint32_t Key = 0;
  std::vector<std::int32_t> RowStart;  // index of each row's first run; Height + 1 entries
  std::vector<TRun> Runs;
};

void BuildRunCache(TSurfaceRunCache& cache, const std::uint8_t* bits, int pitch, int width,
                   int height, const TPixelFormat& format, std::uint32_t key);

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
  int SrcRow = 0;  // the source row of Src, for the run cache
  TPixelFormat SrcFormat;
  int Width = 0;
  int Height = 0;
  bool Keyed = false;
  std::uint32_t Key = 0;  // already masked with the source format's key mask
  bool MirrorX = false;
  bool MirrorY = false;
  bool Overlap = false;  // source and destination are the same memory
  const TSurfaceRunCache* Runs = nullptr;
};

void BlitSurface(const TBlitJob& job);

void FillSurface(std::uint8_t* bits, int pitch, int width, int height, int bitCount,
                 std::uint32_t value);

// Copies SrcRect of the bitmap onto the whole width x height of the memory,
// stretched when the sizes differ, each pixel converted to the format.
void CopyDIBToSurface(const TDIB& dib, const TRect& SrcRect, const struct TSurfaceMemory& memory,
                      int width, int height, const TPixelFormat& format);
