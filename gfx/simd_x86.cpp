#include "gfx/simd_x86.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#define VELNAR_X86 1
#include <cpuid.h>
#include <immintrin.h>
#include <unistd.h>
#endif

#include "gfx/copy_span.h"

namespace {

// ---- the processor -------------------------------------------------------------

#if VELNAR_X86
struct Regs {
  unsigned a = 0, b = 0, c = 0, d = 0;
};

// The register of enabled state components (xgetbv with ecx 0).
[[gnu::target("xsave")]] unsigned long long EnabledState() {
  return _xgetbv(0);
}

Regs CpuId(unsigned leaf, unsigned sub = 0) {
  Regs r;
  if (!__get_cpuid_count(leaf, sub, &r.a, &r.b, &r.c, &r.d)) r = Regs{};
  return r;
}

// The largest data or unified cache that the deterministic cache leaf lists
// (leaf 4 on Intel, 0x8000001D on AMD): a virtual machine's older leaves may
// report the whole package's cache.
std::size_t LastLevelCache(unsigned leaf) {
  std::size_t best = 0;
  for (unsigned sub = 0; sub < 16; ++sub) {
    const Regs r = CpuId(leaf, sub);
    const unsigned type = r.a & 31;
    if (type == 0) break;
    if (type == 2) continue;  // instructions only
    const std::size_t ways = (r.b >> 22) + 1, partitions = ((r.b >> 12) & 0x3FF) + 1;
    const std::size_t line = (r.b & 0xFFF) + 1, sets = std::size_t{r.c} + 1;
    best = std::max(best, ways * partitions * line * sets);
  }
  return best;
}

TProcessor Detect() {
  TProcessor p;
  const Regs zero = CpuId(0);
  char vendor[13] = {};
  std::memcpy(vendor, &zero.b, 4);
  std::memcpy(vendor + 4, &zero.d, 4);
  std::memcpy(vendor + 8, &zero.c, 4);
  p.Vendor = vendor;
  const Regs one = CpuId(1);
  const unsigned family = (one.a >> 8) & 15, model = (one.a >> 4) & 15;
  p.Family = static_cast<int>(family == 15 ? family + ((one.a >> 20) & 0xFF) : family);
  p.Model = static_cast<int>(family >= 6 ? model | (((one.a >> 16) & 15) << 4) : model);
  p.Sse2 = (one.d >> 26) & 1;
  // The wide registers count only when the operating system saves them.
  const bool osxsave = (one.c >> 27) & 1;
  const unsigned long long xcr0 = osxsave ? EnabledState() : 0;
  const bool ymm = (xcr0 & 6) == 6, zmm = (xcr0 & 0xE6) == 0xE6;
  const Regs seven = CpuId(7);
  p.Avx2 = __builtin_cpu_supports("avx2") && ymm;
  p.Avx512 = ((seven.b >> 16) & 1) && ((seven.b >> 30) & 1) && ((seven.b >> 31) & 1) && zmm;
  p.Erms = (seven.b >> 9) & 1;
  p.Fsrm = (seven.d >> 4) & 1;
  const unsigned highest = CpuId(0x80000000).a;
  if (highest >= 0x80000004) {
    char brand[49] = {};
    for (unsigned i = 0; i < 3; ++i) {
      const Regs r = CpuId(0x80000002 + i);
      std::memcpy(brand + 16 * i, &r, 16);
    }
    std::string b = brand;
    b.erase(0, b.find_first_not_of(' '));
    b.erase(b.find_last_not_of(' ') + 1);
    p.Brand = b;
  }
  if (p.Vendor == "GenuineIntel" && zero.a >= 4)
    p.CacheBytes = LastLevelCache(4);
  else if (highest >= 0x8000001D && ((CpuId(0x80000001).c >> 22) & 1))
    p.CacheBytes = LastLevelCache(0x8000001D);
  if (p.CacheBytes == 0) {
    const long l3 = sysconf(_SC_LEVEL3_CACHE_SIZE);
    p.CacheBytes = l3 > 0 ? static_cast<std::size_t>(l3) : 0;
  }
  return p;
}
#else
TProcessor Detect() {
  return TProcessor{};
}
#endif

// ---- plain kernels -----------------------------------------------------------------

void FillPlain(std::uint8_t* p, std::size_t n, std::uint32_t pattern) {
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) std::memcpy(p + i, &pattern, 4);
  for (; i < n; ++i) p[i] = static_cast<std::uint8_t>(pattern >> (8 * (i & 3)));
}

void CopyRowsPlain(std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* src,
                   std::ptrdiff_t srcPitch, std::size_t bytes, int rows) {
  for (; rows > 0; --rows, dest += destPitch, src += srcPitch) std::memcpy(dest, src, bytes);
}

// Pattern-sized rows move faster inline than through a call each.
void CopyRowsInline(std::uint8_t* dest, std::ptrdiff_t destPitch, const std::uint8_t* src,
                    std::ptrdiff_t srcPitch, std::size_t bytes, int rows) {
  if (bytes > 256) return CopyRowsPlain(dest, destPitch, src, srcPitch, bytes, rows);
  for (; rows > 0; --rows, dest += destPitch, src += srcPitch) CopySpan(dest, src, bytes);
}

template <int Bytes, bool Cut>
void CopyRunsOf(std::uint8_t* dest, std::ptrdiff_t dp, const std::uint8_t* packed, const TRun* runs,
                const std::int32_t* rowStart, int left, int width, int height) {
  const int right = left + width;
  // Indexed by the column inside the pattern.
  dest -= std::ptrdiff_t{left} * Bytes;
  for (int r = 0; r < height; ++r, dest += dp) {
    const TRun* run = runs + rowStart[r];
    const TRun* const last = runs + rowStart[r + 1];
    for (; run != last; ++run) {
      // Runs are short: inline moves beat a call per run.
      int s = run->Start, e = run->End;
      if constexpr (Cut) {
        s = std::max(s, left);
        e = std::min(e, right);
        if (s >= e) continue;
      }
      CopySpan(dest + std::ptrdiff_t{s} * Bytes,
               packed + run->Pixels + std::ptrdiff_t{s - run->Start} * Bytes,
               static_cast<std::size_t>(e - s) * Bytes);
    }
  }
}

template <int Bytes>
void CopyRunsCut(std::uint8_t* dest, std::ptrdiff_t dp, const std::uint8_t* packed,
                 const TRun* runs, const std::int32_t* rowStart, int left, int width,
                 int patternWidth, int height) {
  // Mostly the whole pattern is drawn: its runs need no cutting.
  if (left == 0 && width == patternWidth)
    CopyRunsOf<Bytes, false>(dest, dp, packed, runs, rowStart, left, width, height);
  else
    CopyRunsOf<Bytes, true>(dest, dp, packed, runs, rowStart, left, width, height);
}

