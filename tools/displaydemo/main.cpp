// A small program that runs the real frame loop: the display full screen at
// 640 x 480 x 16, shapes moving on the back buffer, presented once per frame
// after the (paced) vertical blank. Esc quits.
//
//   displaydemo [--frames N]   quit after N frames and print the loop's figures
//                              (frames per second, CPU use, launch to first frame)
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>

#include "engine/dx_timer.h"
#include "gfx/canvas.h"
#include "gfx/display.h"
#include "gfx/surface.h"
#include "platform/form.h"
#include "platform/qt_application.h"
#include "platform/qt_display.h"
#include "platform/virtual_keys.h"

namespace {

double Seconds(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// Seconds since the process was started, from the kernel's start time.
double SinceLaunch() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const std::size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  char* p = text.data() + close + 2;
  for (int field = 3; field < 22; ++field) p = std::strchr(p, ' ') + 1;
  const double start = std::strtod(p, nullptr) / static_cast<double>(sysconf(_SC_CLK_TCK));
  return Seconds(CLOCK_BOOTTIME) - start;
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

struct Demo {
  TDXForm* form = nullptr;
  TDXDraw* draw = nullptr;
  TDXTimer* timer = nullptr;
  std::unique_ptr<TDirectDrawSurface> block;
  double t = 0;
  int frames = 0;
  int maxFrames = 0;
  double firstFrame = -1;
  double loopStartWall = 0, loopStartCpu = 0;

  void MakeSprites() {
    block = std::make_unique<TDirectDrawSurface>(draw->DDraw());
    block->SetSize(48, 48);
    block->Fill(block->ColorMatch(clFuchsia));
    block->SetTransparentColor(block->ColorMatch(clFuchsia));
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 48; ++x) {
        const int dx = x - 24, dy = y - 24;
        if (dx * dx + dy * dy < 23 * 23)
          block->SetPixels(x, y, block->ColorMatch(0x0000FF + ((x * 5) << 8)));
      }
  }

  void Frame(int lag) {
    if (!draw->CanDraw()) return;
    t += lag / 1000.0;
    TDirectDrawSurface& back = *draw->Surface();
    back.Fill(0);
    for (int i = 0; i < 8; ++i) {
      const double a = t * (0.7 + i * 0.15) + i;
      const int x = 296 + static_cast<int>(220 * std::cos(a));
      const int y = 216 + static_cast<int>(170 * std::sin(a * 1.3));
      back.Draw(x, y, Rect(0, 0, 48, 48), block.get(), true);
    }
    TDirectDrawSurfaceCanvas& canvas = back.Canvas();
    canvas.Pen.Color = clLime;
    const int sweep = static_cast<int>(t * 120) % 640;
    canvas.MoveTo(sweep, 0);
    canvas.LineTo(640 - sweep, 479);
    canvas.Brush.Style = bsClear;
    canvas.Font.Color = clYellow;
    char text[64];
    std::snprintf(text, sizeof text, "Klatki/s: %d  Esc: koniec", timer->FrameRate());
    canvas.TextOut(8, 8, text);
    canvas.Release();
    draw->Flip();

    ++frames;
    if (firstFrame < 0) {
      firstFrame = SinceLaunch();
      loopStartWall = Seconds(CLOCK_MONOTONIC);
      loopStartCpu = CpuSeconds();
    }
    if (maxFrames > 0 && frames >= maxFrames) Report();
  }

  void Report() {
    const double wall = Seconds(CLOCK_MONOTONIC) - loopStartWall;
    const double cpu = CpuSeconds() - loopStartCpu;
    auto* device = dynamic_cast<QtDisplayDevice*>(draw->Device());
    std::printf(
        "{\"frames\": %d, \"fps\": %.2f, \"cpu_percent\": %.1f, \"first_frame_ms\": %.1f, "
        "\"presenter\": \"%s\"}\n",
        frames - 1, (frames - 1) / wall, 100.0 * cpu / wall, firstFrame * 1000.0,
        device && device->CurrentPresenter() ? device->CurrentPresenter()->Name() : "none");
    std::fflush(stdout);
    form->Close();
  }
};

}  // namespace

int main(int argc, char** argv) {
  Demo demo;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--frames") == 0) demo.maxFrames = std::atoi(argv[i + 1]);

  TApplication app(argc, argv);
  app.Title = "Velnar";
  auto* form = new TDXForm;
  demo.form = form;
  form->SetCaption("Velnar display");
  form->OnKeyDown = [&](TComponent*, std::uint16_t& key, TShiftState) {
    if (key == vk::Escape) form->Close();
  };
  form->OnClose = [&](TComponent*, TCloseAction& action) {
    action = TCloseAction::caFree;
    app.Terminate();
  };

  demo.draw = new TDXDraw(form);
  demo.timer = new TDXTimer(form);
  TDXDraw& draw = *demo.draw;
  TDXTimer& timer = *demo.timer;
  timer.BeginLoading();
  timer.SetEnabled(false);
  timer.SetInterval(0);
  timer.EndLoading();
  timer.OnTimer = [&](TComponent*, std::int32_t lag) { demo.Frame(lag); };

  draw.AutoInitialize = false;
  draw.SetOptions({doAllowReboot, doWaitVBlank, doCenter, doFullScreen});
  draw.OnInitialize = [&](TComponent*) {
    demo.MakeSprites();
    timer.SetEnabled(true);
  };
  draw.OnFinalize = [&](TComponent*) {
    timer.SetEnabled(false);
    demo.block.reset();
  };
  form->SetBorderStyle(TFormBorderStyle::bsNone);
  if (!Dispatch([&] {
        draw.Display().SetWidth(640);
        draw.Display().SetHeight(480);
        draw.Display().SetBitCount(16);
        draw.Initialize();
      }))
    return 1;
  form->Show();
  return app.Run();
}
