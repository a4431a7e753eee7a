#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/joystick.h"
#include "platform/key_state.h"

// A keyboard whose keys and focus the test sets by hand. Installed for the
// lifetime of the object.
class ScriptedKeyState : public KeyStatePort {
 public:
  ScriptedKeyState() { SetCurrentKeyState(this); }
  ~ScriptedKeyState() override { SetCurrentKeyState(nullptr); }

  void Press(int vk) { keys[vk] = 0x80; }
  void Release(int vk) { keys[vk] = 0; }

  void GetKeyboardState(std::uint8_t (&out)[256]) override {
    ++polls;
    std::memcpy(out, keys.data(), 256);
  }
  bool IsForeground(const TComponent* form) const override {
    lastForm = form;
    return foreground;
  }

  std::array<std::uint8_t, 256> keys{};
  bool foreground = true;
  int polls = 0;
  mutable const TComponent* lastForm = nullptr;
};

// Pads that the test plugs in and pulls out by id.
class ScriptedJoystick : public JoystickPort {
 public:
  ScriptedJoystick() { SetCurrentJoystick(this); }
  ~ScriptedJoystick() override { SetCurrentJoystick(nullptr); }

  struct Pad {
    bool attached = false;
    JoystickCaps caps;
    JoystickPosition pos;
  };

  Pad& Plug(int id, std::uint32_t max = 65535, int buttons = 32) {
    Pad& p = pads[id];
    p.attached = true;
    p.caps = JoystickCaps{0, max, 0, max, 0, max, buttons};
    p.pos = JoystickPosition{max / 2, max / 2, max / 2, 0};
    return p;
  }
  void Pull(int id) { pads[id].attached = false; }

  void Refresh() override { ++refreshes; }
  bool GetDevCaps(int id, JoystickCaps& caps) const override {
    if (id < 0 || id >= MaxId || !pads[id].attached) return false;
    caps = pads[id].caps;
    return true;
  }
  bool GetPos(int id, JoystickPosition& pos) const override {
    if (id < 0 || id >= MaxId || !pads[id].attached) return false;
    pos = pads[id].pos;
    return true;
  }

  std::array<Pad, MaxId> pads{};
  int refreshes = 0;
};
