// The fast pixel paths (wide-store fills, run lists for keyed copies, carried
// quotients and selects in the rotated drawing) at every level of the
// processor's kernels against the portable ones, on random pictures, keys,
// positions and clips: every pixel must agree.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/simd_x86.h"
#include "gfx/surface.h"
#include "platform/canvas_backend.h"

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
                                            ::testing::Values(TSimdLevel::Sse2, TSimdLevel::Avx2,
                                                              TSimdLevel::Avx512)),
                         [](const auto& info) {
                           return std::to_string(std::get<0>(info.param)) + "bit" +
                                  SimdLevelName(std::get<1>(info.param));
                         });

// The run lists of a sheet are made on its first keyed copy; every way of
// writing to the sheet afterwards must drop them, or the next keyed copy
// moves the old picture's runs. Each write below turns key pixels opaque and
// opaque ones into the key, inside patterns already copied once.
class RunListsFollowWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dd.SetSimdLevel(TSimdLevel::Portable));
    ASSERT_EQ(dd.SimdLevel(), TSimdLevel::Portable);
    ASSERT_NE(fastDd.SimdLevel(), TSimdLevel::Portable);
    std::mt19937 rng(77);
    sheet.SetSize(60, 40);
    PaintRandom(sheet, rng, kKey);
    fast.SetSize(80, 50);
    portable.SetSize(80, 50);
    CopyAndCompare("before the write");
  }
  // Every pattern keyed, whole and cut by the destination's edge.
  void CopyAndCompare(const char* when) {
    for (TDirectDrawSurface* s : {&fast, &portable}) {
      s->Fill(0x0842);
      for (int p = 0; p < 6; ++p) {
        const TRect r = Rect(p % 3 * 20, p / 3 * 20, p % 3 * 20 + 20, p / 3 * 20 + 20);
        s->Draw(p * 13 - 5, p * 7, r, &sheet, true);
      }
    }
    ASSERT_EQ(PixelsOf(fast), PixelsOf(portable)) << when;
  }
  // Hands write the new value of each pixel of the sheet's first rows: the
  // key where it was opaque and the other way round.
  template <class Write>
  void SwapKeyAndOpaque(Write write) {
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 60; ++x) {
        const std::uint32_t old = sheet.Pixels(x, y);
        write(x, y, old == kKey ? 0x1234u : kKey);
      }
  }

  static constexpr std::uint32_t kKey = 0xF81F;
  TDirectDraw dd;
  TDirectDraw fastDd;
  TDirectDrawSurface sheet{&dd};
  TDirectDrawSurface fast{&fastDd};
  TDirectDrawSurface portable{&dd};
};

TEST_F(RunListsFollowWrites, SetPixels) {
  SwapKeyAndOpaque([&](int x, int y, std::uint32_t v) { sheet.SetPixels(x, y, v); });
  CopyAndCompare("after SetPixels");
}

TEST_F(RunListsFollowWrites, WritesThroughALock) {
  std::vector<std::uint32_t> values;
  SwapKeyAndOpaque([&](int, int, std::uint32_t v) { values.push_back(v); });
  TSurfaceMemory memory;
  ASSERT_TRUE(sheet.Lock(memory));
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 60; ++x) {
      const auto v = static_cast<std::uint16_t>(values[static_cast<std::size_t>(y * 60 + x)]);
      std::memcpy(memory.Bits + y * memory.Pitch + 2 * x, &v, 2);
    }
  sheet.Unlock();
  CopyAndCompare("after writing through a lock");
}

// A stand-in for the platform's text: each text is a bar of the font's colour
// as long as the text, written into the memory the canvas was handed.
class BarText : public CanvasBackend {
 public:
  BarText() { SetCanvasBackend(this); }
  ~BarText() override { SetCanvasBackend(nullptr); }
  std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) override {
    return std::make_unique<Device>(surface);
  }

 private:
  struct Device : CanvasDevice {
    explicit Device(const CanvasSurface& s) : surface(s) {}
    void TextOut(int x, int y, const std::string& text, const CanvasFont& font,
                 const CanvasBrush&) override {
      const auto v = static_cast<std::uint16_t>(font.Color);
      for (int k = 0; k < static_cast<int>(text.size()) && x + k < surface.Width; ++k)
        std::memcpy(surface.Bits + y * surface.Pitch + 2 * (x + k), &v, 2);
    }
    void Line(int, int, int, int, const CanvasPen&) override {}
    CanvasSurface surface;
  };
};

TEST_F(RunListsFollowWrites, CanvasText) {
  BarText backend;
  // Raw colours: the bar's value goes into the memory as it is.
  sheet.Canvas().Font.Color = static_cast<TColor>(kKey);
  for (int y = 0; y < 12; y += 2) sheet.Canvas().TextOut(0, y, std::string(60, 'x'));
  sheet.Canvas().Font.Color = 0x1234;
  for (int y = 1; y < 12; y += 2) sheet.Canvas().TextOut(0, y, std::string(60, 'x'));
  sheet.Canvas().Release();
  ASSERT_EQ(sheet.Pixels(5, 0), kKey);
  CopyAndCompare("after canvas text");
}

TEST_F(RunListsFollowWrites, PaletteAndColourKey) {
  // A palette gives the raw values no new meaning: the runs stay right.
  TDirectDrawPalette palette(dd);
  palette.Entries[0] = clFuchsia;
  sheet.SetPalette(&palette);
  CopyAndCompare("after a palette");
  // A new key: what was opaque is now left out.
  sheet.SetTransparentColor(0x1234);
  CopyAndCompare("after a new colour key");
}

TEST_F(RunListsFollowWrites, RestoredAfterLoss) {
  dd.LoseSurfaces();
  ASSERT_TRUE(sheet.Restore());
  ASSERT_TRUE(portable.Restore());
  // Restored memory reads 0 and the key stays: every pixel is now opaque.
  CopyAndCompare("after a restore");
}

}  // namespace
