#pragma once

// The processor-specific pixel kernels and the one place that chooses them.
// Each level has a table of the same kernels: a level speeds up what it can
// and keeps the plain kernel for the rest, so every level draws the same
// pixels. Whoever draws holds a level (a display's device object, a
// presenter's scaler), never the process, so tests can run each level side by
// side with the portable one.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/rotated_rows.h"

// Bytes every surface keeps, readable and writable, after its last row: a
// wide kernel may fetch 4 bytes for a 16-bit pixel and writes whole 16-byte
// vectors, putting back the values that lanes past a span's end had.
inline constexpr std::size_t kSurfaceTailBytes = 16;

// Portable: the plain paths, pixel by pixel without run lists or carried
// quotients, that the faster levels are checked against. Sse2: the fast paths
// with what every x86-64 processor has (plain C++ elsewhere). Avx2: 32-byte
// vectors and gathers. Avx512: Avx2 with the rotated drawing gathering 16
// lanes at a time.
enum class TSimdLevel { Portable, Sse2, Avx2, Avx512 };

const char* SimdLevelName(TSimdLevel level);

// What the processor is and offers, read once.
struct TProcessor {
  std::string Vendor;  // "AuthenticAMD", "GenuineIntel", ...
  std::string Brand;
  int Family = 0;
  int Model = 0;
  bool Sse2 = false;
  bool Avx2 = false;           // with the operating system saving the wide registers
  bool Avx512 = false;         // F, BW and VL, with the operating system saving them
  bool Erms = false;           // fast byte-string moves and stores
  bool Fsrm = false;           // fast short byte-string moves
  std::size_t CacheBytes = 0;  // the last-level cache one core shares
};
const TProcessor& ThisProcessor();

// The fastest level this processor runs, and whether it runs a given one.
TSimdLevel BestSimdLevel();
bool SimdLevelRuns(TSimdLevel level);

// The opaque columns of one row of a pattern, Start inclusive, End
// exclusive, and where their pixels begin in the pattern's packed pixels.
struct TRun {
  std::int32_t Start;
  std::int32_t End;
  std::int32_t Pixels;  // bytes
};

// A rotated drawing between two 16-bit surfaces of one format: every span of
// Rows, each destination pixel taking the source pixel at (u >> 16, v >> 16),
// or keeping its own where Keyed and that pixel is Key. Every source pixel
// addressed lies inside the source.
struct TRotateRows16 {
  const std::uint8_t* Src = nullptr;  // the source surface's first byte
  std::ptrdiff_t SrcPitch = 0;
  std::uint8_t* Dest = nullptr;  // the destination surface's first byte
  std::ptrdiff_t DestPitch = 0;
  const TRotatedRows* Rows = nullptr;
  bool Keyed = false;
  std::uint16_t Key = 0;
};

// A mixing weight as MixPixels takes it, made once for a layout rather than
// for every row: the bytes 128 - weight and weight, twice.
constexpr std::uint32_t MixPair(int weight) {
  const auto pair = static_cast<std::uint32_t>((128 - weight) | weight << 8);
  return pair | pair << 16;
}

struct TSimdKernels {
  TSimdLevel Level;

  // n bytes from p with a pixel of 1, 2 or 4 bytes repeated over the 4 bytes
  // of pattern; p is aligned to the pixel's size and n a multiple of it, so
  // a store may start at any pixel without turning the pattern.
  void (*Fill)(std::uint8_t* p, std::size_t n, std::uint32_t pattern);
  // Rows of bytes between memories that do not overlap.
  void (*CopyRows)(std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* src,
                   std::ptrdiff_t srcPitch, std::size_t bytes, int rows);
  // A keyed copy by a pattern's run list: rows of runs (rowStart[r] to
  // rowStart[r + 1]) cut to columns left .. left + width of the pattern, the
  // pixels taken from the pattern's packed pixels; dest points at the copy's
  // first pixel.
  void (*CopyRuns)(std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* packed,
                   int bytesPerPixel, const TRun* runs, const std::int32_t* rowStart, int left,
                   int width, int patternWidth, int height);
  void (*RotateRows16)(const TRotateRows16& job);

