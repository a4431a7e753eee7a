#pragma once

#include <string_view>

// The Windows virtual-key code of a physical key, named as KeyboardEvent.code
// names it ("KeyK", "ArrowUp", "Numpad8"); 0 when the key has no code here.
// Physical keys, not characters: K drives forward on every layout, and the
// keypad digits drive whether NumLock is on or not.
int VirtualKeyFromCode(std::string_view code);

// An on-screen control pressed (down) or released, named as the key it stands
// for ("ArrowUp", "Space"). It counts as that key, under the keyboard's rules,
// but is released on its own: a finger lifted does not release the keyboard's
// key, nor a key released the finger's.
void PressControl(std::string_view code, bool down);

// Listens to the page's key presses and releases and feeds them to the
// key-state table and to the form that has the keyboard.
void InstallWebKeys();
