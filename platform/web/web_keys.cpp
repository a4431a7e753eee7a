#include "platform/web/web_keys.h"

#include <emscripten/html5.h>

#include <array>
#include <cstring>
#include <utility>

#include "platform/form.h"
#include "platform/key_state_table.h"
#include "platform/virtual_keys.h"
#include "platform/web/web_form_window.h"

namespace {

struct CodeKey {
  std::string_view Code;
  int Key;
};

// Every key the program or its key assignments can use, with its place in
// this table standing in for the scan code.
constexpr std::array<CodeKey, 83> kCodes = {{
    {"Backspace", vk::Back},
    {"Tab", vk::Tab},
    {"Enter", vk::Return},
    {"NumpadEnter", vk::Return},
    {"ShiftLeft", vk::Shift},
    {"ShiftRight", vk::Shift},
    {"ControlLeft", vk::Control},
    {"ControlRight", vk::Control},
    {"AltLeft", vk::Menu},
    {"AltRight", vk::Menu},
    {"Pause", vk::Pause},
    {"Escape", vk::Escape},
    {"Space", vk::Space},
    {"PageUp", vk::Prior},
    {"PageDown", vk::Next},
    {"End", vk::End},
    {"Home", vk::Home},
    {"ArrowLeft", vk::Left},
    {"ArrowUp", vk::Up},
    {"ArrowRight", vk::Right},
    {"ArrowDown", vk::Down},
    {"Insert", vk::Insert},
    {"Delete", vk::Delete},
    {"Digit0", vk::Key0 + 0},
    {"Digit1", vk::Key0 + 1},
    {"Digit2", vk::Key0 + 2},
    {"Digit3", vk::Key0 + 3},
    {"Digit4", vk::Key0 + 4},
    {"Digit5", vk::Key0 + 5},
    {"Digit6", vk::Key0 + 6},
    {"Digit7", vk::Key0 + 7},
    {"Digit8", vk::Key0 + 8},
    {"Digit9", vk::Key0 + 9},
    {"KeyA", vk::KeyA + 0},
    {"KeyB", vk::KeyA + 1},
    {"KeyC", vk::KeyA + 2},
    {"KeyD", vk::KeyA + 3},
    {"KeyE", vk::KeyA + 4},
    {"KeyF", vk::KeyA + 5},
    {"KeyG", vk::KeyA + 6},
    {"KeyH", vk::KeyA + 7},
    {"KeyI", vk::KeyA + 8},
    {"KeyJ", vk::KeyA + 9},
    {"KeyK", vk::KeyA + 10},
    {"KeyL", vk::KeyA + 11},
    {"KeyM", vk::KeyA + 12},
    {"KeyN", vk::KeyA + 13},
    {"KeyO", vk::KeyA + 14},
    {"KeyP", vk::KeyA + 15},
    {"KeyQ", vk::KeyA + 16},
    {"KeyR", vk::KeyA + 17},
    {"KeyS", vk::KeyA + 18},
    {"KeyT", vk::KeyA + 19},
    {"KeyU", vk::KeyA + 20},
    {"KeyV", vk::KeyA + 21},
    {"KeyW", vk::KeyA + 22},
    {"KeyX", vk::KeyA + 23},
    {"KeyY", vk::KeyA + 24},
    {"KeyZ", vk::KeyA + 25},
    {"Numpad0", vk::Numpad0 + 0},
    {"Numpad1", vk::Numpad0 + 1},
    {"Numpad2", vk::Numpad0 + 2},
    {"Numpad3", vk::Numpad0 + 3},
    {"Numpad4", vk::Numpad0 + 4},
    {"Numpad5", vk::Numpad0 + 5},
    {"Numpad6", vk::Numpad0 + 6},
    {"Numpad7", vk::Numpad0 + 7},
    {"Numpad8", vk::Numpad0 + 8},
    {"Numpad9", vk::Numpad0 + 9},
    {"NumpadMultiply", vk::Multiply},
    {"NumpadAdd", vk::Add},
    {"NumpadSubtract", vk::Subtract},
    {"NumpadDecimal", vk::Decimal},
    {"NumpadDivide", vk::Divide},
    {"F1", vk::F1 + 0},
    {"F2", vk::F1 + 1},
    {"F3", vk::F1 + 2},
    {"F4", vk::F1 + 3},
    {"F5", vk::F1 + 4},
    {"F6", vk::F1 + 5},
    {"F7", vk::F1 + 6},
    {"F8", vk::F1 + 7},
    {"F9", vk::F1 + 8},
}};

// The table's place (from 1) of a code, 0 when it is not there.
std::uint32_t PlaceOf(std::string_view code) {
  for (std::size_t i = 0; i < kCodes.size(); ++i)
    if (kCodes[i].Code == code) return static_cast<std::uint32_t>(i + 1);
  return 0;
}

TShiftState ShiftOf(const EmscriptenKeyboardEvent& e) {
  return TShiftState{e.shiftKey != 0, e.ctrlKey != 0, e.altKey != 0};
}

// On-screen controls have places of their own, past the keyboard's, so that a
// finger lifted from "Do przodu" does not release Up still held on the
// keyboard, nor the other way round.
constexpr std::uint32_t kTouchPlaces = 128;
static_assert(kCodes.size() + kTouchPlaces < 256, "places are 8-bit scan codes");

// A press of the key at `place`: into the table, and to the form that has the
// keyboard unless it is a repeat. False when no form takes keys now.
bool Press(int key, std::uint32_t place, bool repeat, TShiftState shift) {
  TForm* form = WebForms::KeyboardForm();
  KeyStateTable& keys = RealKeyStateTable();
  // While a modal window is open its own page elements take the keys.
  if (!form || keys.InModal()) return false;
  keys.KeyPressed(key, repeat, place);
  // A held key's repeats are not presses: Space held while the task closes
  // would open it again, T held would flicker the path on and off.
  if (!repeat) form->Window()->KeyDown(key, shift);
  return true;
}

EM_BOOL KeyDown(int, const EmscriptenKeyboardEvent* e, void*) {
  const std::string_view code(e->code, strnlen(e->code, sizeof e->code));
  const int key = VirtualKeyFromCode(code);
  if (key == 0) return false;
  // Arrows and Space would scroll the page, Tab move the focus off it.
  return Press(key, PlaceOf(code), e->repeat != 0, ShiftOf(*e));
}

EM_BOOL KeyUp(int, const EmscriptenKeyboardEvent* e, void*) {
  const std::string_view code(e->code, strnlen(e->code, sizeof e->code));
  RealKeyStateTable().KeyReleased(VirtualKeyFromCode(code), false, PlaceOf(code));
  return false;
}

}  // namespace

int VirtualKeyFromCode(std::string_view code) {
  const std::uint32_t place = PlaceOf(code);
  return place ? kCodes[place - 1].Key : 0;
}

void PressControl(std::string_view code, bool down) {
  const std::uint32_t place = PlaceOf(code);
  const int key = place ? kCodes[place - 1].Key : 0;
  if (key == 0) return;
  if (down) {
    Press(key, place + kTouchPlaces, false, TShiftState{});
  } else if (RealKeyStateTable().HeldAt(place + kTouchPlaces)) {
    // Only what this control still holds: after a dialog or a lost focus
    // cleared the table, the keyboard's own press of the key stays.
    RealKeyStateTable().KeyReleased(key, false, place + kTouchPlaces);
  }
}

void InstallWebKeys() {
  emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, &KeyDown);
  emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, &KeyUp);
}
