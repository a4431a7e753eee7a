// What the run window costs for long runs: its first paint and the memory it
// holds for a six-hour recording (against the same for a minute's run, the
// window's fixed cost), and the replay of a thirty-minute run at 4x: the
// share of a core it takes and whether every tick reaches the screen.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "app/run_window.h"
#include "tests/common/scripted_drive.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_run_window";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Laps at full speed, as a pupil who keeps driving: 60 frames a second.
const ScriptedDrive& Drive(int minutes) {
  auto make = [](int m) {
    auto* d = new ScriptedDrive;
    for (int i = 0; i < 60 * 60 * m / 8; ++i) {
      d->Frames(1, TDXInputStates{isUp, isRight}, 17);
      d->Frames(7, TDXInputStates{isUp}, 17);
    }
    d->Stop();
    return d;
  };
  static const ScriptedDrive* minute = make(1);
  static const ScriptedDrive* halfHour = make(30);
  static const ScriptedDrive* sixHours = make(360);
  return minutes <= 1 ? *minute : minutes <= 30 ? *halfHour : *sixHours;
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Opening the window: made, shown and painted once, as the pupil sees it.
void FirstPaint(benchmark::State& state, int minutes) {
  App();
  const ScriptedDrive& d = Drive(minutes);
  for (auto _ : state) {
    const std::size_t before = mallinfo2().uordblks;
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<TRunWindow>(d.Recording, FiguresOf(d.Car), true);
    window->resize(1040, 760);
    window->show();
    const QPixmap shown = window->grab();
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
    state.counters["heap_mb"] =
        static_cast<double>(mallinfo2().uordblks - before) / (1024.0 * 1024.0);
    benchmark::DoNotOptimize(shown.cacheKey());
  }
  state.counters["ticks"] = static_cast<double>(d.Recording.Samples().size());
  state.counters["path_points"] = static_cast<double>(d.Recording.PathSize());
}

void BM_RunWindowFirstPaintSixHours(benchmark::State& state) {
  FirstPaint(state, 360);
}
BENCHMARK(BM_RunWindowFirstPaintSixHours)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_RunWindowFirstPaintOneMinute(benchmark::State& state) {
  FirstPaint(state, 1);
}
BENCHMARK(BM_RunWindowFirstPaintOneMinute)->UseManualTime()->Unit(benchmark::kMillisecond);

// Counts what the values beside the charts really showed.
struct PaintCounter : QObject {
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

// Four seconds of replay at 4x from the start of a thirty-minute run.
void BM_RunWindowReplayHalfHourAt4x(benchmark::State& state) {
  App();
  const ScriptedDrive& d = Drive(30);
  TRunWindow window(d.Recording, FiguresOf(d.Car), true);
  window.resize(1040, 760);
  window.show();
  QApplication::processEvents();
  for (auto _ : state) {
    PaintCounter counter;
    window.Values->installEventFilter(&counter);
    window.SetPlaySpeed(4);
    window.SetPosition(0);
    QApplication::processEvents();
    const double cpu0 = CpuSeconds();
    QElapsedTimer clock;
    clock.start();
    window.SetPlaying(true);
    QEventLoop loop;
    QTimer::singleShot(4000, &loop, &QEventLoop::quit);
    loop.exec();
    window.SetPlaying(false);
    const double wall = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    const double ticks = window.Position();
    state.SetIterationTime(wall);
    state.counters["cpu_share"] = (CpuSeconds() - cpu0) / wall;
    state.counters["ticks_passed"] = ticks;
    state.counters["ticks_shown"] = counter.Paints;
    window.Values->removeEventFilter(&counter);
  }
}
BENCHMARK(BM_RunWindowReplayHalfHourAt4x)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
