// The fast pixel paths (wide-store fills, run lists for keyed copies, carried
// quotients and selects in the rotated drawing) at every level of the
// processor's kernels against the portable ones, on random pictures, keys,
// positions and clips: every pixel must agree.
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <vector>

#include "gfx/simd_x86.h"
#include "gfx/surface.h"

namespace {

std::vector<std::uint32_t> PixelsOf(TDirectDrawSurface& s) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) out.push_back(s.Pixels(x, y));
  return out;
}

// Blobs of few colours on the key, so rows hold runs of every length,
// including whole rows of key and whole rows without it.
void PaintRandom(TDirectDrawSurface& s, std::mt19937& rng, std::uint32_t key) {
  const std::uint32_t colours[] = {key, key, 0x1234, 0xFFFF, 0x0001, 0x00FF00, 0x7C1F};
  std::uniform_int_distribution<int> pick(0, 6), runLength(1, 23);
  for (int y = 0; y < s.Height(); ++y) {
    const bool keyRow = y % 11 == 3;
    const bool fullRow = y % 13 == 5;
    int x = 0;
    while (x < s.Width()) {
      std::uint32_t c = keyRow ? key : colours[pick(rng)];
      if (fullRow && c == key) c = 0x5A5A;
      for (int end = std::min(s.Width(), x + runLength(rng)); x < end; ++x) s.SetPixels(x, y, c);
    }
  }
  s.SetTransparentColor(key);
}

// Surfaces drawn onto at one level (made by fastDd) and at the portable one
// (made by dd); which device made a source does not matter.
class FastPathsAgree : public ::testing::TestWithParam<std::tuple<int, TSimdLevel>> {
 protected:
  void SetUp() override {
    const TSimdLevel level = std::get<1>(GetParam());
    if (!SimdLevelRuns(level)) GTEST_SKIP() << "this processor has no " << SimdLevelName(level);
    TPixelFormat format;
    ASSERT_TRUE(TPixelFormat::ForBitCount(Bits(), format));
    dd.SetDisplayPixelFormat(format);
    fastDd.SetDisplayPixelFormat(format);
    ASSERT_TRUE(dd.SetSimdLevel(TSimdLevel::Portable));
    ASSERT_TRUE(fastDd.SetSimdLevel(level));
    ASSERT_EQ(dd.SimdLevel(), TSimdLevel::Portable);
    ASSERT_EQ(fastDd.SimdLevel(), level);
  }
  int Bits() const { return std::get<0>(GetParam()); }
  TDirectDraw dd;
  TDirectDraw fastDd;
};

TEST_P(FastPathsAgree, Fills) {
  std::mt19937 rng(Bits());
  std::uniform_int_distribution<std::uint32_t> value;
  // Odd widths leave padding between rows; small ones stay under one vector.
  for (int width : {1, 3, 7, 8, 9, 31, 64, 77, 640}) {
    TDirectDrawSurface fast(&fastDd), portable(&dd);
    fast.SetSize(width, 5);
    portable.SetSize(width, 5);
    for (std::uint32_t v : {0u, 0xFFFFFFFFu, 0x1A2Bu, 0x00FF00FFu, value(rng)}) {
      ASSERT_TRUE(fast.Fill(v));
      ASSERT_TRUE(portable.Fill(v));
      ASSERT_EQ(PixelsOf(fast), PixelsOf(portable)) << "width " << width << " value " << v;
    }
  }
}

