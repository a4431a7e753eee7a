// Temporary: the port registry until the keyboard table is merged.
#include "platform/key_state.h"

namespace {
KeyStatePort* installed = nullptr;
}
KeyStatePort& CurrentKeyState() {
  return *installed;
}
void SetCurrentKeyState(KeyStatePort* port) {
  installed = port;
}
