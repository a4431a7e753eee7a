#pragma once

#include <QWindow>

class TForm;

// The Qt window behind a TForm. Only platform/ sees this type.
class FormWindow final : public QWindow {
 public:
  explicit FormWindow(TForm* form);
  TForm* Form() const { return form_; }

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
};