void CopyRunsPlain(std::uint8_t* dest, std::ptrdiff_t dp, const std::uint8_t* packed,
                   int bytesPerPixel, const TRun* runs, const std::int32_t* rowStart, int left,
                   int width, int patternWidth, int height) {
  switch (bytesPerPixel) {
    case 1:
      return CopyRunsCut<1>(dest, dp, packed, runs, rowStart, left, width, patternWidth, height);
    case 2:
      return CopyRunsCut<2>(dest, dp, packed, runs, rowStart, left, width, patternWidth, height);
    case 3:
      return CopyRunsCut<3>(dest, dp, packed, runs, rowStart, left, width, patternWidth, height);
    default:
      return CopyRunsCut<4>(dest, dp, packed, runs, rowStart, left, width, patternWidth, height);
  }
}

template <bool Keyed>
void RotateRows16PlainT(const TRotateRows16& j) {
  // 64-bit coordinates: no sign extension inside the loop.
  const std::int64_t du = j.Rows->Box().DU, dv = j.Rows->Box().DV;
  const std::uint8_t* const src = j.Src;
  const std::ptrdiff_t pitch = j.SrcPitch;
  const std::uint16_t key = j.Key;
  TRotatedRows::TCursor rows(*j.Rows);
  for (TRotatedRows::TSpan s; rows.Next(s);) {
    std::uint16_t* d = reinterpret_cast<std::uint16_t*>(j.Dest + s.Y * j.DestPitch) + s.X0;
    std::int64_t u = s.U, v = s.V;
    for (std::uint16_t* const end = d + s.N; d != end; ++d, u += du, v += dv) {
      std::uint16_t p;
      std::memcpy(&p, src + (v >> 16) * pitch + 2 * (u >> 16), 2);
      if constexpr (Keyed) {
        // A select rather than a branch: a sprite's edges would mispredict
        // it on every row.
        const std::uint16_t old = *d;
        p = p != key ? p : old;
      }
      *d = p;
    }
  }
}

void RotateRows16Plain(const TRotateRows16& j) {
  j.Keyed ? RotateRows16PlainT<true>(j) : RotateRows16PlainT<false>(j);
}

void WidenPixelsPlain(const std::uint16_t* in, std::uint32_t* out, int n, bool is565) {
  for (int x = 0; x < n; ++x) {
    const std::uint32_t v = in[x];
    const std::uint32_t r = is565 ? (v >> 11 & 31) : (v >> 10 & 31);
    const std::uint32_t g = is565 ? (v >> 5 & 63) : (v >> 5 & 31);
    const std::uint32_t b = v & 31;
    const std::uint32_t r8 = r << 3 | r >> 2, b8 = b << 3 | b >> 2;
    const std::uint32_t g8 = is565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2);
    out[x] = 0xFF000000u | r8 << 16 | g8 << 8 | b8;
  }
}

void ScaleRowPlain(const std::uint32_t* row, const int* columns, const std::uint32_t*, int from,
                   int to, std::uint32_t* out) {
  for (int x = from; x < to; ++x) out[x] = row[columns[x]];
}

// One channel of the mix: a * 128 + (b - a) * weight stays within
// 64 .. 32704, so the vector kernels get the same in 16-bit lanes, whether
// wrapping in between or as a multiply-add of a and b.
inline std::uint32_t Mix(std::uint32_t a, std::uint32_t b, int weight) {
  return static_cast<std::uint32_t>(static_cast<int>(a << 7) +
                                    (static_cast<int>(b) - static_cast<int>(a)) * weight + 64) >>
         7;
}

inline std::uint32_t MixPixel(std::uint32_t a, std::uint32_t b, int weight) {
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8)
    out |= Mix(a >> shift & 0xFF, b >> shift & 0xFF, weight) << shift;
  return out;
}

void MixPixelsPlain(const std::uint32_t* a, const std::uint32_t* b, const std::uint32_t* pairs,
                    std::size_t n, std::uint32_t* out) {
  for (std::size_t x = 0; x < n; ++x)
    out[x] = MixPixel(a[x], b[x], static_cast<int>(pairs[x] >> 8 & 0xFF));
}

void PairPixelsPlain(const std::uint32_t* row, const std::uint16_t* weights, std::size_t n,
                     std::uint32_t* out) {
  for (std::size_t x = 0; x < n; ++x) {
    out[2 * x] = row[x];
    out[2 * x + 1] = MixPixel(row[x], row[x + 1], weights[x]);
  }
}

void ScaleRowMixedPlain(const std::uint32_t* row, const std::uint32_t* mixed, const int* columns,
                        const std::uint32_t* picks, const std::uint32_t*, int from, int to,
                        std::uint32_t* out) {
  for (int x = from; x < to; ++x) out[x] = (picks[x] != 0 ? mixed : row)[columns[x]];
}

void BlendRowsPlain(const std::uint32_t* a, const std::uint32_t* b, int weight, std::size_t n,
                    std::uint32_t* out, bool) {
  for (std::size_t x = 0; x < n; ++x) out[x] = MixPixel(a[x], b[x], weight);
}

void StoreRowPlain(std::uint32_t* dest, const std::uint32_t* src, std::size_t n, bool) {
  std::memcpy(dest, src, n * 4);
}

void FinishStoresPlain() {}

void ChangedRangePlain(const std::uint16_t* a, const std::uint16_t* b, int n, int& first,
                       int& last) {
  int x = 0;
  for (; x + 4 <= n; x += 4) {
    std::uint64_t p, q;
    std::memcpy(&p, a + x, 8);
    std::memcpy(&q, b + x, 8);
    if (p != q) break;
  }
  while (x < n && a[x] == b[x]) ++x;
  first = x;
  if (x == n) {
    last = n;
    return;
  }
  int e = n;
  for (; e - 4 >= x; e -= 4) {
    std::uint64_t p, q;
    std::memcpy(&p, a + e - 4, 8);
    std::memcpy(&q, b + e - 4, 8);
    if (p != q) break;
  }
  while (e > x && a[e - 1] == b[e - 1]) --e;
  last = e;
}

// ---- SSE2 ------------------------------------------------------------------------------

#if VELNAR_X86
// 64 bytes a step, the last (overlapping) 16-byte store ending at the end;
// one byte repeated (black, white) is what memset does best.
void FillSse2(std::uint8_t* p, std::size_t n, std::uint32_t pattern) {
  if (pattern == (pattern & 0xFF) * 0x01010101u)
    return static_cast<void>(std::memset(p, static_cast<int>(pattern & 0xFF), n));
  if (n < 16) return FillPlain(p, n, pattern);
  const __m128i v = _mm_set1_epi32(static_cast<int>(pattern));
  std::uint8_t* const end = p + n;
  std::uint8_t* q = p;
  for (; q + 64 <= end; q += 64) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 32), v);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 48), v);
  }
  for (; q + 16 <= end; q += 16) _mm_storeu_si128(reinterpret_cast<__m128i*>(q), v);
  if (q < end) _mm_storeu_si128(reinterpret_cast<__m128i*>(end - 16), v);
}

