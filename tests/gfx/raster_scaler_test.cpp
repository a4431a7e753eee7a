// The raster present's scaler against the plain rule it speeds up: every
// window pixel inside the target takes source pixel (x * w / W, y * h / H)
// widened to 8 bits a channel, every pixel outside it is black.
#include "platform/raster_scaler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

std::uint32_t Widen(std::uint16_t v, bool is565) {
  const std::uint32_t r = is565 ? (v >> 11 & 31) : (v >> 10 & 31);
  const std::uint32_t g = is565 ? (v >> 5 & 63) : (v >> 5 & 31);
  const std::uint32_t b = v & 31;
  const std::uint32_t g8 = is565 ? (g << 2 | g >> 4) : (g << 3 | g >> 2);
  return 0xFF000000u | (r << 3 | r >> 2) << 16 | g8 << 8 | (b << 3 | b >> 2);
}

void ExpectScaled(const QImage& canvas, const QRect& dest, const std::vector<std::uint16_t>& src,
                  int w, int h, bool is565) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x) {
      const auto got = reinterpret_cast<const std::uint32_t*>(canvas.constScanLine(y))[x];
      std::uint32_t want = 0xFF000000u;
      if (dest.contains(x, y)) {
        const int sx = std::min(w - 1, (x - dest.left()) * w / dest.width());
        const int sy = std::min(h - 1, (y - dest.top()) * h / dest.height());
        want = Widen(src[static_cast<std::size_t>(sy * w + sx)], is565);
      }
      ASSERT_EQ(got, want) << "at " << x << "," << y;
    }
}

// Every level the processor runs, with the window rows stored through the
// cache and streamed past it.
class RasterScalerLevels : public ::testing::TestWithParam<std::tuple<TSimdLevel, bool>> {
 protected:
  void SetUp() override {
    const TSimdLevel level = std::get<0>(GetParam());
    if (!SimdLevelRuns(level)) GTEST_SKIP() << "this processor has no " << SimdLevelName(level);
  }
  RasterScaler Make() const {
    RasterScaler scaler(std::get<0>(GetParam()));
    EXPECT_EQ(scaler.SimdLevel(), std::get<0>(GetParam()));
    scaler.SetStreamingAbove(std::get<1>(GetParam()) ? 0 : SIZE_MAX);
    return scaler;
  }
};

