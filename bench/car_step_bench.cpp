// The car's move step, once per frame, against a reference of the same shape:
// a plain double-precision Euler step with sin/cos calls and a snprintf of three
// numbers, which is what a naive frame would do.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

#include "sim/car_model.h"

namespace {

TDXInputStates InputFor(int frame) {
  TDXInputStates s{isUp};
  if ((frame / 90) % 3 == 1) s.Include(isRight);
  return s;
}

void BM_CarStep(benchmark::State& state) {
  CarModel car;
  int frame = 0;
  for (auto _ : state) {
    car.Step(16, InputFor(frame++));
    benchmark::DoNotOptimize(car.RLengthText.data());
    if (frame == 2000) {
      car = CarModel();
      frame = 0;
    }
  }
}
BENCHMARK(BM_CarStep);

void BM_ReferenceNaiveStep(benchmark::State& state) {
  double x = 192, y = 550, speed = 0, heading = 0, dist = 0;
  char text[3][32];
  int frame = 0;
  for (auto _ : state) {
    const TDXInputStates in = InputFor(frame++);
    if (in.Contains(isUp)) speed = std::max(speed - 16 * 0.3, -700.0);
    if (in.Contains(isRight)) heading = std::fmod(heading + 16 * 0.2, 256);
    const double a = heading / 256 * 2 * M_PI;
    const double nx = x + std::sin(a) * -speed / 1000 * 16;
    const double ny = y - std::cos(a) * -speed / 1000 * 16;
    dist += std::hypot(nx - x, ny - y) * 0.1914062;
    x = std::clamp(nx, 96.0, 1328.0);
    y = std::clamp(ny, 16.0, 1232.0);
    const double rx = (x - 192) * 0.1914062, ry = (550 - y) * 0.1914062;
    std::snprintf(text[0], 32, "%.0f", rx);
    std::snprintf(text[1], 32, "%.0f", ry);
    std::snprintf(text[2], 32, "%.1f", std::hypot(rx, ry));
    benchmark::DoNotOptimize(text);
    benchmark::DoNotOptimize(dist);
    if (frame == 2000) {
      x = 192, y = 550, speed = 0, heading = 0, frame = 0;
    }
  }
}
BENCHMARK(BM_ReferenceNaiveStep);

}  // namespace

BENCHMARK_MAIN();
