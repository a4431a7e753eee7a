// The raster present's scaler: whole factors against the plain rule of
// nearest pixel scaling (every window pixel inside the target takes source
// pixel (x * w / W, y * h / H) widened to 8 bits a channel, every pixel
// outside it is black), every factor against what it promises a pupil (each
// source pixel as bright on the screen as any other), every level and every
// frame drawn in part against the portable level drawing the whole.
#include "platform/raster_scaler.h"

#include <gtest/gtest.h>

#include <algorithm>
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

void ExpectNearest(const QImage& canvas, const QRect& dest, const std::vector<std::uint16_t>& src,
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

PresentImage ImageOf(const std::vector<std::uint16_t>& src, int w, int h, bool is565 = true) {
  PresentImage image;
  image.Bits = reinterpret_cast<const std::uint8_t*>(src.data());
  image.Width = w;
  image.Height = h;
  image.Pitch = w * 2;
  if (!is565) image.RedMask = 0x7C00;
  return image;
}

// The picture drawn whole by the portable level into a new window image.
QImage DrawnWhole(const QSize& size, const QRect& dest, const PresentImage& image) {
  QImage canvas(size, QImage::Format_RGB32);
  canvas.fill(0xFF123456u);
  RasterScaler scaler(TSimdLevel::Portable);
  EXPECT_EQ(scaler.SimdLevel(), TSimdLevel::Portable);
  EXPECT_TRUE(scaler.Scale(canvas, dest, image));
  return canvas;
}

std::uint32_t At(const QImage& canvas, int x, int y) {
  return reinterpret_cast<const std::uint32_t*>(canvas.constScanLine(y))[x];
}

::testing::AssertionResult SamePixels(const QImage& got, const QImage& want) {
  if (got.size() != want.size()) return ::testing::AssertionFailure() << "sizes differ";
  for (int y = 0; y < got.height(); ++y)
    for (int x = 0; x < got.width(); ++x)
      if (At(got, x, y) != At(want, x, y))
        return ::testing::AssertionFailure()
               << std::hex << At(got, x, y) << " at " << std::dec << x << "," << y
               << ", drawn whole " << std::hex << At(want, x, y);
  return ::testing::AssertionSuccess();
}

// Every pixel that changed from before lies inside what the scaler says it
// drew, which is all that goes to the screen.
void ExpectDrawnCovers(const QImage& before, const QImage& after, const QRect& drawn) {
  for (int y = 0; y < after.height(); ++y)
    for (int x = 0; x < after.width(); ++x)
      if (At(before, x, y) != At(after, x, y)) {
        ASSERT_TRUE(drawn.contains(x, y)) << x << "," << y << " changed outside what was drawn";
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
    scaler.SetStore(std::get<1>(GetParam()) ? RasterScaler::Store::Streamed
                                            : RasterScaler::Store::Cached);
    return scaler;
  }
};

TEST_P(RasterScalerLevels, DrawsWhatThePortableLevelDrawsWholeWithBars) {
  std::mt19937 rng(7);
  const struct {
    int w, h;
    QSize canvas;
    QRect dest;
    bool whole;  // every factor whole, or shrinking: nearest pixels
  } cases[] = {
      {64, 48, {192, 108}, {48, 0, 144, 108}, false},   // letterboxed, 2.25 times
      {37, 21, {100, 100}, {-10, 30, 120, 40}, false},  // reaches outside the window
      {40, 30, {64, 48}, {0, 0, 64, 48}, false},        // 1.6 times
      {9, 5, {9, 5}, {0, 0, 9, 5}, true},               // one to one, fewer pixels than a vector
      {23, 13, {60, 60}, {7, 2, 46, 39}, true},         // 2 and 3 times
      {20, 20, {50, 70}, {5, 10, 13, 11}, true},        // shrunk
  };
  for (bool is565 : {true, false})
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " into " << c.dest.width() << "x"
                                      << c.dest.height() << (is565 ? " 5-6-5" : " 5-5-5"));
      std::vector<std::uint16_t> src(static_cast<std::size_t>(c.w * c.h));
      for (auto& p : src) p = static_cast<std::uint16_t>(rng());
      const PresentImage image = ImageOf(src, c.w, c.h, is565);
      QImage canvas(c.canvas, QImage::Format_RGB32);
      canvas.fill(0xFF123456u);
      RasterScaler scaler = Make();
      const auto expect = [&](const QImage& got) {
        ASSERT_TRUE(SamePixels(got, DrawnWhole(c.canvas, c.dest, image)));
        if (c.whole) ExpectNearest(got, c.dest, src, c.w, c.h, is565);
      };
      ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
      ASSERT_EQ(scaler.Streamed(), std::get<1>(GetParam()));
      expect(canvas);
      // The next frame into the same image, bars kept from the first.
      for (auto& p : src) p = static_cast<std::uint16_t>(rng());
      ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
      expect(canvas);
      // Frames that change a few pixels, or none: only those are drawn again,
      // with the window pixels that mix them with their neighbours.
      for (int frame = 0; frame < 8; ++frame) {
        for (int k = 0; k < frame; ++k) src[rng() % src.size()] = static_cast<std::uint16_t>(rng());
        const QImage before = canvas.copy();
        ASSERT_TRUE(scaler.Scale(canvas, c.dest, image));
        expect(canvas);
        ExpectDrawnCovers(before, canvas, scaler.Drawn());
      }
      // A fresh window image gets its bars painted again.
      QImage other(c.canvas, QImage::Format_RGB32);
      other.fill(0xFF654321u);
      ASSERT_TRUE(scaler.Scale(other, c.dest, image));
      expect(other);
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

// A source pixel's light on the screen: white lines one source pixel wide,
// two black ones between, at each of the three phases so that every column
// (or row) of the 640 x 480 screen is a line once; the light of a line is the
// sum of the channels over the window pixels it lights, a run between black
// ones. At 1.25, 1.6 and 2.25 times (800 x 600, 1024 x 768, 1920 x 1080
// letterboxed) nearest pixels make some lines twice as wide as others.
class EvenPixels : public ::testing::TestWithParam<TSimdLevel> {};

TEST_P(EvenPixels, EveryLineGetsTheSameLight) {
  if (!SimdLevelRuns(GetParam())) GTEST_SKIP() << "no " << SimdLevelName(GetParam());
  // Across the screen a thin strip is enough: columns, then rows.
  for (const bool columns : {true, false}) {
    const int length = columns ? 640 : 480, across = 4;
    for (const double scale : {1.25, 1.6, 2.25}) {
      const int scaled = static_cast<int>(length * scale), scaledAcross = 9;
      for (int phase = 0; phase < 3; ++phase) {
        SCOPED_TRACE(testing::Message() << (columns ? "columns" : "rows") << " at " << scale
                                        << " times, phase " << phase);
        const int w = columns ? length : across, h = columns ? across : length;
        std::vector<std::uint16_t> src(static_cast<std::size_t>(w * h));
        int lines = 0;
        for (int i = phase; i < length; i += 3, ++lines)
          for (int j = 0; j < across; ++j)
            src[static_cast<std::size_t>(columns ? j * w + i : i * w + j)] = 0xFFFF;
        const PresentImage image = ImageOf(src, w, h);
        const QSize size = columns ? QSize(scaled, scaledAcross) : QSize(scaledAcross, scaled);
        QImage canvas(size, QImage::Format_RGB32);
        RasterScaler scaler(GetParam());
        ASSERT_TRUE(scaler.Scale(canvas, canvas.rect(), image));
        ASSERT_TRUE(SamePixels(canvas, DrawnWhole(size, canvas.rect(), image)));
        // Along the middle of the strip.
        std::vector<int> light;
        bool inLine = false;
        for (int k = 0; k < scaled; ++k) {
          const std::uint32_t p =
              columns ? At(canvas, k, scaledAcross / 2) : At(canvas, scaledAcross / 2, k);
          const int sum = static_cast<int>((p >> 16 & 255) + (p >> 8 & 255) + (p & 255));
          if (sum != 0 && !inLine) light.push_back(0);
          if (sum != 0) light.back() += sum;
          inLine = sum != 0;
        }
        ASSERT_EQ(static_cast<int>(light.size()), lines);
        const auto [least, most] = std::minmax_element(light.begin(), light.end());
        EXPECT_LE(*most, *least * 1.03) << "lines lit " << *least << " to " << *most;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, EvenPixels,
                         ::testing::Values(TSimdLevel::Portable, TSimdLevel::Sse2,
                                           TSimdLevel::Avx2),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

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
  EXPECT_TRUE(SamePixels(canvas, DrawnWhole(canvas.size(), dest, image)));
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
  EXPECT_TRUE(SamePixels(second, DrawnWhole(second.size(), dest, image)));
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

// Scripted timings: the faster store costs 1 a byte, the slower 2, except
// on the first two frames after each change of store, which cost the faster a
// hundred times as much (what alternating costs, not what a store costs),
// and on two other frames of the faster, ten times as long (something else
// ran), which a median shrugs off and a mean would not. Frames storing less
// than the least timed count for nothing, however fast.
TEST(StoreChooser, KeepsTheStoreItsTimingsCallFaster) {
  for (const bool streamingFaster : {false, true}) {
    SCOPED_TRACE(streamingFaster ? "streaming faster" : "storing through the cache faster");
    TStoreChooser chooser;
    chooser.Restart(1000);
    int calls[2] = {0, 0};
    int slow = 0;
    bool last = !chooser.Streaming();
    int sinceChange = 0;
    while (!chooser.Decided()) {
      ASSERT_LT(calls[0] + calls[1], 100) << "never decided";
      const bool streaming = chooser.Streaming();
      const bool faster = streaming == streamingFaster;
      ++calls[streaming];
      std::int64_t cost = faster ? 1 : 2;
      sinceChange = streaming != last ? 0 : sinceChange + 1;
      if (sinceChange < 2 && faster)
        cost *= 100;
      else if (faster && slow < 2 && ++slow)
        cost *= 10;
      last = streaming;
      chooser.Record(streaming, cost * 4000, 4000);
      if (!faster) chooser.Record(streaming, 1, 999);
    }
    EXPECT_EQ(chooser.Streaming(), streamingFaster);
    EXPECT_GE(calls[0], TStoreChooser::kStoreTrials);
    EXPECT_GE(calls[1], TStoreChooser::kStoreTrials);
    // Kept from then on, whatever later frames would say.
    chooser.Record(streamingFaster, 1'000'000'000, 4000);
    EXPECT_EQ(chooser.Streaming(), streamingFaster);
    // A new window size: measured again.
    chooser.Restart(1000);
    EXPECT_FALSE(chooser.Decided());
  }
}

// The present measures its stores on its first frames, both of them, and
// keeps one.
TEST(RasterScaler, TriesBothStoresThenKeepsOne) {
  const RandomPicture pictures[2] = {RandomPicture(13), RandomPicture(14)};
  QImage canvas(240, 108, QImage::Format_RGB32);
  RasterScaler scaler;
  int used[2] = {0, 0};
  int frame = 0;
  for (; frame < 8 * TStoreChooser::kStoreTrials && !scaler.StoreDecided(); ++frame) {
    // Every pixel changes: each frame is timed.
    ASSERT_TRUE(scaler.Scale(canvas, pictures[0].dest, pictures[frame & 1].image));
    ++used[scaler.Streamed()];
  }
  ASSERT_TRUE(scaler.StoreDecided());
  EXPECT_GE(used[0], TStoreChooser::kStoreTrials);
  EXPECT_GE(used[1], TStoreChooser::kStoreTrials);
  ASSERT_TRUE(scaler.Scale(canvas, pictures[0].dest, pictures[frame++ & 1].image));
  const bool kept = scaler.Streamed();
  for (int k = 0; k < 3; ++k, ++frame) {
    ASSERT_TRUE(scaler.Scale(canvas, pictures[0].dest, pictures[frame & 1].image));
    EXPECT_EQ(scaler.Streamed(), kept);
  }
}

}  // namespace
