#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/application.h"

// The application object on Qt: owns the QApplication (or adopts one that
// exists), runs the message loop and the idle slot, and installs the real
// ports (application, canvas text, interval timers, display device).
//
// The idle handler runs from a zero-interval timer. Qt never re-enters a
// timer's own callback, so a modal loop opened from inside the idle handler
// would stop the ticks; each tick therefore arms a timer one level deeper that
// only fires when the handler opens a nested loop.
class TApplication final : public ApplicationPort {
 public:
  TApplication(int& argc, char** argv);
  ~TApplication() override;
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  // The message loop; returns the exit code given to Terminate.
  int Run();
  void Terminate(int exitCode = 0);
  // Handles the events waiting now, idle ticks included, then returns.
  void ProcessMessages();

  // Runs a modal loop (a dialog's exec, say) and returns its result. The idle
  // ticks go on inside it; the key-state table is cleared when it returns, so
  // that no key pressed in the dialog stays down afterwards.
  int ExecModal(const std::function<int()>& loop);

  // The application name shown as the title of message boxes.
  std::string Title;

  void SetOnIdle(IdleHandler handler) override;
  bool HasOnIdle() const override;
  bool Active() const override;
  int AddActivationHandler(ActivationHandler handler) override;
  void RemoveActivationHandler(int id) override;
  void ShowException(const std::string& message) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};
