#include <gtest/gtest.h>

#include <vector>

#include "gfx/surface.h"

namespace {

// Every pixel distinct and never 0, so a destination pixel tells where it came from.
std::uint32_t Code(int x, int y) {
  return 1 + x + 64 * y;
}

struct Scene {
  TDirectDraw dd;
  TDirectDrawSurface src{&dd};
  TDirectDrawSurface dst{&dd};
  Scene(int sw, int sh, int dw = 640, int dh = 480) {
    src.SetSize(sw, sh);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) src.SetPixels(x, y, Code(x, y));
    dst.SetSize(dw, dh);
  }
  std::vector<std::uint32_t> Snapshot() {
    std::vector<std::uint32_t> all;
    for (int y = 0; y < dst.Height(); ++y)
      for (int x = 0; x < dst.Width(); ++x) all.push_back(dst.Pixels(x, y));
    return all;
  }
  std::vector<std::uint32_t> Rotated(int x, int y, int angle, bool transparent = false) {
    dst.Fill(0);
    dst.DrawRotate(x, y, src.Width(), src.Height(), src.ClientRect(), &src, 0.5, 0.5, transparent,
                   angle);
    return Snapshot();
  }
};

TEST(DrawRotate, UnturnedCopyIsCentredOnThePivot) {
  Scene s(40, 64);
  s.Rotated(220, 240, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(s.dst.Pixels(200 + x, 208 + y), Code(x, y)) << x << "," << y;
  EXPECT_EQ(s.dst.Pixels(199, 208), 0u);
  EXPECT_EQ(s.dst.Pixels(240, 208), 0u);
  EXPECT_EQ(s.dst.Pixels(200, 207), 0u);
  EXPECT_EQ(s.dst.Pixels(200, 272), 0u);
}

TEST(DrawRotate, QuarterTurnIsClockwiseAndAnglesWrap) {
  Scene s(8, 8, 100, 100);
  s.Rotated(50, 50, 64);
  // Find where the bottom corners went.
  const auto find = [&](std::uint32_t code, int& fx, int& fy) {
    fx = fy = -1;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 100; ++x)
        if (s.dst.Pixels(x, y) == code) fx = x, fy = y;
  };
  int blX, blY, brX, brY, rX, rY;
  find(Code(0, 7), blX, blY);
  find(Code(7, 7), brX, brY);
  find(Code(7, 3), rX, rY);
  ASSERT_GE(blX, 0);
  ASSERT_GE(brX, 0);
  ASSERT_GE(rX, 0);
  // The bottom edge is now the left side, running upwards; the right edge is
  // the bottom row, running leftwards.
  EXPECT_LT(blX, 50);
  EXPECT_EQ(brX, blX);
  EXPECT_LT(blY, 50);
  EXPECT_GT(brY, 50);
  EXPECT_EQ(rY, brY);
  EXPECT_GT(rX, brX);

  const auto zero = s.Rotated(50, 50, 0);
  EXPECT_EQ(s.Rotated(50, 50, 256), zero);
  EXPECT_EQ(s.Rotated(50, 50, -256), zero);
  EXPECT_EQ(s.Rotated(50, 50, -64), s.Rotated(50, 50, 192));
  EXPECT_EQ(s.Rotated(50, 50, 37 + 512), s.Rotated(50, 50, 37));
}

TEST(DrawRotate, ClippingAtTheEdgesKeepsTheSamePixels) {
  Scene far(40, 64, 400, 400), clipped(40, 64, 400, 400);
  for (int angle : {0, 19, 64, 100, 128, 201}) {
    // Drawn far from the edges, then again 150 pixels up and left, partly off.
    far.Rotated(160, 170, angle);
    clipped.Rotated(10, 20, angle);
    for (int y = 0; y < 250; ++y)
      for (int x = 0; x < 250; ++x)
        ASSERT_EQ(clipped.dst.Pixels(x, y), far.dst.Pixels(x + 150, y + 150))
            << "angle " << angle << " at " << x << "," << y;
    // And against the right and bottom edges.
    clipped.Rotated(390, 395, angle);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 30; ++x)
        ASSERT_EQ(clipped.dst.Pixels(370 + x, 380 + y), far.dst.Pixels(140 + x, 155 + y))
            << "angle " << angle << " at " << x << "," << y;
  }
  for (auto [x, y] : {std::pair{-60, 100}, {100, -60}, {460, 100}, {100, 470}}) {
    clipped.Rotated(x, y, 30);
    for (std::uint32_t p : clipped.Snapshot()) ASSERT_EQ(p, 0u) << x << "," << y;
  }
}

