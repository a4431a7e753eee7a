#include "platform/form.h"

#include <algorithm>

#include "platform/application.h"

// What every kind of window does alike; the window itself (Qt's, or none)
// lives in a file of its own.

void TForm::Close() {
  TCloseAction action = TCloseAction::caHide;
  if (OnClose && !Dispatch([&] { OnClose(this, action); })) return;
  if (action == TCloseAction::caNone) return;
  if (modal_ && ModalResult == 0) ModalResult = 2;  // cancel
  switch (action) {
    case TCloseAction::caHide:
      Hide();
      break;
    case TCloseAction::caFree:
      Release();
      break;
    case TCloseAction::caMinimize:
      MinimizeWindow();
      break;
    case TCloseAction::caNone:
      break;
  }
}

void TForm::SetFullScreen(bool on) {
  if (on == fullScreen_) return;
  fullScreen_ = on;
  if (Visible()) Show();
}

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
