#include "gfx/surface_blit.h"

#include <algorithm>
#include <cstring>

#include "gfx/dib.h"
#include "gfx/pixel_access.h"
#include "gfx/surface.h"

void BuildRectRuns(TRectRuns& runs, const std::uint8_t* bits, int pitch, const TRect& rect,
                   const TPixelFormat& format, std::uint32_t key) {
  runs.Rect = rect;
  runs.Runs.clear();
  runs.Packed.clear();
  const int bytes = format.BytesPerPixel();
  const int width = rect.Width();
  const int height = rect.Height();
  runs.RowStart.assign(static_cast<std::size_t>(height) + 1, 0);
  const std::uint32_t mask = format.KeyMask();
  const int bpp = format.BitCount;
  bool opaque = true;
  for (int y = 0; y < height; ++y) {
    runs.RowStart[y] = static_cast<std::int32_t>(runs.Runs.size());
    const std::uint8_t* row = bits + std::ptrdiff_t{rect.Top + y} * pitch;
    int x = 0;
    while (x < width) {
      while (x < width && (ReadRawPixel(row, rect.Left + x, bpp) & mask) == key) ++x;
      if (x == width) break;
      const int start = x;
      while (x < width && (ReadRawPixel(row, rect.Left + x, bpp) & mask) != key) ++x;
      const auto at = static_cast<std::int32_t>(runs.Packed.size());
      const std::uint8_t* first = row + std::ptrdiff_t{rect.Left + start} * bytes;
      runs.Packed.insert(runs.Packed.end(), first, first + std::ptrdiff_t{x - start} * bytes);
      runs.Runs.push_back({start, x, at});
    }
    const int first = runs.RowStart[y];
    const bool whole = runs.Runs.size() == static_cast<std::size_t>(first) + 1 &&
                       runs.Runs[first].Start == 0 && runs.Runs[first].End == width;
    opaque = opaque && whole;
  }
  runs.RowStart[height] = static_cast<std::int32_t>(runs.Runs.size());
  runs.Opaque = opaque;
  // An opaque rectangle is copied from the sheet itself.
  if (opaque) std::vector<std::uint8_t>().swap(runs.Packed);
}

std::size_t TSurfaceRunCache::Hash(const TRect& r) {
  std::uint64_t h =
      static_cast<std::uint32_t>(r.Left) | std::uint64_t{static_cast<std::uint32_t>(r.Top)} << 32;
  h ^= (static_cast<std::uint32_t>(r.Right) | std::uint64_t{static_cast<std::uint32_t>(r.Bottom)}
                                                  << 32) *
       0xC2B2AE3D27D4EB4Full;
  h *= 0x9E3779B97F4A7C15ull;
  return static_cast<std::size_t>(h >> 32);
}

void TSurfaceRunCache::Clear() {
  slots_.clear();
  used_ = 0;
  size_ = 0;
}

const TRectRuns& TSurfaceRunCache::Get(const std::uint8_t* bits, int pitch, const TRect& rect,
                                       const TPixelFormat& format, std::uint32_t key) {
  // A picture has a few dozen patterns; a surface drawn from by ever new
  // rectangles must not grow without end (size_ counts 32-bit words).
  if (stale_ || key != key_ || size_ > (1 << 20)) {
    Clear();
    key_ = key;
    stale_ = false;
  }
  if (slots_.empty()) slots_.resize(64);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = Hash(rect) & mask;
  for (; slots_[i].List; i = (i + 1) & mask)
    if (slots_[i].Rect == rect) return *slots_[i].List;
  // Not there: made now, in the free slot the search ended on.
  auto list = std::make_unique<TRectRuns>();
  BuildRectRuns(*list, bits, pitch, rect, format, key);
  size_ += list->RowStart.size() + 3 * list->Runs.size() + list->Packed.size() / 4 + 16;
  const TRectRuns& made = *list;
  slots_[i] = Slot{rect, std::move(list)};
  // Kept at most half full, so searches stay short.
  if (++used_ * 2 > slots_.size()) {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t wider = slots_.size() - 1;
    for (Slot& slot : old) {
      if (!slot.List) continue;
      std::size_t j = Hash(slot.Rect) & wider;
      while (slots_[j].List) j = (j + 1) & wider;
      slots_[j] = std::move(slot);
    }
  }
  return made;
}

namespace {

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
  BlitGeneric(job);
}

void CopyRectRuns(const TSimdKernels& kernels, std::uint8_t* dest, std::ptrdiff_t destPitch,
                  int bytesPerPixel, const TRectRuns& runs, int runRow, int runColumn, int width,
                  int height) {
  kernels.CopyRuns(dest, destPitch, runs.Packed.data(), bytesPerPixel, runs.Runs.data(),
                   runs.RowStart.data() + runRow, runColumn, width, runs.Rect.Width(), height);
}

namespace {

void FillPortable(std::uint8_t* bits, int pitch, int width, int height, int bitCount,
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

}  // namespace

void FillSurface(const TSimdKernels& kernels, std::uint8_t* bits, int pitch, int width, int height,
                 int bitCount, std::uint32_t value) {
  if (kernels.Level == TSimdLevel::Portable || width <= 0 || height <= 0 ||
      !(bitCount == 8 || bitCount == 16 || bitCount == 32))
    return FillPortable(bits, pitch, width, height, bitCount, value);
  std::uint32_t pattern = value;
  if (bitCount == 8) pattern = (value & 0xFF) * 0x01010101u;
  if (bitCount == 16) pattern = (value & 0xFFFF) * 0x00010001u;
  const std::size_t row = static_cast<std::size_t>(width) * (bitCount / 8);
  // Rows without padding between them are one block.
  const bool block = static_cast<std::size_t>(pitch) == row;
  const std::size_t n = block ? row * static_cast<std::size_t>(height) : row;
  const int blocks = block ? 1 : height;
  for (int y = 0; y < blocks; ++y) kernels.Fill(bits + std::ptrdiff_t{y} * pitch, n, pattern);
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
