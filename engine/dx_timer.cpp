#include "engine/dx_timer.h"

#include <cmath>

#include "platform/application.h"
#include "platform/clock.h"

TDXTimer::TDXTimer(TComponent* owner) : TComponent(owner) {
  if (ApplicationPort* app = Application())
    activationHandler_ =
        app->AddActivationHandler([this](bool active) { ApplicationActivated(active); });
}

TDXTimer::~TDXTimer() {
  Stop();
  if (ApplicationPort* app = Application(); app && activationHandler_ >= 0)
    app->RemoveActivationHandler(activationHandler_);
}

void TDXTimer::SetActiveOnly(bool value) {
  if (value == activeOnly_) return;
  activeOnly_ = value;
  if (!initialized_) return;
  // Keep the promise of the property while started: with ActiveOnly the timer
  // runs only while the application is active, without it always.
  ApplicationPort* app = Application();
  const bool active = app && app->Active();
  if (activeOnly_ && !active)
    Suspend();
  else if (!running_)
    Resume();
}

void TDXTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (Loading()) return;
  if (enabled_)
    Start();
  else
    Stop();
}

void TDXTimer::SetInterval(std::uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  lagDivisor_ = value < 1 ? 1 : value;
}

void TDXTimer::Loaded() {
  TComponent::Loaded();
  if (enabled_ && !Designing()) Start();
}

void TDXTimer::Start() {
  Stop();
  ApplicationPort* app = Application();
  if (!activeOnly_ || (app && app->Active())) Resume();
  initialized_ = true;
}

void TDXTimer::Stop() {
  if (!initialized_) return;
  Suspend();
  initialized_ = false;
}

void TDXTimer::Resume() {
  oldTime_ = oldTime2_ = TimeGetTime();
  ApplicationPort* app = Application();
  if (!app) return;
  app->SetOnIdle([this](bool& done) { Tick(done); });
  running_ = true;
}

void TDXTimer::Suspend() {
  if (running_) {
    if (ApplicationPort* app = Application()) app->SetOnIdle(nullptr);
  }
  running_ = false;
}

void TDXTimer::Tick(bool& done) {
  done = false;
  const std::uint32_t now = TimeGetTime();
  const std::uint32_t elapsed = now - oldTime_;
  if (elapsed < interval_) return;

  oldTime_ = now;
  std::uint32_t lag = elapsed / lagDivisor_;
  if (lag < 1) lag = 1;
  if (maxLagCount_ > 0 && lag > maxLagCount_) lag = maxLagCount_;
  // A lag beyond the signed range (a clock jump of weeks) would read as negative.
  if (lag > 0x7FFFFFFFu) lag = 0x7FFFFFFFu;

  ++frameCount_;
  std::int32_t span = static_cast<std::int32_t>(now - oldTime2_);
  if (span < 1) span = 1;
  if (span >= 1000) {
    frameRate_ = static_cast<std::int32_t>(std::nearbyint(frameCount_ * 1000.0 / span));
    frameCount_ = 0;
    oldTime2_ = now;
  }

  if (OnTimer) OnTimer(this, static_cast<std::int32_t>(lag));
}

void TDXTimer::ApplicationActivated(bool active) {
  if (active) {
    if (OnActivate) OnActivate(this);
    if (initialized_ && activeOnly_) Resume();
  } else {
    if (OnDeactivate) OnDeactivate(this);
    if (initialized_ && activeOnly_) Suspend();
  }
}
