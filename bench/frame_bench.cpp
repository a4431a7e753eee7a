// One whole simulation frame drawn into the back buffer (fill, track and car,
// frame and panel, odometer, needle, minimap with its arrows, the read-outs
// and the canvas release; not the present), with the real pictures and the
// real text backend, against memcpy of one 640 x 480 x 2-byte buffer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/display_device.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "sim/number_format.h"
#include "sim/velnar_form.h"

namespace {

struct Scene {
  Scene() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app = new TApplication(argc, argv);
    SetDisplayDeviceFactory(&headless);
    form = new TVelnarForm1();
    VelnarForm1 = form;
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
  int argc = 1;
  char name[16] = "bench_frame";
  char* argv[2] = {name, nullptr};
  TApplication* app;
  HeadlessDisplayFactory headless;
  TVelnarForm1* form;
};

Scene& TheScene() {
  static Scene* scene = new Scene;
  return *scene;
}

void BM_Frame(benchmark::State& state) {
  Scene& s = TheScene();
  for (auto _ : state) {
    s.form->RenderFrame();
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
}
BENCHMARK(BM_Frame);

// The same while driving: the position and the distance change every frame,
// so the read-outs show new numbers.
void BM_FrameDriving(benchmark::State& state) {
  Scene& s = TheScene();
  CarModel& m = s.form->Car->Model;
  int frame = 0;
  for (auto _ : state) {
    m.Rx = 0.37 * frame;
    m.Ry = -0.53 * frame;
    FormatFixed(m.Rx, 0, m.RxText);
    FormatFixed(m.Ry, 0, m.RyText);
    FormatFixed(0.91 * frame, 1, m.RLengthText);
    m.Distance = 1234.5 + 1.37 * frame;
    m.TimeText = std::to_string(frame / 20);
    ++frame;
    s.form->RenderFrame();
    benchmark::DoNotOptimize(s.form->DXDraw1->Surface()->Bits());
  }
}
BENCHMARK(BM_FrameDriving);

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
