#include "web/scenes.h"

#include <array>
#include <cstring>
#include <memory>

#include "gfx/dib.h"
#include "gfx/stream.h"
#include "platform/canvas_backend.h"
#include "platform/doubles.h"
#include "platform/headless_display.h"
#include "platform/joystick.h"
#include "platform/key_state.h"
#include "platform/virtual_keys.h"
#include "sim/velnar_form.h"
#include "tests/common/golden_state.h"

namespace {

class ScriptKeys final : public KeyStatePort {
 public:
  void GetKeyboardState(std::uint8_t (&out)[256]) override { std::memcpy(out, Keys.data(), 256); }
  bool IsForeground(const TComponent*) const override { return true; }
  std::array<std::uint8_t, 256> Keys{};
};

class NoPads final : public JoystickPort {
 public:
  void Refresh() override {}
  bool GetDevCaps(int, JoystickCaps&) const override { return false; }
  bool GetPos(int, JoystickPosition&) const override { return false; }
};

class NoText final : public CanvasBackend {
 public:
  std::unique_ptr<CanvasDevice> Open(const CanvasSurface&) override { return nullptr; }
};

// Puts back the ports a scene replaced, whatever happens.
class ScenePorts {
 public:
  ScenePorts()
      : application_(Application()),
        displays_(DisplayDeviceFactorySlot()),
        canvas_(CanvasBackendSlot()),
        timerFactory_(IntervalTimerFactorySlot()),
        timers_(std::make_unique<ManualIntervalTimers>()) {
    // A scene's window must not take the running program's idle slot.
    SetApplication(&manual_);
    SetDisplayDeviceFactory(&headless_);
    SetCurrentKeyState(&Keys);
    SetCurrentJoystick(&pads_);
  }
  ~ScenePorts() {
    SetCurrentJoystick(nullptr);
    SetCurrentKeyState(nullptr);
    SetCanvasBackend(canvas_);
    SetDisplayDeviceFactory(displays_);
    SetApplication(application_);
    timers_.reset();
    SetIntervalTimerFactory(timerFactory_);
  }
  ScenePorts(const ScenePorts&) = delete;
  ScenePorts& operator=(const ScenePorts&) = delete;

  ScriptKeys Keys;

 private:
  ApplicationPort* application_;
  DisplayDeviceFactory* displays_;
  CanvasBackend* canvas_;
  HeadlessDisplayFactory headless_;
  NoPads pads_;
  ManualApplication manual_;
  IntervalTimerFactory* timerFactory_;
  std::unique_ptr<ManualIntervalTimers> timers_;  // the script gives the clock's ticks
};

// Frames of one lag with the given keys held; the run's clock ticks every
// 300 ms of lag while it runs.
struct Stretch {
  int Frames;
  int Lag;
  std::vector<int> Keys;
};

void Drive(TVelnarForm1& form, ScriptKeys& keys, const std::vector<Stretch>& script) {
  int sinceTick = 0;
  for (const Stretch& s : script) {
    keys.Keys.fill(0);
    for (int k : s.Keys) keys.Keys[static_cast<std::size_t>(k)] = 0x80;
    for (int i = 0; i < s.Frames; ++i) {
      form.DXTimer1Timer(&form, s.Lag);
      if (!form.Timer1->Enabled()) continue;
      sinceTick += s.Lag;
      for (; sinceTick >= 300; sinceTick -= 300) form.Timer1Timer(&form);
    }
  }
}

}  // namespace

std::vector<std::uint8_t> DrawScene(Scene scene) {
  ScenePorts ports;
  NoText noText;
  if (scene == Scene::Golden) SetCanvasBackend(&noText);
  TVelnarForm1 form;
  switch (scene) {
    case Scene::Golden: {
      TWyscigowkaDX& car = *form.Car;
      PlaceGoldenCar(car);
      form.DXTimer1Timer(&form, 1);
      break;
    }
    case Scene::FirstFrame:
      form.DXTimer1Timer(&form, 16);
      break;
    case Scene::Drive: {
      Drive(form, ports.Keys,
            {{1, 16, {}},
             {90, 16, {vk::Up}},
             {45, 17, {vk::Up, vk::Right}},
             {30, 33, {vk::Up}},
             {12, 16, {vk::Down}}});
      std::uint16_t t = 'T';
      form.FormKeyDown(&form, t, {});
      form.DXTimer1Timer(&form, 16);
      break;
    }
  }
  TDIB frame;
  form.DXDraw1->Surface()->AssignTo(frame);
  TMemoryStream out;
  frame.SaveToStream(out);
  return out.Bytes();
}