TEST_P(RasterScalerLevels, MatchesNearestPixelScalingWithBars) {
  std::mt19937 rng(7);
  const struct {
    int w, h;
    QSize canvas;
    QRect dest;
  } cases[] = {
      {64, 48, {192, 108}, {48, 0, 144, 108}},   // letterboxed, 2.25 times
      {37, 21, {100, 100}, {-10, 30, 120, 40}},  // reaches outside the window
      {9, 5, {9, 5}, {0, 0, 9, 5}},              // one to one, fewer pixels than a vector
      {20, 20, {50, 70}, {5, 10, 13, 11}},       // shrunk
  };
  for (bool is565 : {true, false})
    for (const auto& c : cases) {
      std::vector<std::uint16_t> src(static_cast<std::size_t>(c.w * c.h));
      for (auto& p : src) p = static_cast<std::uint16_t>(rng());
      PresentImage image;
      image.Bits = reinterpret_cast<const std::uint8_t*>(src.data());
      image.Width = c.w;
      image.Height = c.h;
      image.Pitch = c.w * 2;
      if (!is565) image.RedMask = 0x7C00;
      QImage canvas(c.canvas, QImage::Format_RGB32);
      canvas.fill(0xFF123456u);
      RasterScaler scaler = Make();
      ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
      ASSERT_EQ(scaler.Streamed(), std::get<1>(GetParam()));
      ExpectScaled(canvas, c.dest, src, c.w, c.h, is565);
      // The next frame into the same image, bars kept from the first.
      for (auto& p : src) p = static_cast<std::uint16_t>(rng());
      ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
      ExpectScaled(canvas, c.dest, src, c.w, c.h, is565);
      // Frames that change a few pixels, or none: only those are drawn again.
      for (int frame = 0; frame < 6; ++frame) {
        for (int k = 0; k < frame; ++k) src[rng() % src.size()] = static_cast<std::uint16_t>(rng());
        ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
        ExpectScaled(canvas, c.dest, src, c.w, c.h, is565);
      }
      // A fresh window image gets its bars painted again.
      QImage other(c.canvas, QImage::Format_RGB32);
      other.fill(0xFF654321u);
      ASSERT_TRUE(scaler.Scale(other, c.dest, image));
      ExpectScaled(other, c.dest, src, c.w, c.h, is565);
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, RasterScalerLevels,
                         ::testing::Combine(::testing::Values(TSimdLevel::Portable,
                                                              TSimdLevel::Sse2, TSimdLevel::Avx2),
                                            ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(SimdLevelName(std::get<0>(info.param))) +
                                  (std::get<1>(info.param) ? "Streamed" : "Cached");
                         });

// A 64 x 48 picture of random pixels, letterboxed into a 240 x 108 window.
struct RandomPicture {
  const int w = 64, h = 48;
  const QRect dest{48, 0, 144, 108};
  std::vector<std::uint16_t> src;
  PresentImage image;

  explicit RandomPicture(unsigned seed) : src(static_cast<std::size_t>(w * h)) {
    std::mt19937 rng(seed);
    for (auto& p : src) p = static_cast<std::uint16_t>(rng());
    image.Bits = reinterpret_cast<const std::uint8_t*>(src.data());
    image.Width = w;
    image.Height = h;
    image.Pitch = w * 2;
  }
};

std::uint32_t At(const QImage& canvas, int x, int y) {
  return reinterpret_cast<const std::uint32_t*>(canvas.constScanLine(y))[x];
}

// Every pixel that no longer holds the mark lies inside what the scaler says
// it drew, which is all that goes to the screen.
void ExpectDrawnCoversChanges(const QImage& canvas, const QRect& drawn, std::uint32_t mark) {
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      if (At(canvas, x, y) != mark) {
        ASSERT_TRUE(drawn.contains(x, y)) << x << "," << y << " changed outside what was drawn";
      }
}

// What the window image held is not drawn again: marks written into it
// behind Qt's back (through a pointer kept from before, so its cache key
// stays) survive wherever the picture did not change.
TEST(RasterScaler, DrawsAgainOnlyWhatChanged) {
  RandomPicture picture(11);
  const auto& [w, h, dest, src, image] = picture;
  QImage canvas(240, 108, QImage::Format_RGB32);
  auto* raw = reinterpret_cast<std::uint32_t*>(canvas.bits());
  const auto markAll = [&] { std::fill(raw, raw + 240 * 108, 0xFFABCDEFu); };
  RasterScaler scaler;
  ASSERT_TRUE(scaler.Scale(canvas, dest, image));
  ASSERT_NE(At(canvas, dest.left(), dest.top()), 0xFFABCDEFu);
  EXPECT_EQ(scaler.Drawn(), canvas.rect());

  // A parked car: nothing in the picture changed, nothing is drawn.
  markAll();
  ASSERT_TRUE(scaler.Scale(canvas, dest, image));
  EXPECT_TRUE(scaler.Drawn().isEmpty());
  for (int y = 0; y < canvas.height(); ++y)
    for (int x = 0; x < canvas.width(); ++x)
      ASSERT_EQ(At(canvas, x, y), 0xFFABCDEFu) << "at " << x << "," << y;

  // A pixel changed in the picture's bottom-right corner, another on its
  // left: they are drawn, the top-left corner is not.
  picture.src.back() = static_cast<std::uint16_t>(~src.back());
  picture.src[w * 20 + 5] = static_cast<std::uint16_t>(~src[w * 20 + 5]);
  ASSERT_TRUE(scaler.Scale(canvas, dest, image));
  ExpectDrawnCoversChanges(canvas, scaler.Drawn(), 0xFFABCDEFu);
  EXPECT_FALSE(scaler.Drawn().contains(dest.topLeft()));
  EXPECT_EQ(At(canvas, dest.right(), dest.bottom()), Widen(src.back(), true));
  EXPECT_EQ(At(canvas, dest.left(), dest.top()), 0xFFABCDEFu);
  EXPECT_EQ(At(canvas, 0, 0), 0xFFABCDEFu);  // a bar

  // Written through Qt, the image is known to have changed: drawn whole.
  canvas.fill(0xFF000001u);
  ASSERT_TRUE(scaler.Scale(canvas, dest, image));
  ExpectScaled(canvas, dest, src, w, h, true);
}

// A window image freed and a new one made in the same memory (as the C
// library does for one of the same size) is a new image: its contents are
// unknown, so everything is drawn, bars included.
TEST(RasterScaler, ANewImageInTheOldOnesMemoryIsDrawnWhole) {
  const RandomPicture picture(12);
  const auto& [w, h, dest, src, image] = picture;
  std::vector<std::uint32_t> memory(240 * 108);
  auto* bytes = reinterpret_cast<uchar*>(memory.data());
  RasterScaler scaler;
  {
    QImage first(bytes, 240, 108, 240 * 4, QImage::Format_RGB32);
    ASSERT_TRUE(scaler.Scale(first, dest, image));
  }
  std::fill(memory.begin(), memory.end(), 0xFF654321u);
  QImage second(bytes, 240, 108, 240 * 4, QImage::Format_RGB32);
  ASSERT_TRUE(scaler.Scale(second, dest, image));
  ASSERT_EQ(second.constBits(), bytes);
  ExpectScaled(second, dest, src, w, h, true);
}

TEST(RasterScaler, RefusesWhatItCannotDraw) {
  std::vector<std::uint16_t> src(16, 0xFFFF);
  PresentImage image;
  image.Bits = reinterpret_cast<const std::uint8_t*>(src.data());
  image.Width = image.Height = 4;
  image.Pitch = 8;
  RasterScaler scaler;
  QImage rgb16(8, 8, QImage::Format_RGB16);
  EXPECT_FALSE(scaler.Scale(rgb16, QRect(0, 0, 8, 8), image));
  QImage canvas(8, 8, QImage::Format_RGB32);
  EXPECT_FALSE(scaler.Scale(canvas, QRect(0, 0, 0, 8), image));
  image.BitCount = 32;
  EXPECT_FALSE(scaler.Scale(canvas, QRect(0, 0, 8, 8), image));
}

}  // namespace
