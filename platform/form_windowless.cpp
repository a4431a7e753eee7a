#include <string>

#include "platform/form.h"
#include "platform/key_state_table.h"

// Forms without a window, for builds of the core that have no windowing
// toolkit: the core's tests under Node.js, and front ends that present the
// back buffer themselves. A form is shown, hidden and sized as a record; it
// never has the focus, so keys reach it only through its key handler.
class FormWindow {
 public:
  std::string Caption;
  int Width = 320;
  int Height = 240;
  bool Visible = false;
};

TForm::TForm(TComponent* owner) : TComponent(owner), window_(std::make_unique<FormWindow>()) {}

TForm::~TForm() {
  Notify([this](FormListener* l) { l->FormWindowDestroying(*this); });
  DestroyComponents();
  window_.reset();
}

void TForm::Show() {
  window_->Visible = true;
  Notify([this](FormListener* l) { l->FormShown(*this); });
}

void TForm::Hide() {
  window_->Visible = false;
}

bool TForm::Visible() const {
  return window_->Visible;
}

void TForm::MinimizeWindow() {
  Hide();
}

// With no event loop to return to, nothing could free the form after the
// handler that asked for it; its owner frees it.
void TForm::Release() {
  Hide();
}

int TForm::ShowModal() {
  ModalResult = 0;
  Show();
  return ModalResult;
}

void TForm::SetCaption(const std::string& caption) {
  window_->Caption = caption;
}

std::string TForm::Caption() const {
  return window_->Caption;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  borderStyle_ = style;
}

void TForm::SetBounds(int, int, int width, int height) {
  window_->Width = width;
  window_->Height = height;
  Notify([this](FormListener* l) { l->FormResized(*this); });
}

int TForm::ClientWidth() const {
  return window_->Width;
}

int TForm::ClientHeight() const {
  return window_->Height;
}

bool TForm::Focused() const {
  return false;
}

struct ModalScope::Previous {};

ModalScope::ModalScope(const TForm* modalForm) {
  RealKeyStateTable().BeginModal(modalForm);
}

ModalScope::~ModalScope() {
  RealKeyStateTable().EndModal();
}
