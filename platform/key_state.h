#pragma once

#include <cstdint>

class TComponent;

// The keyboard as the input component reads it: the pressed state of each
// Windows virtual-key code, and which of our windows has the focus.
//
// The real table is fed by the key press and release events of our windows
// (auto-repeat ignored) and cleared when focus leaves them. A key pressed and
// released between two polls still reads as pressed at the next poll, once.
class KeyStatePort {
 public:
  virtual ~KeyStatePort() = default;

  // Fills keys[vk] with 0x80 for every key down (or tapped since the last
  // call) and 0 otherwise; one call is one poll.
  virtual void GetKeyboardState(std::uint8_t (&keys)[256]) = 0;

  // Whether the window of the given form (a TForm, or any component owned by
  // one) is the window that has the keyboard focus.
  virtual bool IsForeground(const TComponent* form) const = 0;
};

// The port the program uses; tests install their own.
KeyStatePort& CurrentKeyState();
void SetCurrentKeyState(KeyStatePort* port);  // nullptr restores the real one
