// One whole simulation frame drawn into the back buffer (the sprites' move,
// fill, track and car, frame and panel, odometer, needle, minimap with its
// arrows, the read-outs and the canvas release; not the present), with the
// real pictures and the real text backend, against memcpy of one
// 640 x 480 x 2-byte buffer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/drive/drive_lap.h"
#include "bench/simulation_scene.h"

namespace {

struct Scene : SimulationScene {
  Scene() : SimulationScene("bench_frame") {
    // Mid-lap on the top straight, turned into the bend, at speed.
    form->Car->X = 520;
    form->Car->Y = 120;
    form->Car->Model.Heading = 70;
    form->Car->Model.Speed = -600;
    form->Car->Model.Distance = 1234.5;
    form->Car->Model.Step(16, {});
    form->DXSpriteEngine1->Move(16);
    form->RenderFrame();  // the first text loads the fonts
  }
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

// The headline: the car really driving, as the frame loop runs it. Up is held
// (with a stretch of Right in every lap of 300 frames, after which the car
// starts again from the start point) through the sprite engine's Move, so the
// track scrolls, the car and the needle turn and the read-outs, the odometer
// and the minimap change every frame; the clock ticks every 18 frames (300 ms
// at 60 Hz).
void BM_FrameDriving(benchmark::State& state) {
  Scene& s = TheScene();
  int frame = 0;
  for (auto _ : state) {
    DriveLapFrame(*s.form, frame);
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
    ++frame;
  }
}
BENCHMARK(BM_FrameDriving);

// The car parked mid-lap: nothing changes from frame to frame.
void BM_FrameParked(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    s.form->RenderFrame();
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
}
BENCHMARK(BM_FrameParked);

void BM_ReferenceCopyOfOneFrame(benchmark::State& state) {
  std::vector<std::uint8_t> from(640 * 480 * 2, 7), to(640 * 480 * 2);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ReferenceCopyOfOneFrame);

}  // namespace

BENCHMARK_MAIN();
