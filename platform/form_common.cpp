// What a form is whatever window system stands behind it: its listeners, its
// key handler and the count of display-framework windows.
#include <algorithm>

#include "platform/application.h"
#include "platform/form.h"

void TForm::AddListener(FormListener* listener) {
  if (std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
    listeners_.push_back(listener);
}

void TForm::RemoveListener(FormListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void TForm::KeyDown(int virtualKey, TShiftState shift) {
  if (!OnKeyDown) return;
  std::uint16_t key = static_cast<std::uint16_t>(virtualKey);
  Dispatch([&] { OnKeyDown(this, key, shift); });
}

namespace {
int dxFormCount = 0;
}

TDXForm::TDXForm(TComponent* owner) : TForm(owner) {
  ++dxFormCount;
}

TDXForm::~TDXForm() {
  --dxFormCount;
}

int TDXForm::Count() {
  return dxFormCount;
}
