#pragma once

#include <cstdint>

// A game pad or joystick as the input component reads it, in the shape of the
// classic multimedia joystick interface: each attached pad has a small id, its
// capabilities give the raw range of every axis, and a poll gives the raw axis
// values and the button bits.
struct JoystickCaps {
  std::uint32_t xMin = 0, xMax = 0;
  std::uint32_t yMin = 0, yMax = 0;
  // A pad without a third axis reports zMin == zMax, which reads as centred.
  std::uint32_t zMin = 0, zMax = 0;
  int numButtons = 0;  // at most 32
};

struct JoystickPosition {
  std::uint32_t x = 0, y = 0, z = 0;
  std::uint32_t buttons = 0;  // bit i: button i pressed
};

class JoystickPort {
 public:
  virtual ~JoystickPort() = default;

  // Picks up pads plugged in and forgets pads pulled out since the last call,
  // and samples the attached ones. One call per poll, before the reads below.
  virtual void Refresh() = 0;

  // Ids run from 0 to MaxId - 1. An id keeps naming the same pad while it
  // stays attached; a pad plugged in later takes the lowest free id.
  static constexpr int MaxId = 256;

  // False when no pad answers at that id.
  virtual bool GetDevCaps(int id, JoystickCaps& caps) const = 0;
  // False when no pad answers at that id (for example it was just pulled out).
  virtual bool GetPos(int id, JoystickPosition& pos) const = 0;
};

// The port the program uses; tests install their own.
JoystickPort& CurrentJoystick();
void SetCurrentJoystick(JoystickPort* port);  // nullptr restores the real one
