// Forms in the browser: the page is the one window, the simulation's canvas
// its screen; a form shown there has the keyboard while the page is active.
#include <algorithm>
#include <vector>

#include "platform/application.h"
#include "platform/form.h"
#include "platform/key_state_table.h"
#include "platform/web/web_application.h"
#include "platform/web/web_form_window.h"

namespace {

// Live forms, first shown first; the last visible one has the keyboard.
std::vector<TForm*>& Forms() {
  static std::vector<TForm*> forms;
  return forms;
}

bool pageActive = false;
int screenWidth = 640;
int screenHeight = 480;

bool Live(TForm* form) {
  return std::find(Forms().begin(), Forms().end(), form) != Forms().end();
}

void UpdateFocus() {
  TForm* form = WebForms::KeyboardForm();
  KeyStateTable& keys = RealKeyStateTable();
  const TForm* before = keys.FocusForm();
  if (before == form) return;
  keys.SetFocusForm(form);
  for (TForm* f : std::vector<TForm*>(Forms()))
    if (Live(f) && (f == before || f == form)) f->Window()->Activated(f == form);
}

}  // namespace

namespace WebForms {

TForm* KeyboardForm() {
  if (!pageActive) return nullptr;
  for (auto it = Forms().rbegin(); it != Forms().rend(); ++it)
    if ((*it)->Visible()) return *it;
  return nullptr;
}

void PageActivated(bool active) {
  pageActive = active;
  // Whatever was held while the page was away was released out of our sight.
  RealKeyStateTable().Clear();
  UpdateFocus();
}

void ScreenResized(int width, int height) {
  screenWidth = width;
  screenHeight = height;
  for (TForm* f : std::vector<TForm*>(Forms()))
    if (Live(f)) f->Window()->Resized(width, height);
}

}  // namespace WebForms

void FormWindow::KeyDown(int virtualKey, TShiftState shift) {
  form_->KeyDown(virtualKey, shift);
}

void FormWindow::Activated(bool active) {
  form_->Notify([&](FormListener* l) { l->FormActivated(*form_, active); });
}

void FormWindow::Resized(int width, int height) {
  if (width == Width && height == Height) return;
  Width = width;
  Height = height;
  form_->Notify([&](FormListener* l) { l->FormResized(*form_); });
}

TForm::TForm(TComponent* owner) : TComponent(owner), window_(std::make_unique<FormWindow>(this)) {
  Forms().push_back(this);
  if (ApplicationPort* app = Application()) pageActive = app->Active();
}

TForm::~TForm() {
  Notify([this](FormListener* l) { l->FormWindowDestroying(*this); });
  // The components may still talk to the form while they go.
  DestroyComponents();
  std::erase(Forms(), this);
  if (RealKeyStateTable().FocusForm() == this) RealKeyStateTable().SetFocusForm(nullptr);
  UpdateFocus();
  window_.reset();
}

void TForm::Show() {
  // The form shown last comes to the front.
  std::erase(Forms(), this);
  Forms().push_back(this);
  if (fullScreen_) {
    window_->Width = screenWidth;
    window_->Height = screenHeight;
  }
  const bool wasVisible = window_->Visible;
  window_->Visible = true;
  if (!wasVisible) Notify([this](FormListener* l) { l->FormShown(*this); });
  UpdateFocus();
}

void TForm::Hide() {
  window_->Visible = false;
  UpdateFocus();
}

bool TForm::Visible() const {
  return window_->Visible;
}

// A page has nowhere to minimise to.
void TForm::MinimizeWindow() {
  Hide();
}

void TForm::Release() {
  // Freed after the event being handled, never in the middle of the form's
  // own handler; a form freed meanwhile by other means is left alone.
  TForm* self = this;
  WebApplication::Post([self] {
    if (Live(self)) delete self;
  });
}

// A page cannot wait inside a call: the form is shown over the others and
// the call returns at once. The keyboard is the form's alone while it is
// visible (nothing below it can be the foreground).
int TForm::ShowModal() {
  ModalResult = 0;
  modal_ = true;
  Show();
  return 0;
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
  window_->Resized(width, height);
}

int TForm::ClientWidth() const {
  return window_->Width;
}

int TForm::ClientHeight() const {
  return window_->Height;
}

bool TForm::Focused() const {
  return RealKeyStateTable().FocusForm() == this;
}

struct ModalScope::Previous {};

ModalScope::ModalScope(const TForm* modalForm) : previous_(std::make_unique<Previous>()) {
  RealKeyStateTable().BeginModal(modalForm);
}

ModalScope::~ModalScope() {
  RealKeyStateTable().EndModal();
}
