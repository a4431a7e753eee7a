#pragma once

#include <string>

#include "platform/events.h"

class TForm;

// What stands behind a TForm in the browser. The page is one window: a form
// shown takes the whole page's screen area, and the form shown last that is
// still visible has the keyboard while the page is active.
class FormWindow final {
 public:
  explicit FormWindow(TForm* form) : form_(form) {}
  TForm* Form() const { return form_; }

  bool Visible = false;
  std::string Caption;
  int Width = 320;
  int Height = 240;

  // Delivers a key press (not a repeat) to the form's key handler.
  void KeyDown(int virtualKey, TShiftState shift);
  void Activated(bool active);
  void Resized(int width, int height);

 private:
  TForm* form_;
};

// The forms of the page, for the page's own event handlers.
namespace WebForms {
// The visible form that gets the keys while the page is active, or null.
TForm* KeyboardForm();
// The page became active or inactive: keys are released, and the keyboard
// form gains or loses the focus.
void PageActivated(bool active);
// The page's screen area changed size (full screen, a resized window).
void ScreenResized(int width, int height);
}  // namespace WebForms