TEST_P(FastPathsAgree, KeyedAndOpaqueCopiesUnderRandomClips) {
  std::mt19937 rng(1000 + Bits());
  TDirectDrawSurface sheet(&dd);
  sheet.SetSize(150, 90);
  const std::uint32_t key = Bits() == 8 ? 0xE3 : 0xF81F;
  PaintRandom(sheet, rng, key);
  TDirectDrawSurface fast(&fastDd), portable(&dd);
  fast.SetSize(97, 61);
  portable.SetSize(97, 61);
  fast.Fill(0x0842);
  portable.Fill(0x0842);
  std::uniform_int_distribution<int> pos(-80, 110), edge(-10, 160), grid(0, 5);
  for (int i = 0; i < 400; ++i) {
    // Mostly the sheet's 25 x 18 patterns, drawn again and again (so their run
    // lists are reused), sometimes any rectangle, reaching outside the sheet.
    TRect r;
    if (i % 3 != 0) {
      const int gx = grid(rng) * 25, gy = grid(rng) % 5 * 18;
      r = Rect(gx, gy, gx + 25, gy + 18);
    } else {
      r = Rect(edge(rng), edge(rng), edge(rng), edge(rng));
      if (r.Right < r.Left) std::swap(r.Left, r.Right);
      if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
    }
    const int x = pos(rng), y = pos(rng);
    const bool keyed = i % 4 != 0;
    fast.Draw(x, y, r, &sheet, keyed);
    portable.Draw(x, y, r, &sheet, keyed);
    ASSERT_EQ(PixelsOf(fast), PixelsOf(portable))
        << "copy " << i << " of (" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom
        << ") at " << x << "," << y << (keyed ? " keyed" : "");
    // A changed sheet must not be copied by its old runs.
    if (i == 200) {
      PaintRandom(sheet, rng, key);
      sheet.SetTransparentColor(0x1234);
    }
  }
}

TEST_P(FastPathsAgree, RotatedDrawing) {
  std::mt19937 rng(2000 + Bits());
  TDirectDrawSurface picture(&dd);
  picture.SetSize(40, 64);
  PaintRandom(picture, rng, Bits() == 8 ? 0xE3 : 0xF81F);
  TDirectDrawSurface fast(&fastDd), portable(&dd);
  fast.SetSize(120, 90);
  portable.SetSize(120, 90);
  std::uniform_int_distribution<int> pos(-40, 160), size(1, 90), angle(-300, 300), sub(0, 30);
  std::uniform_real_distribution<double> centre(-0.5, 1.5);
  for (int i = 0; i < 300; ++i) {
    const TRect r = i % 2 ? picture.ClientRect() : Rect(sub(rng), sub(rng), 40, 64);
    const int x = pos(rng), y = pos(rng), w = size(rng), h = size(rng), a = angle(rng);
    // Quarter turns make one of the steps 0.
    const int turn = i % 5 == 0 ? 64 * (i % 4) : a;
    const double cx = i % 3 ? 0.5 : centre(rng), cy = i % 3 ? 0.5 : centre(rng);
    const bool keyed = i % 4 != 1;
    fast.DrawRotate(x, y, w, h, r, &picture, cx, cy, keyed, turn);
    portable.DrawRotate(x, y, w, h, r, &picture, cx, cy, keyed, turn);
    ASSERT_EQ(PixelsOf(fast), PixelsOf(portable))
        << "drawing " << i << " at " << x << "," << y << " size " << w << "x" << h << " angle "
        << turn << " centre " << cx << "," << cy;
  }
}

// A few source pixels stretched over many rows: the steps are small, so the
// quotients carried from row to row meet every remainder, exact ones too.
TEST_P(FastPathsAgree, StretchedRotatedDrawing) {
  std::mt19937 rng(3000 + Bits());
  TDirectDrawSurface picture(&dd);
  picture.SetSize(7, 6);
  PaintRandom(picture, rng, Bits() == 8 ? 0xE3 : 0xF81F);
  TDirectDrawSurface fast(&fastDd), portable(&dd);
  fast.SetSize(320, 240);
  portable.SetSize(320, 240);
  std::uniform_int_distribution<int> pos(0, 320), size(150, 700), angle(0, 255), sub(0, 3);
  for (int i = 0; i < 60; ++i) {
    const TRect r = Rect(sub(rng), sub(rng), 7, 6);
    const int x = pos(rng), y = pos(rng) * 3 / 4, w = size(rng), h = size(rng), a = angle(rng);
    fast.DrawRotate(x, y, w, h, r, &picture, 0.5, 0.5, true, a);
    portable.DrawRotate(x, y, w, h, r, &picture, 0.5, 0.5, true, a);
    ASSERT_EQ(PixelsOf(fast), PixelsOf(portable)) << "drawing " << i << " at " << x << "," << y
                                                  << " size " << w << "x" << h << " angle " << a;
  }
}

INSTANTIATE_TEST_SUITE_P(DepthsAndLevels, FastPathsAgree,
                         ::testing::Combine(::testing::Values(8, 16, 32),
                                            ::testing::Values(TSimdLevel::Sse2, TSimdLevel::Avx2)),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) + "bit" +
                                  SimdLevelName(std::get<1>(info.param));
                         });

}  // namespace
