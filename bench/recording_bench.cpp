// What recording the run costs a frame: a driving frame (the car's move
// through the sprite engine, then everything drawn into the back buffer) with
// and without the path point the frame records, and the frame with the path
// shown on the minimap after an hour's drive. The memory of an hour's
// recording is reported as counters.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/simulation_scene.h"
#include "tests/common/scripted_drive.h"

namespace {

struct Scene : SimulationScene {
  Scene() : SimulationScene("bench_recording") {
    Place();
    form->RenderFrame();  // the first text loads the fonts
  }
  // Back to the top straight, turned into the bend, at speed.
  void Place() {
    form->Car->X = 520;
    form->Car->Y = 120;
    form->Car->Model.Heading = 70;
    form->Car->Model.Speed = -600;
  }
  void Frame(bool record) {
    if (++frames % 64 == 0) Place();
    form->Car->Model.Speed = -600;
    form->DXSpriteEngine1->Move(16);
    if (record) form->Recording.RecordPosition(form->Car->X, form->Car->Y);
    form->DXSpriteEngine1->Dead();
    form->RenderFrame();
  }
  int frames = 0;
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

// An hour at 60 frames a second, circling at full speed on the road.
void DriveAnHour(ScriptedDrive& d) {
  for (int i = 0; i < 60 * 3600 / 8; ++i) {
    d.Frames(1, TDXInputStates{isUp, isRight}, 17);
    d.Frames(7, TDXInputStates{isUp}, 17);
  }
}

void BM_DrivingFrameRecorded(benchmark::State& state) {
  Scene& s = TheScene();
  s.form->ShowPathOnMinimap = false;
  for (auto _ : state) {
    s.Frame(true);
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
  // Keep the recording from growing across repetitions.
  s.form->Recording.Reset();
}
BENCHMARK(BM_DrivingFrameRecorded);

void BM_ReferenceDrivingFrame(benchmark::State& state) {
  Scene& s = TheScene();
  s.form->ShowPathOnMinimap = false;
  for (auto _ : state) {
    s.Frame(false);
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
}
BENCHMARK(BM_ReferenceDrivingFrame);

void BM_DrivingFramePathShownAfterAnHour(benchmark::State& state) {
  Scene& s = TheScene();
  ScriptedDrive hour;
  DriveAnHour(hour);
  s.form->Recording = std::move(hour.Recording);
  s.form->ShowPathOnMinimap = true;
  for (auto _ : state) {
    s.Frame(true);
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
  s.form->ShowPathOnMinimap = false;
  s.form->Recording.Reset();
}
BENCHMARK(BM_DrivingFramePathShownAfterAnHour);

void BM_HourOfRecordingMemory(benchmark::State& state) {
  for (auto _ : state) {
    ScriptedDrive d;
    DriveAnHour(d);
    const RunRecording& r = d.Recording;
    state.counters["bytes"] = static_cast<double>(r.MemoryBytes());
    state.counters["points"] = static_cast<double>(r.PathSize());
    state.counters["ticks"] = static_cast<double>(r.Samples().size());
    state.counters["minimap_runs"] = static_cast<double>(r.MinimapRuns().size());
  }
}
BENCHMARK(BM_HourOfRecordingMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
