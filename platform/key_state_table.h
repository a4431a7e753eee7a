#pragma once

#include <cstdint>
#include <vector>

#include "platform/key_state.h"

class TForm;

// The keyboard table behind the real key-state port: the press and release
// events of our windows, by Windows virtual-key code.
//
// A key pressed and released between two polls would be lost by a plain state
// table, so each key also keeps a latch, "pressed since the last poll", which
// the next poll reads and clears.
//
// The code of a key depends on the layout and the modifiers at the moment of
// the event (L is 76, AltGr+L on the Polish layout is no code at all; keypad 8
// turns into Up with Shift), so a release is matched to its press by the
// physical key: the release of a scan code clears exactly the code its press
// set.
class KeyStateTable final : public KeyStatePort {
 public:
  // Auto-repeated presses are ignored: the key is already down. scanCode is
  // the physical key (the platform's native scan code), 0 when unknown.
  void KeyPressed(int virtualKey, bool autoRepeat = false, std::uint32_t scanCode = 0);
  void KeyReleased(int virtualKey, bool autoRepeat = false, std::uint32_t scanCode = 0);
  // Forgets every key, the latches included (focus left our windows, a modal
  // dialog began or returned).
  void Clear();

  // A modal loop runs from BeginModal to its EndModal: meanwhile only its own
  // form (nullptr for a dialog that is not a form) can be the foreground, as
  // on Windows the moment a modal dialog shows, even while the window system
  // has yet to report the focus change. Both ends forget every key, so a key
  // held across them counts only once pressed again.
  void BeginModal(const TForm* modalForm);
  void EndModal();
  bool InModal() const { return !modal_.empty(); }

  // The form whose window has the keyboard focus; nullptr when none of ours
  // has it, which also clears the table.
  void SetFocusForm(const TForm* form);
  const TForm* FocusForm() const { return focus_; }

  bool IsDown(int virtualKey) const;
  // Whether the physical key scanCode holds a code down now.
  bool HeldAt(std::uint32_t scanCode) const {
    return scanCode > 0 && scanCode < 256 && pressedCode_[scanCode] != 0;
  }

  void GetKeyboardState(std::uint8_t (&keys)[256]) override;
  bool IsForeground(const TComponent* form) const override;

 private:
  bool down_[256] = {};
  bool latched_[256] = {};
  // The virtual-key code each physical key set when pressed (0: none down).
  std::uint8_t pressedCode_[256] = {};
  const TForm* focus_ = nullptr;
  std::vector<const TForm*> modal_;
};

// The table fed by our windows; CurrentKeyState() is this one unless a test
// installed another port.
KeyStateTable& RealKeyStateTable();
