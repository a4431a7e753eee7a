#pragma once

#include <cstdint>

// Windows virtual-key codes of the keys the program and its key assignments use.
namespace vk {
constexpr int Back = 0x08;
constexpr int Tab = 0x09;
constexpr int Return = 0x0D;
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Menu = 0x12;  // Alt
constexpr int Pause = 0x13;
constexpr int Escape = 0x1B;
constexpr int Space = 0x20;
constexpr int Prior = 0x21;
constexpr int Next = 0x22;
constexpr int End = 0x23;
constexpr int Home = 0x24;
constexpr int Left = 0x25;
constexpr int Up = 0x26;
constexpr int Right = 0x27;
constexpr int Down = 0x28;
constexpr int Insert = 0x2D;
constexpr int Delete = 0x2E;
constexpr int Key0 = 0x30;  // '0'..'9' are 0x30..0x39
constexpr int KeyA = 0x41;  // 'A'..'Z' are 0x41..0x5A
constexpr int Numpad0 = 0x60;
constexpr int Multiply = 0x6A;
constexpr int Add = 0x6B;
constexpr int Subtract = 0x6D;
constexpr int Decimal = 0x6E;
constexpr int Divide = 0x6F;
constexpr int F1 = 0x70;  // F1..F24 are 0x70..0x87
}  // namespace vk

// The virtual-key code of a Qt key (a Qt::Key value); keypad tells a key of the
// numeric keypad (Qt's keypad modifier). 0 when the key has no code here.
//
// With NumLock on, the keypad digits arrive as digits with the keypad flag and
// get the keypad codes (keypad 8 is 104, not 56). With NumLock off they arrive
// as arrows and the like, and map to those keys, which drive the same states.
int VirtualKeyFromQtKey(int qtKey, bool keypad);