  // The present's scaling. 16-bit pixels (5-6-5, else 5-5-5) to 0xFFRRGGBB,
  // each field widened by repeating its top bits.
  void (*WidenPixels)(const std::uint16_t* in, std::uint32_t* out, int n, bool is565);
  // out[x] = row[columns[x]] for x < n. blocks, where not null, holds for
  // each 8 outputs from index 0 the first column and the 8 offsets from it
  // (all below 8): see ScaleBlocks.
  void (*ScaleRow)(const std::uint32_t* row, const int* columns, const std::uint32_t* blocks,
                   int from, int to, std::uint32_t* out);
  // Sharp bilinear scaling mixes two pixels channel by channel, b's share
  // being weight 128ths (0 to 127): (a * 128 + (b - a) * weight + 64) >> 7,
  // the same arithmetic in every kernel, so every level gives the same bytes.
  // out[x] = a[x] mixed with b[x] by the weight in pairs[x] (see MixPair),
  // for x < n.
  void (*MixPixels)(const std::uint32_t* a, const std::uint32_t* b, const std::uint32_t* pairs,
                    std::size_t n, std::uint32_t* out);
  // Each pixel followed by its mix with the next, in the order the window
  // columns take them (the columns that mix lie between the two they mix):
  // out[2x] = row[x], out[2x + 1] = row[x] mixed with row[x + 1] by
  // weights[x], for x < n. ScaleRow then picks every window column from it
  // with one permute a block where 8 window columns span at most 8 of them.
  void (*PairPixels)(const std::uint32_t* row, const std::uint16_t* weights, std::size_t n,
                     std::uint32_t* out);
  // PairPixels where every weight is 0, 32, 64 or 96 (all of them at 2.25
  // times), the mixes after a weight of 0 left as they come.
  void (*PairPixelsByQuarters)(const std::uint32_t* row, const std::uint16_t* weights,
                               std::size_t n, std::uint32_t* out);
  // ScaleRow taking out[x] from mixed instead where picks[x] is ~0u (else
  // 0). picks holds a 0 for every column after to up to a multiple of 8, and
  // mixed, like row, 8 pixels after the last column.
  void (*ScaleRowMixed)(const std::uint32_t* row, const std::uint32_t* mixed, const int* columns,
                        const std::uint32_t* picks, const std::uint32_t* blocks, int from, int to,
                        std::uint32_t* out);
  // out[x] = a[x] mixed with b[x] by one weight, for x < n, out being a
  // window row: streaming as for StoreRow.
  void (*BlendRows)(const std::uint32_t* a, const std::uint32_t* b, int weight, std::size_t n,
                    std::uint32_t* out, bool streaming);
  // n 32-bit pixels to a window row; streaming leaves them out of the cache
  // and needs FinishStores before anyone else reads the image. Which of the
  // two is faster depends on the processor and the image's size: see
  // TStoreChooser.
  void (*StoreRow)(std::uint32_t* dest, const std::uint32_t* src, std::size_t n, bool streaming);
  // The first and one past the last index where two rows differ; first ==
  // last == n when they are equal.
  void (*ChangedRange)(const std::uint16_t* a, const std::uint16_t* b, int n, int& first,
                       int& last);
  void (*FinishStores)();
};

// The table of a level; a level the processor cannot run gives the best one
// it can.
const TSimdKernels& SimdKernels(TSimdLevel level);

// Fills the block table ScaleRow can use for a column table that never falls:
// kScaleBlockWords words per 8 outputs, the first column, then the 8 offsets
// from it as bytes. False when some 8 outputs span 8 or more columns (a
// picture shrunk).
constexpr int kScaleBlockWords = 3;
bool ScaleBlocks(const int* columns, int n, std::uint32_t* blocks);

// Chooses between storing window rows through the cache and streaming them
// past it by timing both where they run, never by the processor's name or
// features: which is faster differs between processors (the X server reads
// the image from another core, and storing through the cache first fetches
// each line it last read; yet on AMD's Zen 4 streaming measured three times
// slower) and between window sizes. The two take turns, four frames each, on
// the frames that store enough to time; the last two of each four are timed,
// and once each has had kStoreTrials of them the one with the lower median
// cost per byte is kept, until Restart.
class TStoreChooser {
 public:
  static constexpr int kStoreTrials = 5;
  static constexpr int kTurnFrames = 4;

  // Measures again, timing only calls that store at least minBytes.
  void Restart(std::size_t minBytes);
  bool Decided() const { return decided_; }
  // The variant for the next call.
  bool Streaming() const;
  // What a call with that variant took (in any unit of time) to store bytes.
  void Record(bool streaming, std::int64_t time, std::size_t bytes);

 private:
  std::size_t minBytes_ = 0;
  int frames_ = 0;  // of the trials
  bool decided_ = false;
  bool streaming_ = false;
  // Time per byte of each variant, cached first.
  std::vector<double> costs_[2];
};
