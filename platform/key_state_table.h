#pragma once

#include <cstdint>

#include "platform/key_state.h"

class TForm;

// The keyboard table behind the real key-state port: the press and release
// events of our windows, by Windows virtual-key code.
//
// A key pressed and released between two polls would be lost by a plain state
// table, so each key also keeps a latch, "pressed since the last poll", which
// the next poll reads and clears.
class KeyStateTable final : public KeyStatePort {
 public:
  // Auto-repeated presses are ignored: the key is already down.
  void KeyPressed(int virtualKey, bool autoRepeat = false);
  void KeyReleased(int virtualKey, bool autoRepeat = false);
  // Forgets every key, the latches included (focus left our windows, a modal
  // dialog returned).
  void Clear();

  // The form whose window has the keyboard focus; nullptr when none of ours
  // has it, which also clears the table.
  void SetFocusForm(const TForm* form);
  const TForm* FocusForm() const { return focus_; }

  bool IsDown(int virtualKey) const;

  void GetKeyboardState(std::uint8_t (&keys)[256]) override;
  bool IsForeground(const TComponent* form) const override;

 private:
  bool down_[256] = {};
  bool latched_[256] = {};
  const TForm* focus_ = nullptr;
};

// The table fed by our windows; CurrentKeyState() is this one unless a test
// installed another port.
KeyStateTable& RealKeyStateTable();
