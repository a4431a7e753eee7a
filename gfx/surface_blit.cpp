#include "gfx/surface_blit.h"

#include <algorithm>
#include <cstring>

#include "gfx/copy_span.h"
#include "gfx/dib.h"
#include "gfx/pixel_access.h"
#include "gfx/surface.h"

void BuildRunCache(TSurfaceRunCache& cache, const std::uint8_t* bits, int pitch, int width,
                   int height, const TPixelFormat& format, std::uint32_t key) {
  cache.Runs.clear();
  cache.RowStart.assign(static_cast<std::size_t>(height) + 1, 0);
  const std::uint32_t mask = format.KeyMask();
  const int bpp = format.BitCount;
  for (int y = 0; y < height; ++y) {
    cache.RowStart[y] = static_cast<std::int32_t>(cache.Runs.size());
    const std::uint8_t* row = bits + std::ptrdiff_t{y} * pitch;
    int x = 0;
    while (x < width) {
      while (x < width && (ReadRawPixel(row, x, bpp) & mask) == key) ++x;
      if (x == width) break;
      const int start = x;
      while (x < width && (ReadRawPixel(row, x, bpp) & mask) != key) ++x;
      cache.Runs.push_back({start, x});
    }
  }
  cache.RowStart[height] = static_cast<std::int32_t>(cache.Runs.size());
  cache.Key = key;
  cache.Valid = true;
}

namespace {

template <int Bytes>
void CopyRuns(const TBlitJob& job) {
  const TSurfaceRunCache& cache = *job.Runs;
  const int left = job.SrcX;
  const int right = job.SrcX + job.Width;
  const TSurfaceRunCache::TRun* runs = cache.Runs.data();
  const std::int32_t* rowStart = cache.RowStart.data() + job.SrcRow;
  const std::uint8_t* src = job.Src;
  // Indexed by source column.
  std::uint8_t* dest = job.Dest + std::ptrdiff_t{job.DestX - left} * Bytes;
  for (int r = 0; r < job.Height; ++r, src += job.SrcPitch, dest += job.DestPitch) {
    const TSurfaceRunCache::TRun* run = runs + rowStart[r];
    const TSurfaceRunCache::TRun* last = runs + rowStart[r + 1];
    // Most rows hold few runs; only long rows are worth a search.
    if (last - run > 8)
      run = std::upper_bound(run, last, left,
                             [](int x, const TSurfaceRunCache::TRun& run) { return x < run.End; });
    else
      while (run != last && run->End <= left) ++run;
    for (; run != last && run->Start < right; ++run) {
      const int s = std::max(run->Start, left);
      const int e = std::min(run->End, right);
      // Runs are short: inline moves beat a call per run.
      CopySpan(dest + std::ptrdiff_t{s} * Bytes, src + std::ptrdiff_t{s} * Bytes,
               static_cast<std::size_t>(e - s) * Bytes);
    }
  }
}

// Every other case: any formats, mirroring, overlapping memory. Pixel by pixel,
// reading a whole source row first so a copy onto itself reads unchanged pixels.
void BlitGeneric(const TBlitJob& job) {
  const int sb = job.SrcFormat.BitCount;
  const int db = job.DestFormat.BitCount;
  const bool same = job.SrcFormat == job.DestFormat;
  const std::uint32_t mask = job.SrcFormat.KeyMask();
  const TChannelField sr(job.SrcFormat.RBitMask), sg(job.SrcFormat.GBitMask),
      sbl(job.SrcFormat.BBitMask);
  const TChannelField dr(job.DestFormat.RBitMask), dg(job.DestFormat.GBitMask),
      dbl(job.DestFormat.BBitMask);
  std::vector<std::uint32_t> row(static_cast<std::size_t>(job.Width));
  const auto copyRow = [&](int r) {
    const int sr_ = job.MirrorY ? job.Height - 1 - r : r;
    const std::uint8_t* src = job.Src + std::ptrdiff_t{sr_} * job.SrcPitch;
    for (int c = 0; c < job.Width; ++c)
      row[c] = ReadRawPixel(src, job.SrcX + (job.MirrorX ? job.Width - 1 - c : c), sb);
    std::uint8_t* dest = job.Dest + std::ptrdiff_t{r} * job.DestPitch;
    for (int c = 0; c < job.Width; ++c) {
      const std::uint32_t v = row[c];
      if (job.Keyed && (v & mask) == job.Key) continue;
      const std::uint32_t out = same ? v : dr.In(sr.Out(v)) | dg.In(sg.Out(v)) | dbl.In(sbl.Out(v));
      WriteRawPixel(dest, job.DestX + c, db, out);
    }
  };
  // Copying onto itself downwards must start at the bottom row.
  if (job.Overlap && job.Dest > job.Src)
    for (int r = job.Height - 1; r >= 0; --r) copyRow(r);
  else
    for (int r = 0; r < job.Height; ++r) copyRow(r);
}

}  // namespace