void WidenPixelsSse2(const std::uint16_t* in, std::uint32_t* out, int n, bool is565) {
  int x = 0;
  if (is565) {
    const __m128i low5 = _mm_set1_epi16(0x1F), low6 = _mm_set1_epi16(0x3F);
    const __m128i alpha = _mm_set1_epi16(static_cast<short>(0xFF00));
    for (; x + 8 <= n; x += 8) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + x));
      const __m128i r5 = _mm_srli_epi16(v, 11);
      const __m128i g6 = _mm_and_si128(_mm_srli_epi16(v, 5), low6);
      const __m128i b5 = _mm_and_si128(v, low5);
      const __m128i r8 = _mm_or_si128(_mm_slli_epi16(r5, 3), _mm_srli_epi16(r5, 2));
      const __m128i g8 = _mm_or_si128(_mm_slli_epi16(g6, 2), _mm_srli_epi16(g6, 4));
      const __m128i b8 = _mm_or_si128(_mm_slli_epi16(b5, 3), _mm_srli_epi16(b5, 2));
      // Bytes in memory: B G R A.
      const __m128i gb = _mm_or_si128(_mm_slli_epi16(g8, 8), b8);
      const __m128i ar = _mm_or_si128(alpha, r8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi16(gb, ar));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_unpackhi_epi16(gb, ar));
    }
  }
  WidenPixelsPlain(in + x, out + x, n - x, is565);
}

// The SSE2 widening on 16 pixels a step. The unpacks work within each
// 128-bit lane, so the two results are put back in order across the lanes.
[[gnu::target("avx2")]] void WidenPixelsAvx2(const std::uint16_t* in, std::uint32_t* out, int n,
                                             bool is565) {
  int x = 0;
  if (is565) {
    const __m256i low5 = _mm256_set1_epi16(0x1F), low6 = _mm256_set1_epi16(0x3F);
    const __m256i alpha = _mm256_set1_epi16(static_cast<short>(0xFF00));
    for (; x + 16 <= n; x += 16) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + x));
      const __m256i r5 = _mm256_srli_epi16(v, 11);
      const __m256i g6 = _mm256_and_si256(_mm256_srli_epi16(v, 5), low6);
      const __m256i b5 = _mm256_and_si256(v, low5);
      const __m256i r8 = _mm256_or_si256(_mm256_slli_epi16(r5, 3), _mm256_srli_epi16(r5, 2));
      const __m256i g8 = _mm256_or_si256(_mm256_slli_epi16(g6, 2), _mm256_srli_epi16(g6, 4));
      const __m256i b8 = _mm256_or_si256(_mm256_slli_epi16(b5, 3), _mm256_srli_epi16(b5, 2));
      const __m256i gb = _mm256_or_si256(_mm256_slli_epi16(g8, 8), b8);
      const __m256i ar = _mm256_or_si256(alpha, r8);
      // Pixels 0-3 and 8-11, then 4-7 and 12-15.
      const __m256i lo = _mm256_unpacklo_epi16(gb, ar), hi = _mm256_unpackhi_epi16(gb, ar);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                          _mm256_permute2x128_si256(lo, hi, 0x20));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 8),
                          _mm256_permute2x128_si256(lo, hi, 0x31));
    }
  }
  WidenPixelsSse2(in + x, out + x, n - x, is565);
}

// One fence for a whole image: a fence after each row measured slower.
void FinishStoresSse2() {
  _mm_sfence();
}

// Window rows are written, not read, and the X server takes them from
// memory: where the window image is larger than the cache, streaming stores
// leave it out and save reading every line before it is overwritten.
void StoreRowSse2(std::uint32_t* dest, const std::uint32_t* src, std::size_t n, bool streaming) {
  if (!streaming) return StoreRowPlain(dest, src, n, false);
  std::size_t x = 0;
  for (; x < n && (reinterpret_cast<std::uintptr_t>(dest + x) & 15) != 0; ++x) dest[x] = src[x];
  for (; x + 4 <= n; x += 4)
    _mm_stream_si128(reinterpret_cast<__m128i*>(dest + x),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)));
  for (; x < n; ++x) dest[x] = src[x];
}

// Mix's arithmetic on 8 channels in 16-bit lanes, wrapping in between.
inline __m128i Mix16(__m128i a, __m128i b, __m128i w) {
  const __m128i t = _mm_add_epi16(_mm_slli_epi16(a, 7), _mm_mullo_epi16(_mm_sub_epi16(b, a), w));
  return _mm_srli_epi16(_mm_add_epi16(t, _mm_set1_epi16(64)), 7);
}

// Four pixels of a and b mixed by the weights' 16-bit lanes, the low four
// lanes for the first two pixels, the high four for the other two.
inline __m128i MixPixels4(__m128i a, __m128i b, __m128i wLow, __m128i wHigh) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = Mix16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), wLow);
  const __m128i high = Mix16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), wHigh);
  return _mm_packus_epi16(low, high);
}

void MixPixelsSse2(const std::uint32_t* a, const std::uint32_t* b, const std::uint32_t* pairs,
                   std::size_t n, std::uint32_t* out) {
  std::size_t x = 0;
  for (; x + 4 <= n; x += 4) {
    // Each pixel's weight twice, then over its four channels.
    const __m128i w2 =
        _mm_srli_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + x)), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     MixPixels4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)),
                                _mm_unpacklo_epi32(w2, w2), _mm_unpackhi_epi32(w2, w2)));
  }
  MixPixelsPlain(a + x, b + x, pairs + x, n - x, out + x);
}

void PairPixelsSse2(const std::uint32_t* row, const std::uint16_t* weights, std::size_t n,
                    std::uint32_t* out) {
  std::size_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i w = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + x));
    const __m128i w2 = _mm_unpacklo_epi16(w, w);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i m = MixPixels4(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x + 1)),
                                 _mm_unpacklo_epi32(w2, w2), _mm_unpackhi_epi32(w2, w2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi32(a, m));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 4), _mm_unpackhi_epi32(a, m));
  }
  PairPixelsPlain(row + x, weights + x, n - x, out + 2 * x);
}

void BlendRowsSse2(const std::uint32_t* a, const std::uint32_t* b, int weight, std::size_t n,
                   std::uint32_t* out, bool streaming) {
  const __m128i w = _mm_set1_epi16(static_cast<short>(weight));
  std::size_t x = 0;
  if (streaming) {
    for (; x < n && (reinterpret_cast<std::uintptr_t>(out + x) & 15) != 0; ++x)
      out[x] = MixPixel(a[x], b[x], weight);
    for (; x + 4 <= n; x += 4)
      _mm_stream_si128(reinterpret_cast<__m128i*>(out + x),
                       MixPixels4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)), w, w));
  }
  for (; x + 4 <= n; x += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                     MixPixels4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + x)),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)), w, w));
  BlendRowsPlain(a + x, b + x, weight, n - x, out + x, false);
}

