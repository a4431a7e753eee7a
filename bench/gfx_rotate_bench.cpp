// The car drawn turned by 37 units (52 degrees) about its middle, colour-keyed,
// onto a 640 x 480 5-6-5 back buffer. References in the same run: QPainter's
// drawImage with the same turn and no smoothing onto a QImage::Format_RGB16, and
// SDL2's software renderer (SDL_RenderCopyEx, nearest-pixel sampling).
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QTransform>

#include "bench/gfx_bench_pictures.h"
#include "gfx/simd_x86.h"
#include "gfx/surface.h"

namespace {

using namespace bench_pictures;

constexpr int kAngle = 37;
constexpr double kDegrees = kAngle * 360.0 / 256.0;

void DrawRotateCar(benchmark::State& state, TSimdLevel level) {
  TDirectDraw dd;
  if (!dd.SetSimdLevel(level)) {
    state.SkipWithError("this processor lacks the level");
    return;
  }
  TDirectDrawSurface back(&dd), car(&dd);
  back.SetSize(640, 480);
  car.SetSize(40, 64);
  Paint(car, CarPixel);
  for (auto _ : state) {
    back.DrawRotate(220, 240, 40, 64, car.ClientRect(), &car, 0.5, 0.5, true, kAngle);
    benchmark::ClobberMemory();
  }
}
// The processor's best kernels, and AVX2's where the best are AVX-512's: what
// a processor without AVX-512 runs.
void BM_DrawRotateCar(benchmark::State& state) {
  DrawRotateCar(state, BestSimdLevel());
}
BENCHMARK(BM_DrawRotateCar);
void BM_DrawRotateCarAvx2(benchmark::State& state) {
  DrawRotateCar(state, TSimdLevel::Avx2);
}
BENCHMARK(BM_DrawRotateCarAvx2);

void BM_QPainterRotateCar(benchmark::State& state) {
  QImage back(640, 480, QImage::Format_RGB16);
  back.fill(0);
  // The key becomes full transparency, which is what QPainter can skip.
  QImage car(40, 64, QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 40; ++x) {
      const std::uint16_t p = CarPixel(x, y);
      car.setPixel(x, y,
                   p == kKey ? 0u : qRgb((p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3));
    }
  QPainter painter(&back);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.setRenderHint(QPainter::Antialiasing, false);
  QTransform turn;
  turn.translate(220, 240);
  turn.rotate(kDegrees);
  turn.translate(-20, -32);
  for (auto _ : state) {
    painter.setTransform(turn);
    painter.drawImage(0, 0, car);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_QPainterRotateCar);

void BM_SdlRenderCopyExCar(benchmark::State& state) {
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 16, SDL_PIXELFORMAT_RGB565);
  SDL_Surface* car = SDL_CreateRGBSurfaceWithFormat(0, 40, 64, 16, SDL_PIXELFORMAT_RGB565);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 40; ++x)
      reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(car->pixels) +
                                       y * car->pitch)[x] = CarPixel(x, y);
  SDL_SetColorKey(car, SDL_TRUE, kKey);
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(back);
  SDL_Texture* texture = renderer ? SDL_CreateTextureFromSurface(renderer, car) : nullptr;
  if (!texture) {
    state.SkipWithError("no SDL software renderer");
  } else {
    const SDL_Rect dst{200, 208, 40, 64};
    const SDL_Point centre{20, 32};
    for (auto _ : state) {
      SDL_RenderCopyEx(renderer, texture, nullptr, &dst, kDegrees, &centre, SDL_FLIP_NONE);
      benchmark::ClobberMemory();
    }
  }
  if (texture) SDL_DestroyTexture(texture);
  if (renderer) SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(car);
  SDL_FreeSurface(back);
}
BENCHMARK(BM_SdlRenderCopyExCar);

}  // namespace

BENCHMARK_MAIN();
