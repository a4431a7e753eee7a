// The raster present's own work at 1920 x 1080: the 640 x 480 5-6-5 back
// buffer scaled (sharp bilinear, letterboxed to 1440 x 1080) into the
// window's 32-bit image, by our scaler and by pixman (nearest filter only,
// format conversion in its SIMD paths), next to one memcpy of the window
// image. Also at 1024 x 768, 1.6 times as on 1366 x 768 laptops, where every
// source row and column mixes with the next in fifths.
// Ours twice: with every pixel of the picture changed from frame to frame
// (its worst case), and with the car parked (nothing changed).
// No X server: this is what the present costs before the image goes out.
#include <benchmark/benchmark.h>
#if defined(VELNAR_HAVE_PIXMAN)
#include <pixman.h>
#endif

#include <QImage>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/raster_scaler.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kScreenW = 1920, kScreenH = 1080;
const QRect kDest(240, 0, 1440, 1080);

// Two pictures that differ in every pixel.
std::vector<std::uint16_t>& Picture(int which = 0) {
  static std::vector<std::uint16_t> pixels[2];
  if (pixels[which].empty()) {
    pixels[which].resize(static_cast<std::size_t>(kWidth) * kHeight);
    for (std::size_t i = 0; i < pixels[which].size(); ++i)
      pixels[which][i] = static_cast<std::uint16_t>(i * 2654435761u ^ (which ? 0xFFFF : 0));
  }
  return pixels[which];
}

PresentImage Image(int which = 0) {
  PresentImage image;
  image.Bits = reinterpret_cast<const std::uint8_t*>(Picture(which).data());
  image.Width = kWidth;
  image.Height = kHeight;
  image.Pitch = kWidth * 2;
  return image;
}

// Window rows stored as the scaler measured best, or streamed past the cache,
// or stored through it; bench/run quotes the choice and both side by side.
void Changing(benchmark::State& state, int streamed, QSize screen = {kScreenW, kScreenH},
              QRect dest = kDest) {
  QImage canvas(screen, QImage::Format_RGB32);
  RasterScaler scaler;
  if (streamed >= 0)
    scaler.SetStore(streamed ? RasterScaler::Store::Streamed : RasterScaler::Store::Cached);
  const PresentImage images[2] = {Image(0), Image(1)};
  int frame = 0;
  for (auto _ : state) {
    scaler.Scale(canvas, dest, images[frame++ & 1]);
    benchmark::ClobberMemory();
  }
  state.counters["streamed"] = scaler.Streamed();
}
void BM_RasterScale1080(benchmark::State& state) {
  Changing(state, -1);
}
void BM_RasterScale1080Cached(benchmark::State& state) {
  Changing(state, 0);
}
void BM_RasterScale1080Streamed(benchmark::State& state) {
  Changing(state, 1);
}
BENCHMARK(BM_RasterScale1080);
BENCHMARK(BM_RasterScale1080Cached);
BENCHMARK(BM_RasterScale1080Streamed);
void BM_RasterScale768(benchmark::State& state) {
  Changing(state, -1, {1024, 768}, {0, 0, 1024, 768});
}
BENCHMARK(BM_RasterScale768);

void BM_RasterScale1080Parked(benchmark::State& state) {
  QImage canvas(kScreenW, kScreenH, QImage::Format_RGB32);
  RasterScaler scaler;
  const PresentImage image = Image();
  for (auto _ : state) {
    scaler.Scale(canvas, kDest, image);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RasterScale1080Parked);

#if defined(VELNAR_HAVE_PIXMAN)
void BM_PixmanScale1080(benchmark::State& state) {
  QImage canvas(kScreenW, kScreenH, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  pixman_image_t* src =
      pixman_image_create_bits(PIXMAN_r5g6b5, kWidth, kHeight,
                               reinterpret_cast<std::uint32_t*>(Picture().data()), kWidth * 2);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, kScreenW, kScreenH,
                                                 reinterpret_cast<std::uint32_t*>(canvas.bits()),
                                                 static_cast<int>(canvas.bytesPerLine()));
  pixman_transform_t scale;
  pixman_transform_init_scale(&scale, pixman_double_to_fixed(double(kWidth) / kDest.width()),
                              pixman_double_to_fixed(double(kHeight) / kDest.height()));
  pixman_image_set_transform(src, &scale);
  pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, kDest.x(), kDest.y(),
                             kDest.width(), kDest.height());
    benchmark::ClobberMemory();
  }
  pixman_image_unref(dst);
  pixman_image_unref(src);
}
BENCHMARK(BM_PixmanScale1080);
#endif

void ReferenceMemcpy(benchmark::State& state, int width, int height) {
  std::vector<std::uint32_t> from(static_cast<std::size_t>(width) * height, 0xFF123456u);
  std::vector<std::uint32_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
void BM_ReferenceMemcpy1080(benchmark::State& state) {
  ReferenceMemcpy(state, kScreenW, kScreenH);
}
BENCHMARK(BM_ReferenceMemcpy1080);
void BM_ReferenceMemcpy768(benchmark::State& state) {
  ReferenceMemcpy(state, 1024, 768);
}
BENCHMARK(BM_ReferenceMemcpy768);

}  // namespace

BENCHMARK_MAIN();