// ---- AVX2 ------------------------------------------------------------------------------

// 128 bytes a step with aligned 32-byte stores, between an unaligned store at
// each end: for any pattern, black included, a little faster than memset's
// string stores on AMD's Zen.
[[gnu::target("avx2")]] void FillAvx2(std::uint8_t* p, std::size_t n, std::uint32_t pattern) {
  if (n < 32) return FillPlain(p, n, pattern);
  const __m256i v = _mm256_set1_epi32(static_cast<int>(pattern));
  std::uint8_t* const end = p + n;
  std::uint8_t* q = reinterpret_cast<std::uint8_t*>((reinterpret_cast<std::uintptr_t>(p) + 31) &
                                                    ~std::uintptr_t{31});
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
  for (; q + 128 <= end; q += 128) {
    _mm256_store_si256(reinterpret_cast<__m256i*>(q), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(q + 32), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(q + 64), v);
    _mm256_store_si256(reinterpret_cast<__m256i*>(q + 96), v);
  }
  for (; q + 32 <= end; q += 32) _mm256_store_si256(reinterpret_cast<__m256i*>(q), v);
  if (q < end) _mm256_storeu_si256(reinterpret_cast<__m256i*>(end - 32), v);
}

// Rows of 32 to 128 bytes (a pattern's, at 16 bits a pixel) as two or four
// 32-byte moves from the row's two ends, overlapping in the middle: no loop
// and no call for each row.
[[gnu::target("avx2")]] void CopyRowsAvx2(std::uint8_t* dest, std::ptrdiff_t destPitch,
                                          const std::uint8_t* src, std::ptrdiff_t srcPitch,
                                          std::size_t bytes, int rows) {
  if (bytes < 32 || bytes > 128) return CopyRowsInline(dest, destPitch, src, srcPitch, bytes, rows);
  const std::size_t last = bytes - 32;
  if (bytes > 64) {
    for (; rows > 0; --rows, dest += destPitch, src += srcPitch) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
      const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 32));
      const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + last - 32));
      const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + last));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest), a);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + 32), b);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + last - 32), c);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + last), d);
    }
  } else {
    for (; rows > 0; --rows, dest += destPitch, src += srcPitch) {
      const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
      const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + last));
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest), a);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dest + last), d);
    }
  }
}

// A run of 32 bytes or more in 32-byte moves, the last one ending exactly at
// the run's end; shorter runs as the 16-byte copy does them.
[[gnu::target("avx2"), gnu::always_inline]] inline void CopySpan32(std::uint8_t* d,
                                                                   const std::uint8_t* s,
                                                                   std::size_t n) {
  if (n < 32) return CopySpan(d, s, n);
  const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + n - 32));
  for (std::size_t i = 0; i + 32 <= n; i += 32)
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + i),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + n - 32), tail);
}

// The plain kernel's loop with 32-byte moves; the cut is tested on every run,
// a branch that goes the same way for the whole pattern.
[[gnu::target("avx2")]] void CopyRunsAvx2(std::uint8_t* dest, std::ptrdiff_t dp,
                                          const std::uint8_t* packed, int bytesPerPixel,
                                          const TRun* runs, const std::int32_t* rowStart, int left,
                                          int width, int patternWidth, int height) {
  const bool cut = left != 0 || width != patternWidth;
  const int right = left + width;
  const std::ptrdiff_t bytes = bytesPerPixel;
  dest -= left * bytes;
  for (int r = 0; r < height; ++r, dest += dp) {
    const TRun* run = runs + rowStart[r];
    const TRun* const last = runs + rowStart[r + 1];
    for (; run != last; ++run) {
      int s = run->Start, e = run->End;
      if (cut) {
        s = std::max(s, left);
        e = std::min(e, right);
        if (s >= e) continue;
      }
      CopySpan32(dest + s * bytes, packed + run->Pixels + (s - run->Start) * bytes,
                 static_cast<std::size_t>(e - s) * bytes);
    }
  }
}

// Whether a drawing's source offsets can be formed by one 16-bit multiply-add
// a lane: every column and row below 2^15, and the pitch too.
bool OffsetsFitWords(const TRotateRows16& j) {
  const TRotatedRows::TBox& b = j.Rows->Box();
  return j.SrcPitch / 2 < 32768 && (b.Right >> 16) <= 32768 && (b.Bottom >> 16) <= 32768;
}

// Each lane's source offset in 16-bit pixels, (v >> 16) times the pitch plus
// (u >> 16), by one multiply-add of the two halves against (1, pitch).
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i Offsets(__m256i u, __m256i v,
                                                                   __m256i onePitch) {
  return _mm256_madd_epi16(_mm256_blend_epi16(_mm256_srli_epi32(u, 16), v, 0xAA), onePitch);
}

// The low 16 bits of the eight lanes, in order.
[[gnu::target("avx2"), gnu::always_inline]] inline __m128i Pack16(__m256i px, __m256i low16) {
  px = _mm256_and_si256(px, low16);
  return _mm_packus_epi32(_mm256_castsi256_si128(px), _mm256_extracti128_si256(px, 1));
}

// Sixteen pixels a step from two gathers (4 bytes a lane: the surface's
// tail bytes cover the last pixel), one for the even pixels and one for the
// odd, whose low halves interleave into the sixteen in order; the key
// compared and the destination kept by a blend. A span's last sixteen are
// drawn from its end, over pixels already drawn, which come out the same.
// Spans shorter than sixteen go eight at a time, the shortest by a masked
// gather whose store writes back what the pixels after the span held (the
// tail bytes again, after the last row). Each overlapping step has its
// destination read before the step it overlaps stores: a load from a store
// still in flight that it only partly covers waits for the store.
template <bool Keyed>
struct TGather8 {
  const int* Base;
  std::uint32_t DU, DV;
  __m256i DUEven, DVEven, DUOne, DVOne, DU16, DV16, DUSeq, DVSeq, OnePitch, Low16, Key;

