#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/application.h"

// The application object in the browser. It installs the real ports (the
// application, interval timers, clock, canvas text, display device, keyboard,
// game pads, shell) and drives them from the page's events:
//
// - the idle handler runs once per animation frame (requestAnimationFrame),
//   which also paces the frame loop to the screen as the vertical blank does
//   on the desktop; nothing can block in a browser, so there is no other idle;
// - a frame that presents nothing with no key held ends the loop until an
//   event of the page, a timer's tick or a new idle handler wakes it: the
//   frames of a car that stands would all be the same;
// - the application is active while the page is visible and has the focus
//   (visibilitychange, blur, focus);
// - keys come from KeyboardEvent.code, the physical key, so every layout
//   drives alike; repeats reach no handler.
//
// Modal windows cannot block either: they are shown, the call returns, and
// the frames go on without keys until the window is closed (see ModalScope).
class WebApplication final : public ApplicationPort {
 public:
  WebApplication();
  ~WebApplication() override;
  WebApplication(const WebApplication&) = delete;
  WebApplication& operator=(const WebApplication&) = delete;

  // The title of message boxes.
  std::string Title = "Velnar";

  void SetOnIdle(IdleHandler handler) override;
  bool HasOnIdle() const override;
  bool Active() const override;
  int AddActivationHandler(ActivationHandler handler) override;
  void RemoveActivationHandler(int id) override;
  void ShowException(const std::string& message) override;

  // Runs a function after the event being handled now (a form's release).
  static void Post(std::function<void()> work);

  // Frames presented so far (a frame that changed nothing on the screen is
  // not one), for the page's own figures.
  static std::uint32_t& PresentedFrames();
  // Animation frames so far: each runs the idle handler once. While nothing
  // moves the loop sleeps, and the time it sleeps counts as frames of 60 Hz:
  // time passing as the program sees it, whether or not anything moves.
  static std::uint32_t Frames();

  struct Impl;

 private:
  std::unique_ptr<Impl> d_;
};
