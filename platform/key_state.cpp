#include "platform/key_state.h"

#include "platform/component.h"
#include "platform/form.h"
#include "platform/key_state_table.h"

namespace {
KeyStatePort* installed = nullptr;

bool ValidKey(int virtualKey) {
  return virtualKey > 0 && virtualKey < 256;
}
}  // namespace

void KeyStateTable::KeyPressed(int virtualKey, bool autoRepeat, std::uint32_t scanCode) {
  if (!ValidKey(virtualKey) || autoRepeat) return;
  down_[virtualKey] = true;
  latched_[virtualKey] = true;
  if (scanCode > 0 && scanCode < 256)
    pressedCode_[scanCode] = static_cast<std::uint8_t>(virtualKey);
}

void KeyStateTable::KeyReleased(int virtualKey, bool autoRepeat, std::uint32_t scanCode) {
  if (autoRepeat) return;
  if (scanCode > 0 && scanCode < 256 && pressedCode_[scanCode] != 0) {
    const int pressed = pressedCode_[scanCode];
    pressedCode_[scanCode] = 0;
    // Another physical key that set the same code keeps it down.
    for (int i = 1; i < 256; ++i)
      if (pressedCode_[i] == pressed) return;
    down_[pressed] = false;
    return;
  }
  if (ValidKey(virtualKey)) down_[virtualKey] = false;
}

void KeyStateTable::Clear() {
  for (int i = 0; i < 256; ++i) {
    down_[i] = latched_[i] = false;
    pressedCode_[i] = 0;
  }
}

void KeyStateTable::BeginModal(const TForm* modalForm) {
  modal_.push_back(modalForm);
  Clear();
}

void KeyStateTable::EndModal() {
  if (!modal_.empty()) modal_.pop_back();
  Clear();
}

void KeyStateTable::SetFocusForm(const TForm* form) {
  if (form != focus_) Clear();
  focus_ = form;
}

bool KeyStateTable::IsDown(int virtualKey) const {
  return ValidKey(virtualKey) && down_[virtualKey];
}

void KeyStateTable::GetKeyboardState(std::uint8_t (&keys)[256]) {
  for (int i = 0; i < 256; ++i) {
    keys[i] = (down_[i] || latched_[i]) ? 0x80 : 0;
    latched_[i] = false;
  }
}

bool KeyStateTable::IsForeground(const TComponent* component) const {
  if (!focus_ || !component) return false;
  const TForm* form = dynamic_cast<const TForm*>(component);
  if (!form) form = component->FindOwner<TForm>();
  return form == focus_ && (modal_.empty() || modal_.back() == form);
}

KeyStateTable& RealKeyStateTable() {
  static KeyStateTable table;
  return table;
}

KeyStatePort& CurrentKeyState() {
  return installed ? *installed : RealKeyStateTable();
}

void SetCurrentKeyState(KeyStatePort* port) {
  installed = port;
}