  [[gnu::target("avx2")]] explicit TGather8(const TRotateRows16& j)
      : Base(reinterpret_cast<const int*>(j.Src)),
        DU(static_cast<std::uint32_t>(j.Rows->Box().DU)),
        DV(static_cast<std::uint32_t>(j.Rows->Box().DV)) {
    // Wrapping is harmless: every lane read lies inside the span.
    const __m256i seq = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i du = _mm256_set1_epi32(static_cast<int>(DU));
    const __m256i dv = _mm256_set1_epi32(static_cast<int>(DV));
    DUSeq = _mm256_mullo_epi32(du, seq);
    DVSeq = _mm256_mullo_epi32(dv, seq);
    DUEven = _mm256_add_epi32(DUSeq, DUSeq);
    DVEven = _mm256_add_epi32(DVSeq, DVSeq);
    DUOne = du;
    DVOne = dv;
    DU16 = _mm256_set1_epi32(static_cast<int>(DU * 16));
    DV16 = _mm256_set1_epi32(static_cast<int>(DV * 16));
    OnePitch = _mm256_set1_epi32(static_cast<int>((j.SrcPitch / 2) << 16 | 1));
    Low16 = _mm256_set1_epi32(0xFFFF);
    Key = _mm256_set1_epi16(static_cast<short>(j.Key));
  }

  [[gnu::target("avx2"), gnu::always_inline]] void Put16(std::uint16_t* d, __m256i u, __m256i v,
                                                         __m256i old) const {
    const __m256i even = _mm256_i32gather_epi32(Base, Offsets(u, v, OnePitch), 2);
    const __m256i odd = _mm256_i32gather_epi32(
        Base, Offsets(_mm256_add_epi32(u, DUOne), _mm256_add_epi32(v, DVOne), OnePitch), 2);
    __m256i p = _mm256_blend_epi16(even, _mm256_slli_epi32(odd, 16), 0xAA);
    if constexpr (Keyed) p = _mm256_blendv_epi8(p, old, _mm256_cmpeq_epi16(p, Key));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), p);
  }

  [[gnu::target("avx2"), gnu::always_inline]] __m256i Offsets8(std::uint32_t u,
                                                               std::uint32_t v) const {
    return Offsets(_mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)), DUSeq),
                   _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)), DVSeq), OnePitch);
  }

  [[gnu::target("avx2"), gnu::always_inline]] void Put8(std::uint16_t* d, std::uint32_t u,
                                                        std::uint32_t v, __m128i old) const {
    __m128i p = Pack16(_mm256_i32gather_epi32(Base, Offsets8(u, v), 2), Low16);
    if constexpr (Keyed)
      p = _mm_blendv_epi8(p, old, _mm_cmpeq_epi16(p, _mm256_castsi256_si128(Key)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), p);
  }

  // Fewer than eight: lanes past the span gather nothing and store back
  // what they read.
  [[gnu::target("avx2"), gnu::always_inline]] void PutShort(std::uint16_t* d, int n,
                                                            std::uint32_t u,
                                                            std::uint32_t v) const {
    const __m256i inside =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m128i p =
        Pack16(_mm256_mask_i32gather_epi32(_mm256_setzero_si256(), Base, Offsets8(u, v), inside, 2),
               Low16);
    const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    __m128i keep =
        _mm_packs_epi32(_mm256_castsi256_si128(inside), _mm256_extracti128_si256(inside, 1));
    keep = _mm_xor_si128(keep, _mm_set1_epi32(-1));
    if constexpr (Keyed) keep = _mm_or_si128(keep, _mm_cmpeq_epi16(p, _mm256_castsi256_si128(Key)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_blendv_epi8(p, old, keep));
  }
};

template <bool Keyed>
[[gnu::target("avx2")]] void RotateRows16Gather(const TRotateRows16& j) {
  static_assert(kSurfaceTailBytes >= 14, "a short span's store reaches 7 pixels past it");
  const TGather8<Keyed> g(j);
  TRotatedRows::TCursor rows(*j.Rows);
  for (TRotatedRows::TSpan s; rows.Next(s);) {
    std::uint16_t* d = reinterpret_cast<std::uint16_t*>(j.Dest + s.Y * j.DestPitch) + s.X0;
    const int n = static_cast<int>(s.N);
    const auto u = static_cast<std::uint32_t>(s.U), v = static_cast<std::uint32_t>(s.V);
    if (n >= 16) {
      const __m256i lastOld = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + n - 16));
      __m256i uu = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(u)), g.DUEven);
      __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(v)), g.DVEven);
      int k = 0;
      for (; k + 16 < n; k += 16) {
        g.Put16(d + k, uu, vv, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + k)));
        uu = _mm256_add_epi32(uu, g.DU16);
        vv = _mm256_add_epi32(vv, g.DV16);
      }
      const auto back = static_cast<std::uint32_t>(k + 16 - n);
      uu = _mm256_sub_epi32(uu, _mm256_set1_epi32(static_cast<int>(back * g.DU)));
      vv = _mm256_sub_epi32(vv, _mm256_set1_epi32(static_cast<int>(back * g.DV)));
      g.Put16(d + n - 16, uu, vv, lastOld);
    } else if (n > 8) {
      const auto last = static_cast<std::uint32_t>(n - 8);
      const __m128i firstOld = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
      const __m128i lastOld = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + last));
      g.Put8(d, u, v, firstOld);
      g.Put8(d + last, u + last * g.DU, v + last * g.DV, lastOld);
    } else {
      g.PutShort(d, n, u, v);
    }
  }
}

[[gnu::target("avx2")]] void RotateRows16Avx2(const TRotateRows16& j) {
  if (!OffsetsFitWords(j)) return RotateRows16Plain(j);
  j.Keyed ? RotateRows16Gather<true>(j) : RotateRows16Gather<false>(j);
}

// One sixteen-lane gather a step where the processor has AVX-512: the key
// and the span's end become one mask of the store, so the destination is
// not read and no pixel is drawn twice. (GCC 12's own headers trip its
// uninitialised-use warning here.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <bool Keyed>
[[gnu::target("avx512f,avx512bw,avx512vl")]] void RotateRows16Gather16(const TRotateRows16& j) {
  const auto* base = reinterpret_cast<const int*>(j.Src);
  const auto du = static_cast<std::uint32_t>(j.Rows->Box().DU);
  const auto dv = static_cast<std::uint32_t>(j.Rows->Box().DV);
  const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m512i duSeq = _mm512_mullo_epi32(_mm512_set1_epi32(static_cast<int>(du)), lanes);
  const __m512i dvSeq = _mm512_mullo_epi32(_mm512_set1_epi32(static_cast<int>(dv)), lanes);
  const __m512i du16 = _mm512_set1_epi32(static_cast<int>(du * 16));
  const __m512i dv16 = _mm512_set1_epi32(static_cast<int>(dv * 16));
  const __m512i onePitch = _mm512_set1_epi32(static_cast<int>((j.SrcPitch / 2) << 16 | 1));
  const __m256i key = _mm256_set1_epi16(static_cast<short>(j.Key));
  TRotatedRows::TCursor rows(*j.Rows);
  for (TRotatedRows::TSpan s; rows.Next(s);) {
    std::uint16_t* d = reinterpret_cast<std::uint16_t*>(j.Dest + s.Y * j.DestPitch) + s.X0;
    const int n = static_cast<int>(s.N);
    __m512i uu = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(s.U)), duSeq);
    __m512i vv = _mm512_add_epi32(_mm512_set1_epi32(static_cast<int>(s.V)), dvSeq);
    for (int k = 0; k < n; k += 16) {
      const __mmask16 inside = n - k >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << (n - k)) - 1);
      const __m512i at = _mm512_madd_epi16(
          _mm512_mask_blend_epi16(0xAAAAAAAA, _mm512_srli_epi32(uu, 16), vv), onePitch);
      const __m256i p = _mm512_cvtepi32_epi16(
          _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), inside, at, base, 2));
      __mmask16 write = inside;
      if constexpr (Keyed) write &= _mm256_cmpneq_epi16_mask(p, key);
      _mm256_mask_storeu_epi16(d + k, write, p);
      uu = _mm512_add_epi32(uu, du16);
      vv = _mm512_add_epi32(vv, dv16);
    }
  }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

