#pragma once

#include <QWindow>

class TForm;

// What a form's window tells a screen reader besides its title: what it
// shows, and the last sentence it announced.
class FormStatus final : public QObject {
 public:
  using QObject::QObject;
  QString Description;
  QString Text;
};

// Makes the form windows known to Qt's accessibility (once).
void InstallFormAccessibility();

// The Qt window behind a TForm. Only platform/ sees this type.
class FormWindow final : public QWindow {
 public:
  explicit FormWindow(TForm* form);
  TForm* Form() const { return form_; }
  FormStatus* Status() { return &status_; }

  QAccessibleInterface* accessibleRoot() const override;

  // Makes sure the native window is of the given kind, re-creating it when it
  // was already made as another (a visible window is shown again).
  void EnsureSurfaceType(QSurface::SurfaceType type);

  // Set by Release: the form is freed when the posted release event arrives.
  void PostRelease();

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void exposeEvent(QExposeEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  TForm* form_;
  FormStatus status_{this};
};
