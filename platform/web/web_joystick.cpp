// Game pads through the Gamepad API, in the shape of the classic joystick
// interface: axes -1..1 become 0..65535, and a pad keeps its id while it
// stays connected (the browser's own index).
#include <emscripten/html5.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "platform/joystick.h"

namespace {

std::uint32_t Raw(double axis) {
  const double clamped = std::clamp(axis, -1.0, 1.0);
  return static_cast<std::uint32_t>(std::lround((clamped + 1.0) * 32767.5));
}

class GamepadPort final : public JoystickPort {
 public:
  void Refresh() override {
    for (Pad& p : pads_) p.connected = false;
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int count = std::min(emscripten_get_num_gamepads(), static_cast<int>(pads_.size()));
    for (int i = 0; i < count; ++i) {
      EmscriptenGamepadEvent state{};
      if (emscripten_get_gamepad_status(i, &state) != EMSCRIPTEN_RESULT_SUCCESS) continue;
      if (!state.connected) continue;
      Pad& p = pads_[static_cast<std::size_t>(i)];
      p.connected = true;
      p.axes = std::min(state.numAxes, 3);
      p.buttons = std::min(state.numButtons, 32);
      p.pos = JoystickPosition{};
      p.pos.x = p.axes > 0 ? Raw(state.axis[0]) : 32768;
      p.pos.y = p.axes > 1 ? Raw(state.axis[1]) : 32768;
      p.pos.z = p.axes > 2 ? Raw(state.axis[2]) : 32768;
      for (int b = 0; b < p.buttons; ++b)
        if (state.digitalButton[b]) p.pos.buttons |= 1u << b;
    }
  }

  bool GetDevCaps(int id, JoystickCaps& caps) const override {
    const Pad* p = At(id);
    if (!p) return false;
    caps = JoystickCaps{};
    caps.xMax = caps.yMax = 65535;
    caps.zMax = p->axes > 2 ? 65535 : 0;
    caps.numButtons = p->buttons;
    return true;
  }

  bool GetPos(int id, JoystickPosition& pos) const override {
    const Pad* p = At(id);
    if (!p) return false;
    pos = p->pos;
    return true;
  }

 private:
  struct Pad {
    bool connected = false;
    int axes = 0;
    int buttons = 0;
    JoystickPosition pos;
  };
  const Pad* At(int id) const {
    if (id < 0 || id >= static_cast<int>(pads_.size()) || !pads_[id].connected) return nullptr;
    return &pads_[id];
  }
  std::array<Pad, 8> pads_;
};

JoystickPort* installed = nullptr;

}  // namespace

JoystickPort& CurrentJoystick() {
  static GamepadPort pads;
  return installed ? *installed : pads;
}

void SetCurrentJoystick(JoystickPort* port) {
  installed = port;
}