[[gnu::target("avx512f,avx512bw,avx512vl")]] void RotateRows16Avx512(const TRotateRows16& j) {
  if (!OffsetsFitWords(j)) return RotateRows16Plain(j);
  j.Keyed ? RotateRows16Gather16<true>(j) : RotateRows16Gather16<false>(j);
}

// Eight outputs a block: the eight source pixels from the block's first
// column loaded at once and put in place by one permute; two blocks a step,
// the loop's own work being most of a block's.
[[gnu::target("avx2"), gnu::always_inline]] inline void ScaleBlock(const std::uint32_t* row,
                                                                   const std::uint32_t* block,
                                                                   std::uint32_t* out) {
  // The offsets' 8 bytes widened to the permutation's 8 lanes in one step.
  const __m256i index =
      _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + 1)));
  const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + block[0]));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permutevar8x32_epi32(px, index));
}

[[gnu::target("avx2")]] void ScaleRowAvx2(const std::uint32_t* row, const int* columns,
                                          const std::uint32_t* blocks, int from, int to,
                                          std::uint32_t* out) {
  if (!blocks) return ScaleRowPlain(row, columns, blocks, from, to, out);
  int b = from / 8;
  const int end = (to + 7) / 8;
  const std::uint32_t* block = blocks + std::ptrdiff_t{kScaleBlockWords} * b;
  out += std::ptrdiff_t{8} * b;
  for (; b + 2 <= end; b += 2, block += 2 * kScaleBlockWords, out += 16) {
    ScaleBlock(row, block, out);
    ScaleBlock(row, block + kScaleBlockWords, out + 8);
  }
  if (b < end) ScaleBlock(row, block, out);
}

// The multiply-add of bytes takes one unsigned and one signed operand: the
// weights 128 - w and w are unsigned, the channels made signed by taking 128
// from them, which takes 128 * 128 from the sum.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i MixBytes(__m256i a, __m256i b,
                                                                    __m256i pairLow,
                                                                    __m256i pairHigh) {
  const __m256i sign = _mm256_set1_epi8(static_cast<char>(0x80));
  const __m256i back = _mm256_set1_epi16(128 * 128 + 64);
  const __m256i low =
      _mm256_maddubs_epi16(pairLow, _mm256_xor_si256(_mm256_unpacklo_epi8(a, b), sign));
  const __m256i high =
      _mm256_maddubs_epi16(pairHigh, _mm256_xor_si256(_mm256_unpackhi_epi8(a, b), sign));
  return _mm256_packus_epi16(_mm256_srli_epi16(_mm256_add_epi16(low, back), 7),
                             _mm256_srli_epi16(_mm256_add_epi16(high, back), 7));
}

[[gnu::target("avx2")]] void MixPixelsAvx2(const std::uint32_t* a, const std::uint32_t* b,
                                           const std::uint32_t* pairs, std::size_t n,
                                           std::uint32_t* out) {
  std::size_t x = 0;
  for (; x + 8 <= n; x += 8) {
    // Each pixel's byte pair 128 - w and w spread over its four channels, in
    // the unpacks' order.
    const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pairs + x));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        MixBytes(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x)),
                                 _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x)),
                                 _mm256_unpacklo_epi32(w, w), _mm256_unpackhi_epi32(w, w)));
  }
  MixPixelsSse2(a + x, b + x, pairs + x, n - x, out + x);
}

// A mix by a quarter, a half or three quarters is an average, or an average
// with one of the pair: (3a + b + 2) >> 2 is the rounded-up average of a with
// the rounded-down average of a and b, exactly as the multiply-add rounds.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i AverageDown(__m256i a, __m256i b) {
  return _mm256_sub_epi8(_mm256_avg_epu8(a, b),
                         _mm256_and_si256(_mm256_xor_si256(a, b), _mm256_set1_epi8(1)));
}

// Eight pixels and their eight mixes, stored as pairs: a0 m0 a1 m1 ...
[[gnu::target("avx2")]] inline void StorePairs(__m256i a, __m256i m, std::uint32_t* out) {
  const __m256i low = _mm256_unpacklo_epi32(a, m), high = _mm256_unpackhi_epi32(a, m);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_permute2x128_si256(low, high, 0x20));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8),
                      _mm256_permute2x128_si256(low, high, 0x31));
}

// Eight pixels a step. The byte pairs 128 - w and w are made once for the
// eight and spread over each pixel's four channels by a byte shuffle within
// each 128-bit half, in the unpacks' order (pixels 0, 1, 4, 5 low, 2, 3, 6,
// 7 high); the pixels and their mixes interleave within halves, whose
// quarters are then put in order.
[[gnu::target("avx2")]] void PairPixelsAvx2(const std::uint32_t* row, const std::uint16_t* weights,
                                            std::size_t n, std::uint32_t* out) {
  const __m128i whole = _mm_set1_epi16(128);
  const __m256i spreadLow =
      _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3,  //
                       8, 9, 8, 9, 8, 9, 8, 9, 10, 11, 10, 11, 10, 11, 10, 11);
  const __m256i spreadHigh =
      _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7,  //
                       12, 13, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15);
  std::size_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + x));
    const __m256i pairs =
        _mm256_broadcastsi128_si256(_mm_or_si128(_mm_slli_epi16(w, 8), _mm_sub_epi16(whole, w)));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i m =
        MixBytes(a, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x + 1)),
                 _mm256_shuffle_epi8(pairs, spreadLow), _mm256_shuffle_epi8(pairs, spreadHigh));
    StorePairs(a, m, out + 2 * x);
  }
  PairPixelsSse2(row + x, weights + x, n - x, out + 2 * x);
}

