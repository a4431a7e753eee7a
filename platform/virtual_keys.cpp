#include "platform/virtual_keys.h"

#include <Qt>

int VirtualKeyFromQtKey(int qtKey, bool keypad) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return keypad ? vk::Numpad0 + (qtKey - Qt::Key_0) : vk::Key0 + (qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return vk::KeyA + (qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return vk::F1 + (qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Backspace:
      return vk::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return vk::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return vk::Return;
    case Qt::Key_Shift:
      return vk::Shift;
    case Qt::Key_Control:
      return vk::Control;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return vk::Menu;
    case Qt::Key_Pause:
      return vk::Pause;
    case Qt::Key_Escape:
      return vk::Escape;
    case Qt::Key_Space:
      return vk::Space;
    case Qt::Key_PageUp:
      return vk::Prior;
    case Qt::Key_PageDown:
      return vk::Next;
    case Qt::Key_End:
      return vk::End;
    case Qt::Key_Home:
      return vk::Home;
    case Qt::Key_Left:
      return vk::Left;
    case Qt::Key_Up:
      return vk::Up;
    case Qt::Key_Right:
      return vk::Right;
    case Qt::Key_Down:
      return vk::Down;
    case Qt::Key_Insert:
      return vk::Insert;
    case Qt::Key_Delete:
      return vk::Delete;
    case Qt::Key_Asterisk:
      return keypad ? vk::Multiply : 0;
    case Qt::Key_Plus:
      return keypad ? vk::Add : 0xBB;  // the '=+' key
    case Qt::Key_Minus:
      return keypad ? vk::Subtract : 0xBD;
    case Qt::Key_Period:
      return keypad ? vk::Decimal : 0xBE;
    case Qt::Key_Comma:
      return keypad ? vk::Decimal : 0xBC;  // some layouts put a comma on the keypad
    case Qt::Key_Slash:
      return keypad ? vk::Divide : 0xBF;
    default:
      return 0;
  }
}
