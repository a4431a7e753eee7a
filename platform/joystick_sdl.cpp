// The joystick port on SDL2's joystick subsystem alone: no SDL video, no SDL
// event queue, no signal handlers, so it lives beside Qt and needs no display.
#include <SDL.h>

#include <array>

#include "platform/joystick.h"

namespace {

class SdlJoystickPort final : public JoystickPort {
 public:
  SdlJoystickPort() = default;
  SdlJoystickPort(const SdlJoystickPort&) = delete;
  SdlJoystickPort& operator=(const SdlJoystickPort&) = delete;

  ~SdlJoystickPort() override {
    if (!ready_) return;
    for (Slot& s : slots_)
      if (s.joystick) SDL_JoystickClose(s.joystick);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }

  void Refresh() override {
    if (!Start()) return;
    SDL_JoystickUpdate();  // also detects pads plugged in or pulled out
    DropDetached();
    OpenNewPads();
    for (Slot& s : slots_)
      if (s.joystick) Sample(s);
  }

  bool GetDevCaps(int id, JoystickCaps& caps) const override {
    if (id < 0 || id >= MaxId || !slots_[id].joystick) return false;
    caps = slots_[id].caps;
    return true;
  }

  bool GetPos(int id, JoystickPosition& pos) const override {
    if (id < 0 || id >= MaxId || !slots_[id].joystick) return false;
    pos = slots_[id].pos;
    return true;
  }

 private:
  struct Slot {
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID instance = -1;
    int axes = 0;
    JoystickCaps caps;
    JoystickPosition pos;
  };

  // SDL is started on the first poll, not at program start, so a program
  // that never reads a joystick never touches the input devices. A failed
  // start is not retried: the machine then simply has no joysticks.
  bool Start() {
    if (tried_) return ready_;
    tried_ = true;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetMainReady();
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return false;
    // We poll the state ourselves; queued events would only pile up unread.
    SDL_JoystickEventState(SDL_IGNORE);
    ready_ = true;
    return true;
  }

  void DropDetached() {
    for (Slot& s : slots_) {
      if (s.joystick && !SDL_JoystickGetAttached(s.joystick)) {
        SDL_JoystickClose(s.joystick);
        s = Slot{};
      }
    }
  }

  bool IsOpen(SDL_JoystickID instance) const {
    for (const Slot& s : slots_)
      if (s.joystick && s.instance == instance) return true;
    return false;
  }

  void OpenNewPads() {
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
      const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(i);
      if (instance < 0 || IsOpen(instance)) continue;
      Slot* free = nullptr;
      for (Slot& s : slots_) {
        if (!s.joystick) {
          free = &s;
          break;
        }
      }
      if (!free) return;
      SDL_Joystick* js = SDL_JoystickOpen(i);
      if (!js) continue;
      free->joystick = js;
      free->instance = instance;
      free->axes = SDL_JoystickNumAxes(js);
      free->caps = JoystickCaps{};
      if (free->axes >= 1) free->caps.xMax = 65535;
      if (free->axes >= 2) free->caps.yMax = 65535;
      if (free->axes >= 3) free->caps.zMax = 65535;
      const int buttons = SDL_JoystickNumButtons(js);
      free->caps.numButtons = buttons < 0 ? 0 : (buttons > 32 ? 32 : buttons);
      free->pos = JoystickPosition{};
    }
  }

  // SDL gives axes as -32768..32767; the port's callers expect 0..65535.
  static std::uint32_t Axis(SDL_Joystick* js, int axis) {
    return static_cast<std::uint32_t>(static_cast<int>(SDL_JoystickGetAxis(js, axis)) + 32768);
  }

  static void Sample(Slot& s) {
    s.pos = JoystickPosition{};
    if (s.axes >= 1) s.pos.x = Axis(s.joystick, 0);
    if (s.axes >= 2) s.pos.y = Axis(s.joystick, 1);
    if (s.axes >= 3) s.pos.z = Axis(s.joystick, 2);
    for (int b = 0; b < s.caps.numButtons; ++b)
      if (SDL_JoystickGetButton(s.joystick, b)) s.pos.buttons |= 1u << b;
  }

  bool tried_ = false;
  bool ready_ = false;
  std::array<Slot, MaxId> slots_{};
};

JoystickPort* installed = nullptr;

}  // namespace

JoystickPort& CurrentJoystick() {
  if (installed) return *installed;
  static SdlJoystickPort real;
  return real;
}

void SetCurrentJoystick(JoystickPort* port) {
  installed = port;
}