// The mixes by quarters as the window rows between source rows have them
// (see BlendRowsAvx2), each lane's picked by its weight's two bits, 64 and
// 32, as the sign of a 32-bit lane.
[[gnu::target("avx2")]] void PairPixelsByQuartersAvx2(const std::uint32_t* row,
                                                      const std::uint16_t* weights, std::size_t n,
                                                      std::uint32_t* out) {
  std::size_t x = 0;
  for (; x + 8 <= n; x += 8) {
    const __m256i w =
        _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(weights + x)));
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x + 1));
    const __m256i down = AverageDown(a, b);
    const __m256 quarter = _mm256_castsi256_ps(_mm256_avg_epu8(a, down));
    const __m256 threeQuarters = _mm256_castsi256_ps(_mm256_avg_epu8(b, down));
    const __m256 byBit64 =
        _mm256_blendv_ps(quarter, threeQuarters, _mm256_castsi256_ps(_mm256_slli_epi32(w, 25)));
    const __m256i m =
        _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(_mm256_avg_epu8(a, b)), byBit64,
                                             _mm256_castsi256_ps(_mm256_slli_epi32(w, 26))));
    StorePairs(a, m, out + 2 * x);
  }
  PairPixelsSse2(row + x, weights + x, n - x, out + 2 * x);
}

// ScaleRowAvx2's permute from both rows, then a pick between them.
[[gnu::target("avx2")]] void ScaleRowMixedAvx2(const std::uint32_t* row, const std::uint32_t* mixed,
                                               const int* columns, const std::uint32_t* picks,
                                               const std::uint32_t* blocks, int from, int to,
                                               std::uint32_t* out) {
  if (!blocks) return ScaleRowMixedPlain(row, mixed, columns, picks, blocks, from, to, out);
  for (int b = from / 8; b * 8 < to; ++b) {
    const std::uint32_t* block = blocks + std::ptrdiff_t{kScaleBlockWords} * b;
    const __m256i index =
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + 1)));
    const __m256i plain = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + block[0])), index);
    const __m256i mix = _mm256_permutevar8x32_epi32(
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mixed + block[0])), index);
    const __m256i pick = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(picks + 8 * b));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 8 * b),
                        _mm256_blendv_epi8(plain, mix, pick));
  }
}

struct MixByPair {
  __m256i pair;
  [[gnu::target("avx2"), gnu::always_inline]] __m256i operator()(__m256i a, __m256i b) const {
    return MixBytes(a, b, pair, pair);
  }
};
struct MixByHalf {
  [[gnu::target("avx2"), gnu::always_inline]] __m256i operator()(__m256i a, __m256i b) const {
    return _mm256_avg_epu8(a, b);
  }
};
template <bool TowardB>
struct MixByQuarter {
  [[gnu::target("avx2"), gnu::always_inline]] __m256i operator()(__m256i a, __m256i b) const {
    return _mm256_avg_epu8(TowardB ? b : a, AverageDown(a, b));
  }
};

template <typename Mix>
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i MixAt(Mix mix, const std::uint32_t* a,
                                                                 const std::uint32_t* b,
                                                                 std::size_t x) {
  return mix(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + x)),
             _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + x)));
}

// Straight into the window row, streamed or not: no pass through a buffer.
// The row's two ends are whole unaligned vectors overlapping the inner ones,
// which write the same pixels again.
template <typename Mix>
[[gnu::target("avx2"), gnu::always_inline]] inline void BlendRowsBy(const std::uint32_t* a,
                                                                    const std::uint32_t* b,
                                                                    std::size_t n,
                                                                    std::uint32_t* out,
                                                                    bool streaming, Mix mix) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), MixAt(mix, a, b, 0));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + n - 8), MixAt(mix, a, b, n - 8));
  // From the first 32-byte boundary to the last.
  std::size_t x = (32 - (reinterpret_cast<std::uintptr_t>(out) & 31)) / 4 & 7;
  if (streaming)
    for (; x + 8 <= n; x += 8)
      _mm256_stream_si256(reinterpret_cast<__m256i*>(out + x), MixAt(mix, a, b, x));
  else
    for (; x + 8 <= n; x += 8)
      _mm256_store_si256(reinterpret_cast<__m256i*>(out + x), MixAt(mix, a, b, x));
}

// The window rows between two source rows at 2.25 times (1920 x 1080) all
// mix by quarters.
[[gnu::target("avx2")]] void BlendRowsAvx2(const std::uint32_t* a, const std::uint32_t* b,
                                           int weight, std::size_t n, std::uint32_t* out,
                                           bool streaming) {
  if (n < 8) return BlendRowsPlain(a, b, weight, n, out, false);
  switch (weight) {
    case 32:
      return BlendRowsBy(a, b, n, out, streaming, MixByQuarter<false>{});
    case 64:
      return BlendRowsBy(a, b, n, out, streaming, MixByHalf{});
    case 96:
      return BlendRowsBy(a, b, n, out, streaming, MixByQuarter<true>{});
    default:
      return BlendRowsBy(
          a, b, n, out, streaming,
          MixByPair{_mm256_set1_epi16(static_cast<short>(weight << 8 | (128 - weight)))});
  }
}

[[gnu::target("avx2")]] void StoreRowAvx2(std::uint32_t* dest, const std::uint32_t* src,
                                          std::size_t n, bool streaming) {
  if (!streaming) return StoreRowPlain(dest, src, n, false);
  std::size_t x = 0;
  for (; x < n && (reinterpret_cast<std::uintptr_t>(dest + x) & 31) != 0; ++x) dest[x] = src[x];
  for (; x + 8 <= n; x += 8)
    _mm256_stream_si256(reinterpret_cast<__m256i*>(dest + x),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + x)));
  for (; x < n; ++x) dest[x] = src[x];
}

// 16 pixels a step from each end, then pixel by pixel inside the block
// where the rows differ.
[[gnu::target("avx2")]] inline bool Equal16(const std::uint16_t* a, const std::uint16_t* b) {
  const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
  return _mm256_movemask_epi8(_mm256_cmpeq_epi8(p, q)) == -1;
}

[[gnu::target("avx2")]] void ChangedRangeAvx2(const std::uint16_t* a, const std::uint16_t* b, int n,
                                              int& first, int& last) {
  int x = 0;
  while (x + 16 <= n && Equal16(a + x, b + x)) x += 16;
  while (x < n && a[x] == b[x]) ++x;
  first = x;
  int e = n;
  while (e - 16 >= x && Equal16(a + e - 16, b + e - 16)) e -= 16;
  while (e > x && a[e - 1] == b[e - 1]) --e;
  last = x == n ? n : e;
}

#endif  // VELNAR_X86

constexpr TSimdKernels kPortable = {
    TSimdLevel::Portable, FillPlain,      CopyRowsPlain,  CopyRunsPlain,     RotateRows16Plain,
    WidenPixelsPlain,     ScaleRowPlain,  MixPixelsPlain, PairPixelsPlain,   PairPixelsPlain,
    ScaleRowMixedPlain,   BlendRowsPlain, StoreRowPlain,  ChangedRangePlain, FinishStoresPlain,
};

