#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/component.h"
#include "platform/events.h"

class FormWindow;
class TForm;

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };

// What a component placed on a form (the display, say) hears of its window.
class FormListener {
 public:
  virtual ~FormListener() = default;
  virtual void FormShown(TForm&) {}
  virtual void FormResized(TForm&) {}
  // The window's contents need painting again.
  virtual void FormExposed(TForm&) {}
  virtual void FormActivated(TForm&, bool /*active*/) {}
  // The window is about to go away, before the form's components are freed.
  virtual void FormWindowDestroying(TForm&) {}
};

// What a component placed on a form sees of it. Everything here is inline, so
// code outside platform/ (the display) can sit on a form without linking the
// Qt side.
class FormHost {
 public:
  virtual ~FormHost() = default;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  virtual void AddListener(FormListener* listener) = 0;
  virtual void RemoveListener(FormListener* listener) = 0;
};

// A top-level window. Key-down events carry Windows virtual-key codes; every
// event handler runs through the application's dispatcher, so an error in one
// is shown and the program goes on.
class TForm : public TComponent, public FormHost {
 public:
  using TKeyEvent = std::function<void(TComponent* sender, std::uint16_t& key, TShiftState shift)>;
  using TCloseEvent = std::function<void(TComponent* sender, TCloseAction& action)>;

  explicit TForm(TComponent* owner = nullptr);
  ~TForm() override;

  void Show();
  void Hide();
  bool Visible() const;
  // Asks OnClose what to do (hide by default) and does it.
  void Close();
  // Frees the form once the event being handled now is done; safe to call from
  // the form's own handlers.
  void Release();
  // Shows the form and returns when it is hidden or closed, or ModalResult is
  // set; the result is ModalResult. Idle ticks go on meanwhile; the keyboard
  // is kept as ModalScope says.
  int ShowModal();
  int ModalResult = 0;

  void SetCaption(const std::string& caption);
  std::string Caption() const;
  void SetBorderStyle(TFormBorderStyle style);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  // Full screen covers the whole screen, also where no window manager helps.
  void SetFullScreen(bool on);
  bool FullScreen() const { return fullScreen_; }
  void SetBounds(int left, int top, int width, int height);
  int ClientWidth() const override;
  int ClientHeight() const override;
  // Whether this form's window has the keyboard focus.
  bool Focused() const;

  TKeyEvent OnKeyDown;
  TCloseEvent OnClose;

  void AddListener(FormListener* listener) override;
  void RemoveListener(FormListener* listener) override;

  // The platform window (for the presenters in platform/).
  FormWindow* Window() const { return window_.get(); }

 private:
  friend class FormWindow;
  void KeyDown(int virtualKey, TShiftState shift);
  // Each listener still registered hears of the event, through the dispatcher.
  template <class F>
  void Notify(F&& f) {
    const std::vector<FormListener*> copy = listeners_;
    for (FormListener* l : copy) {
      if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end())
        Dispatch([&] { f(l); });
    }
  }
  void MinimizeWindow();

  std::unique_ptr<FormWindow> window_;
  std::vector<FormListener*> listeners_;
  TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
  bool fullScreen_ = false;
  bool modal_ = false;
};

// Keeps the keyboard true across a modal loop (a dialog, a message box, a
// modal form): from construction to destruction only the modal form counts as
// the foreground and every key counts as up at both ends (see
// KeyStateTable::BeginModal). At the end the window that had the focus before
// asks for it back: without a window manager nobody else gives it.
class ModalScope {
 public:
  explicit ModalScope(const TForm* modalForm = nullptr);
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;

 private:
  struct Previous;
  std::unique_ptr<Previous> previous_;
};

// The window base of the display framework. Windows gave each such window its
// own taskbar button and hid the application's; every X11 window already has
// its own, so what remains is the count of live ones.
class TDXForm : public TForm {
 public:
  explicit TDXForm(TComponent* owner = nullptr);
  ~TDXForm() override;
  static int Count();
};
