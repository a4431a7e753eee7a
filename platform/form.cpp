#include "platform/form.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>
#include <algorithm>

#include "platform/application.h"
#include "platform/form_window.h"
#include "platform/key_state_table.h"
#include "platform/virtual_keys.h"

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
  return TShiftState{m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier),
                     m.testFlag(Qt::AltModifier)};
}

std::uint32_t ScanCodeOf(const QKeyEvent* e) {
  return e->nativeScanCode();
}

int VirtualKeyOf(const QKeyEvent* e) {
  return VirtualKeyFromQtKey(e->key(), e->modifiers().testFlag(Qt::KeypadModifier));
}

}  // namespace

FormWindow::FormWindow(TForm* form) : form_(form) {
  InstallFormAccessibility();
}

QAccessibleInterface* FormWindow::accessibleRoot() const {
  return QAccessible::queryAccessibleInterface(const_cast<FormWindow*>(this));
}

void FormWindow::EnsureSurfaceType(QSurface::SurfaceType type) {
  if (surfaceType() == type) return;
  const bool wasVisible = isVisible();
  const Qt::WindowStates states = windowStates();
  if (handle()) destroy();
  setSurfaceType(type);
  if (wasVisible) {
    setWindowStates(states);
    setVisible(true);
  }
}

void FormWindow::PostRelease() {
  QPointer<FormWindow> self(this);
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [self] {
        if (self) delete self->form_;
      },
      Qt::QueuedConnection);
}

bool FormWindow::event(QEvent* e) {
  if (e->type() == QEvent::Close) {
    // The window manager's close button closes the form the way Close does.
    e->ignore();
    form_->Close();
    return true;
  }
  return QWindow::event(e);
}

void FormWindow::keyPressEvent(QKeyEvent* e) {
  const int key = VirtualKeyOf(e);
  if (key == 0) return;
  RealKeyStateTable().KeyPressed(key, e->isAutoRepeat(), ScanCodeOf(e));
  // A held key's repeats are not presses: Space held while the task closes
  // would open it again, T held would flicker the path on and off.
  if (e->isAutoRepeat()) return;
  form_->KeyDown(key, ShiftOf(e->modifiers()));
}

void FormWindow::keyReleaseEvent(QKeyEvent* e) {
  RealKeyStateTable().KeyReleased(VirtualKeyOf(e), e->isAutoRepeat(), ScanCodeOf(e));
}

void FormWindow::focusInEvent(QFocusEvent*) {
  RealKeyStateTable().SetFocusForm(form_);
  form_->Notify([this](FormListener* l) { l->FormActivated(*form_, true); });
}

void FormWindow::focusOutEvent(QFocusEvent*) {
  if (RealKeyStateTable().FocusForm() == form_) RealKeyStateTable().SetFocusForm(nullptr);
  form_->Notify([this](FormListener* l) { l->FormActivated(*form_, false); });
}

void FormWindow::exposeEvent(QExposeEvent*) {
  if (isExposed()) form_->Notify([this](FormListener* l) { l->FormExposed(*form_); });
}

void FormWindow::resizeEvent(QResizeEvent*) {
  form_->Notify([this](FormListener* l) { l->FormResized(*form_); });
}

void FormWindow::showEvent(QShowEvent*) {
  form_->Notify([this](FormListener* l) { l->FormShown(*form_); });
}

TForm::TForm(TComponent* owner) : TComponent(owner), window_(std::make_unique<FormWindow>(this)) {
  window_->resize(320, 240);
}

TForm::~TForm() {
  Notify([this](FormListener* l) { l->FormWindowDestroying(*this); });
  // The components may still talk to the form while they go.
  DestroyComponents();
  if (RealKeyStateTable().FocusForm() == this) RealKeyStateTable().SetFocusForm(nullptr);
  window_.reset();
}

void TForm::Show() {
  if (fullScreen_) {
    // Without a window manager nobody resizes a full-screen window for us.
    if (QScreen* screen = window_->screen()) window_->setGeometry(screen->geometry());
    window_->showFullScreen();
  } else {
    window_->show();
  }
  window_->requestActivate();
}

void TForm::Hide() {
  window_->hide();
}

bool TForm::Visible() const {
  return window_->isVisible();
}

void TForm::MinimizeWindow() {
  window_->showMinimized();
}

void TForm::Release() {
  window_->PostRelease();
}

int TForm::ShowModal() {
  ModalResult = 0;
  modal_ = true;
  ModalScope scope(this);
  window_->setModality(Qt::ApplicationModal);
  Show();
  QPointer<FormWindow> guard(window_.get());
  while (guard && window_->isVisible() && ModalResult == 0)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (!guard) return 2;
  modal_ = false;
  if (window_->isVisible()) Hide();
  window_->setModality(Qt::NonModal);
  return ModalResult;
}

void TForm::SetCaption(const std::string& caption) {
  window_->setTitle(QString::fromStdString(caption));
}

std::string TForm::Caption() const {
  return window_->title().toStdString();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  borderStyle_ = style;
  window_->setFlag(Qt::FramelessWindowHint, style == TFormBorderStyle::bsNone);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  window_->setGeometry(left, top, width, height);
}

int TForm::ClientWidth() const {
  return window_->width();
}

int TForm::ClientHeight() const {
  return window_->height();
}

bool TForm::Focused() const {
  return RealKeyStateTable().FocusForm() == this;
}

struct ModalScope::Previous {
  QPointer<QWindow> window;
};

ModalScope::ModalScope(const TForm* modalForm) : previous_(std::make_unique<Previous>()) {
  previous_->window = QGuiApplication::focusWindow();
  RealKeyStateTable().BeginModal(modalForm);
}

ModalScope::~ModalScope() {
  RealKeyStateTable().EndModal();
  QWindow* window = previous_->window;
  if (window && window->isVisible() && QGuiApplication::focusWindow() != window)
    window->requestActivate();
}
