// Times the work of a driving frame: the car's move step alone, and the whole
// frame of the simulation window (the sprites' move with the car's step, and
// every picture of the frame drawn into the back buffer; not the present). One program built three
// ways (x87 long double, the portable extended type, WebAssembly), so bench/drive-ratios runs them
// by turns and divides their times. The figures are nanoseconds a step or a frame, the median of
// rounds that alternate between the kinds of work.
//
//   drive_timing [--portable-drawing] [--rounds N]
//
// --portable-drawing turns off the processor-specific fills and copies, so a
// native run does the same per-pixel work as WebAssembly.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/drive/drive_lap.h"
#include "gfx/surface_blit.h"
#include "sim/car_model.h"
#include "sim/extended.h"
#include "sim/velnar_form.h"
#include "tests/common/headless_scene.h"

namespace {

using Clock = std::chrono::steady_clock;

// Up the whole time, with the wheel turned right for a third of every
// 90 frames: the car laps round and round on the road.
bool TurningRight(int frame) {
  return (frame / 90) % 3 == 1;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class Work>
double NanosecondsEach(int count, Work&& work) {
  const auto start = Clock::now();
  for (int i = 0; i < count; ++i) work();
  const std::chrono::duration<double, std::nano> spent = Clock::now() - start;
  return spent.count() / count;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 15;
  bool portable = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--portable-drawing") portable = true;
    if (option == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
  }
  HeadlessScene scene;
  auto* form = new TVelnarForm1();
  if (portable && !form->DXDraw1->DDraw()->SetSimdLevel(TSimdLevel::Portable)) return 1;

  CarModel car;
  int carFrame = 0, formFrame = 0;
  auto carStep = [&] {
    TDXInputStates in{isUp};
    if (TurningRight(carFrame)) in.Include(isRight);
    car.Step(16, in);
    if (++carFrame == 2000) {
      car = CarModel();
      carFrame = 0;
    }
  };
  // The benchmarks' scripted lap, frame after frame.
  auto frame = [&] { DriveLapFrame(*form, formFrame++); };

  // Warm up, then rounds of each work in turn.
  NanosecondsEach(2000, carStep);
  NanosecondsEach(50, frame);
  std::vector<double> carTimes, frameTimes;
  for (int r = 0; r < rounds; ++r) {
    carTimes.push_back(NanosecondsEach(20000, carStep));
    frameTimes.push_back(NanosecondsEach(100, frame));
  }
  std::printf("arithmetic %s\ncar_step_ns %.1f\nframe_ns %.1f\n", ExtendedIsX87 ? "x87" : "soft",
              Median(carTimes), Median(frameTimes));
  delete form;
  return 0;
}
