#include "platform/joystick.h"

// Builds without SDL have no pads to offer until a front end installs its own.
namespace {

class NoJoystick final : public JoystickPort {
 public:
  void Refresh() override {}
  bool GetDevCaps(int, JoystickCaps&) const override { return false; }
  bool GetPos(int, JoystickPosition&) const override { return false; }
};

JoystickPort* installed = nullptr;

}  // namespace

JoystickPort& CurrentJoystick() {
  if (installed) return *installed;
  static NoJoystick none;
  return none;
}

void SetCurrentJoystick(JoystickPort* port) {
  installed = port;
}