#if VELNAR_X86
constexpr TSimdKernels kSse2 = {
    TSimdLevel::Sse2,   FillSse2,      CopyRowsInline, CopyRunsPlain,     RotateRows16Plain,
    WidenPixelsSse2,    ScaleRowPlain, MixPixelsSse2,  PairPixelsSse2,    PairPixelsSse2,
    ScaleRowMixedPlain, BlendRowsSse2, StoreRowSse2,   ChangedRangePlain, FinishStoresSse2,
};
constexpr TSimdKernels kAvx2 = {
    TSimdLevel::Avx2,  FillAvx2,      CopyRowsAvx2,  CopyRunsAvx2,     RotateRows16Avx2,
    WidenPixelsAvx2,   ScaleRowAvx2,  MixPixelsAvx2, PairPixelsAvx2,   PairPixelsByQuartersAvx2,
    ScaleRowMixedAvx2, BlendRowsAvx2, StoreRowAvx2,  ChangedRangeAvx2, FinishStoresSse2,
};
// The rotation's sixteen lanes, everything else as Avx2.
constexpr TSimdKernels kAvx512 = {
    TSimdLevel::Avx512, FillAvx2,      CopyRowsAvx2,  CopyRunsAvx2,     RotateRows16Avx512,
    WidenPixelsAvx2,    ScaleRowAvx2,  MixPixelsAvx2, PairPixelsAvx2,   PairPixelsByQuartersAvx2,
    ScaleRowMixedAvx2,  BlendRowsAvx2, StoreRowAvx2,  ChangedRangeAvx2, FinishStoresSse2,
};
#else
// Without x86 vectors the fast paths run on the plain kernels.
constexpr TSimdKernels kSse2 = {
    TSimdLevel::Sse2,   FillPlain,      CopyRowsInline, CopyRunsPlain,     RotateRows16Plain,
    WidenPixelsPlain,   ScaleRowPlain,  MixPixelsPlain, PairPixelsPlain,   PairPixelsPlain,
    ScaleRowMixedPlain, BlendRowsPlain, StoreRowPlain,  ChangedRangePlain, FinishStoresPlain,
};
#endif

}  // namespace

const char* SimdLevelName(TSimdLevel level) {
  switch (level) {
    case TSimdLevel::Portable:
      return "portable";
    case TSimdLevel::Sse2:
      return "SSE2";
    case TSimdLevel::Avx2:
      return "AVX2";
    case TSimdLevel::Avx512:
      return "AVX512";
  }
  return "?";
}

const TProcessor& ThisProcessor() {
  static const TProcessor processor = Detect();
  return processor;
}

bool SimdLevelRuns(TSimdLevel level) {
  switch (level) {
    case TSimdLevel::Portable:
      return true;
    case TSimdLevel::Sse2:
#if VELNAR_X86
      return ThisProcessor().Sse2;
#else
      return true;
#endif
    case TSimdLevel::Avx2:
#if VELNAR_X86
      return ThisProcessor().Avx2;
#else
      return false;
#endif
    case TSimdLevel::Avx512:
#if VELNAR_X86
      return ThisProcessor().Avx2 && ThisProcessor().Avx512;
#else
      return false;
#endif
  }
  return false;
}

TSimdLevel BestSimdLevel() {
  static const TSimdLevel best = SimdLevelRuns(TSimdLevel::Avx512) ? TSimdLevel::Avx512
                                 : SimdLevelRuns(TSimdLevel::Avx2) ? TSimdLevel::Avx2
                                 : SimdLevelRuns(TSimdLevel::Sse2) ? TSimdLevel::Sse2
                                                                   : TSimdLevel::Portable;
  return best;
}

const TSimdKernels& SimdKernels(TSimdLevel level) {
  if (!SimdLevelRuns(level)) level = BestSimdLevel();
  switch (level) {
    case TSimdLevel::Portable:
      return kPortable;
    case TSimdLevel::Sse2:
      return kSse2;
    case TSimdLevel::Avx2:
#if VELNAR_X86
      return kAvx2;
#else
      return kSse2;
#endif
    case TSimdLevel::Avx512:
#if VELNAR_X86
      return kAvx512;
#else
      return kSse2;
#endif
  }
  return kPortable;
}

bool ScaleBlocks(const int* columns, int n, std::uint32_t* blocks) {
  for (int b = 0; b * 8 < n; ++b) {
    const int first = columns[8 * b];
    std::uint32_t offsets[2] = {0, 0};
    for (int k = 0; k < 8; ++k) {
      // Past the row's end the last column repeats.
      const int offset = columns[std::min(8 * b + k, n - 1)] - first;
      if (offset < 0 || offset > 7) return false;
      offsets[k / 4] |= static_cast<std::uint32_t>(offset) << (8 * (k % 4));
    }
    std::uint32_t* block = blocks + std::ptrdiff_t{kScaleBlockWords} * b;
    block[0] = static_cast<std::uint32_t>(first);
    block[1] = offsets[0];
    block[2] = offsets[1];
  }
  return true;
}

void TStoreChooser::Restart(std::size_t minBytes) {
  minBytes_ = std::max<std::size_t>(minBytes, 1);
  decided_ = false;
  frames_ = 0;
  for (auto& c : costs_) c.clear();
}

bool TStoreChooser::Streaming() const {
  if (decided_) return streaming_;
  // Four frames each, turn by turn, so that a machine whose speed drifts (a
  // virtual one sharing its host) drifts under both alike.
  return (frames_ / kTurnFrames) % 2 == 1;
}

void TStoreChooser::Record(bool streaming, std::int64_t time, std::size_t bytes) {
  if (decided_ || bytes < minBytes_ || time <= 0 || streaming != Streaming()) return;
  // The first frames after a change of store pay for the other's leavings
  // (lines to take back into the cache, or to write out of it first; on an
  // Intel Xeon of 2021 a store through the cache took two frames to come back
  // to its speed after streaming): only the last two of each four are timed.
  const bool timed = frames_++ % kTurnFrames >= kTurnFrames - 2;
  if (!timed) return;
  costs_[streaming ? 1 : 0].push_back(static_cast<double>(time) / static_cast<double>(bytes));
  if (costs_[0].size() < kStoreTrials || costs_[1].size() < kStoreTrials) return;
  // Medians: a frame interrupted, or delayed by another program, does not
  // decide.
  double medians[2];
  for (int v = 0; v < 2; ++v) {
    std::vector<double> sorted = costs_[v];
    std::nth_element(sorted.begin(), sorted.begin() + kStoreTrials / 2, sorted.end());
    medians[v] = sorted[kStoreTrials / 2];
  }
  streaming_ = medians[1] < medians[0];
  decided_ = true;
}
