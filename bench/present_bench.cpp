// The present path per frame: the 640 x 480 x 16 back buffer uploaded and
// drawn full screen, next to a memcpy of the same bytes. Needs an X server.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/form.h"
#include "platform/form_window.h"
#include "platform/qt_application.h"
#include "platform/qt_display.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

TApplication& App() {
  static int argc = 1;
  static char name[] = "present-bench";
  static char* argv[] = {name, nullptr};
  static TApplication* app = new TApplication(argc, argv);
  return *app;
}

std::vector<std::uint16_t> Picture() {
  std::vector<std::uint16_t> pixels(static_cast<size_t>(kWidth) * kHeight);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<std::uint16_t>(i * 2654435761u);
  return pixels;
}

void Present(benchmark::State& state, bool raster) {
  App();
  TForm form;
  QtDisplayDevice device;
  device.SetCooperativeLevel(&form, true);
  device.SetDisplayMode(DisplayMode{kWidth, kHeight, 16});
  form.Show();
  while (!form.Window()->isExposed()) App().ProcessMessages();
  std::unique_ptr<Presenter> presenter =
      raster ? MakeRasterPresenter(form.Window()) : MakeGlPresenter(form.Window());
  if (!presenter) {
    state.SkipWithError("no presenter");
    return;
  }
  // Making the presenter may have made the window anew.
  while (!form.Window()->isExposed()) App().ProcessMessages();
  std::vector<std::uint16_t> pixels = Picture();
  PresentImage image;
  image.Bits = reinterpret_cast<const std::uint8_t*>(pixels.data());
  image.Width = kWidth;
  image.Height = kHeight;
  image.Pitch = kWidth * 2;
  const PresentRect target{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    pixels[state.iterations() % pixels.size()] ^= 0xFFFF;  // a changed frame each time
    presenter->Present(image, target, kWidth, kHeight);
  }
  App().ProcessMessages();
}

void BM_PresentOpenGL(benchmark::State& state) {
  Present(state, false);
}
BENCHMARK(BM_PresentOpenGL);

void BM_PresentRaster(benchmark::State& state) {
  Present(state, true);
}
BENCHMARK(BM_PresentRaster);

void BM_ReferenceMemcpy(benchmark::State& state) {
  std::vector<std::uint16_t> from = Picture();
  std::vector<std::uint16_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * 2);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReferenceMemcpy);

}  // namespace

BENCHMARK_MAIN();