void BlitSurface(const TBlitJob& job) {
  if (job.Width <= 0 || job.Height <= 0) return;
  const bool plain = job.SrcFormat == job.DestFormat && !job.MirrorX && !job.MirrorY;
  if (plain && !job.Keyed) {
    const int bytes = job.SrcFormat.BytesPerPixel();
    const std::size_t n = static_cast<std::size_t>(job.Width) * bytes;
    const std::uint8_t* src = job.Src + std::ptrdiff_t{job.SrcX} * bytes;
    std::uint8_t* dest = job.Dest + std::ptrdiff_t{job.DestX} * bytes;
    if (job.Overlap) {
      if (dest > src)
        for (int r = job.Height - 1; r >= 0; --r)
          std::memmove(dest + std::ptrdiff_t{r} * job.DestPitch,
                       src + std::ptrdiff_t{r} * job.SrcPitch, n);
      else
        for (int r = 0; r < job.Height; ++r)
          std::memmove(dest + std::ptrdiff_t{r} * job.DestPitch,
                       src + std::ptrdiff_t{r} * job.SrcPitch, n);
      return;
    }
    for (int r = 0; r < job.Height; ++r)
      std::memcpy(dest + std::ptrdiff_t{r} * job.DestPitch, src + std::ptrdiff_t{r} * job.SrcPitch,
                  n);
    return;
  }
  if (plain && job.Runs) {
    switch (job.SrcFormat.BytesPerPixel()) {
      case 1:
        CopyRuns<1>(job);
        return;
      case 2:
        CopyRuns<2>(job);
        return;
      case 3:
        CopyRuns<3>(job);
        return;
      default:
        CopyRuns<4>(job);
        return;
    }
  }
  BlitGeneric(job);
}

void FillSurface(std::uint8_t* bits, int pitch, int width, int height, int bitCount,
                 std::uint32_t value) {
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bits + std::ptrdiff_t{y} * pitch;
    switch (bitCount) {
      case 8:
        std::memset(row, static_cast<int>(value & 0xFF), static_cast<std::size_t>(width));
        break;
      case 16:
        std::fill_n(reinterpret_cast<std::uint16_t*>(row), width,
                    static_cast<std::uint16_t>(value));
        break;
      case 32:
        std::fill_n(reinterpret_cast<std::uint32_t*>(row), width, value);
        break;
      default:
        for (int x = 0; x < width; ++x) WriteRawPixel(row, x, bitCount, value);
        break;
    }
  }
}

void CopyDIBToSurface(const TDIB& dib, const TRect& SrcRect, const TSurfaceMemory& memory,
                      int width, int height, const TPixelFormat& format) {
  if (dib.Empty() || width <= 0 || height <= 0) return;
  const int sw = SrcRect.Width();
  const int sh = SrcRect.Height();
  if (sw == 0 || sh == 0) return;
  const int bits = dib.BitCount();
  const int db = format.BitCount;
  // Indexed pictures convert their table once; the others convert each pixel.
  std::uint32_t table[256];
  if (bits <= 8) {
    const TRGBQuads& quads = dib.ColorTable();
    for (int i = 0; i < 256; ++i)
      table[i] = format.RGBToRaw(quads[i].rgbRed, quads[i].rgbGreen, quads[i].rgbBlue);
  }
  const TChannelField sr(dib.PixelFormat().RBitMask), sg(dib.PixelFormat().GBitMask),
      sbl(dib.PixelFormat().BBitMask);
  const TChannelField dr(format.RBitMask), dg(format.GBitMask), dbl(format.BBitMask);
  const bool identical = bits == db && !(bits <= 8) && dib.PixelFormat() == format;
  std::vector<int> columns(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x)
    columns[x] = SrcRect.Left + static_cast<int>(std::int64_t{x} * sw / width);
  for (int y = 0; y < height; ++y) {
    const int sy = SrcRect.Top + static_cast<int>(std::int64_t{y} * sh / height);
    const std::uint8_t* src = dib.ScanLine(sy);
    if (!src) continue;
    std::uint8_t* dest = memory.Bits + std::ptrdiff_t{y} * memory.Pitch;
    for (int x = 0; x < width; ++x) {
      const int sx = columns[x];
      if (sx < 0 || sx >= dib.Width()) continue;
      const std::uint32_t v = ReadRawPixel(src, sx, bits);
      std::uint32_t out;
      if (bits <= 8)
        out = table[v & 0xFF];
      else if (identical)
        out = v;
      else
        out = dr.In(sr.Out(v)) | dg.In(sg.Out(v)) | dbl.In(sbl.Out(v));
      WriteRawPixel(dest, x, db, out);
    }
  }
}