TEST(DrawRotate, ColourKeyAndRejectedArguments) {
  Scene s(10, 10, 50, 50);
  s.src.SetPixels(3, 3, 0xF81F);
  s.src.SetTransparentColor(0xF81F);
  s.dst.Fill(0x1111);
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), &s.src, 0.5, 0.5, true, 0);
  EXPECT_EQ(s.dst.Pixels(23, 23), 0x1111u);
  EXPECT_EQ(s.dst.Pixels(24, 23), Code(4, 3));
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), &s.src, 0.5, 0.5, false, 0);
  EXPECT_EQ(s.dst.Pixels(23, 23), 0xF81Fu);

  s.dst.Fill(0);
  const auto blank = s.Snapshot();
  s.dst.DrawRotate(25, 25, 0, 10, s.src.ClientRect(), &s.src, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 0, s.src.ClientRect(), &s.src, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, Rect(0, 0, 11, 10), &s.src, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, Rect(-1, 0, 10, 10), &s.src, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, Rect(5, 0, 5, 10), &s.src, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), nullptr, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), &s.dst, 0.5, 0.5, false, 0);
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), &s.src, 1e300, 0.5, false, 0);
  ASSERT_TRUE(s.src.Lock());
  s.dst.DrawRotate(25, 25, 10, 10, s.src.ClientRect(), &s.src, 0.5, 0.5, false, 0);
  s.src.Unlock();
  EXPECT_EQ(s.Snapshot(), blank);
  EXPECT_FALSE(s.src.Locked());
  EXPECT_FALSE(s.dst.Locked());
}

TEST(DrawRotate, StretchesAndSamplesSubRectangles) {
  Scene s(5, 3, 40, 40);
  s.dst.DrawRotate(20, 20, 6, 3, s.src.ClientRect(), &s.src, 0.5, 0.5, false, 0);
  std::vector<int> seen(5, 0);
  for (int x = 0; x < 40; ++x) {
    const std::uint32_t p = s.dst.Pixels(x, 20);
    if (p != 0) ++seen[(p - 1) % 64];
  }
  int twice = 0;
  for (int n : seen) {
    EXPECT_GE(n, 1);
    twice += n == 2;
  }
  EXPECT_EQ(twice, 1);

  // Only the sub-rectangle is sampled, whatever the angle.
  Scene t(16, 16, 60, 60);
  for (int angle : {0, 7, 30, 64, 100, 128, 150, 192, 230}) {
    t.dst.Fill(0);
    t.dst.DrawRotate(30, 30, 20, 12, Rect(4, 5, 11, 9), &t.src, 0.3, 0.6, false, angle);
    for (std::uint32_t p : t.Snapshot()) {
      if (p == 0) continue;
      const int x = (p - 1) % 64, y = (p - 1) / 64;
      ASSERT_TRUE(x >= 4 && x < 11 && y >= 5 && y < 9) << angle;
    }
  }
  // Scaled up so far that the step along a row rounds to 0: a row whose fixed
  // coordinate lies outside the rectangle must not be drawn from outside it.
  Scene u(16, 16, 80, 80);
  u.dst.DrawRotate(40, 40, 2884, 2183, Rect(6, 2, 9, 3), &u.src, 0.75, 0.0, false, 129);
  int drawn = 0;
  for (std::uint32_t p : u.Snapshot()) {
    if (p == 0) continue;
    ++drawn;
    const int x = (p - 1) % 64, y = (p - 1) / 64;
    ASSERT_TRUE(x >= 6 && x < 9 && y == 2) << x << "," << y;
  }
  EXPECT_GT(drawn, 0);
}

TEST(DrawRotate, TheNeedleTurnsAboutItsPivot) {
  Scene s(9, 62);
  for (int angle : {0, 30, 64, 128, 192, 250}) {
    s.dst.Fill(0);
    s.dst.DrawRotate(558, 230, 9, 62, s.src.ClientRect(), &s.src, 0.5, 0.95, false, angle);
    // 4.5 pixels from the left, 58.9 below the top: pixel (4, 58).
    EXPECT_EQ(s.dst.Pixels(558, 230), Code(4, 58)) << angle;
  }
  // Half a turn: the needle's top now hangs below the pivot.
  s.dst.Fill(0);
  s.dst.DrawRotate(558, 230, 9, 62, s.src.ClientRect(), &s.src, 0.5, 0.95, false, 128);
  int lowest = -1;
  for (int y = 0; y < 480; ++y)
    for (int x = 540; x < 580; ++x)
      if (s.dst.Pixels(x, y) == Code(4, 1)) lowest = y;
  EXPECT_NEAR(lowest, 230 + 58, 1);
}

TEST(DrawRotate, ConvertsBetweenFormats) {
  TDirectDraw dd;
  TDirectDrawSurface src(&dd);
  src.SetSize(4, 4);
  src.Fill(src.ColorMatch(0x3F80FF));  // red 0xFF, green 0x80, blue 0x3F
  dd.SetDisplayPixelFormat(TPixelFormat::XRGB8888());
  TDirectDrawSurface dst(&dd);
  dst.SetSize(10, 10);
  dst.DrawRotate(5, 5, 4, 4, src.ClientRect(), &src, 0.5, 0.5, false, 0);
  // 5-6-5 keeps the high bits: red F8, green 80, blue 38.
  EXPECT_EQ(dst.Pixels(4, 4), 0xF88038u);
}

}  // namespace
