#include "platform/interval_timer.h"

#include <algorithm>

#include "platform/application.h"

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  if (IntervalTimerFactory* factory = IntervalTimerFactorySlot())
    engine_ = factory->Create([this] { Fire(); });
  Update();
}

TTimer::~TTimer() {
  if (engine_) engine_->Stop();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Update();
}

void TTimer::SetInterval(std::uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  Update();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  Update();
}

void TTimer::SetPaused(bool value) {
  if (value == paused_) return;
  if (value) {
    const bool running = engine_ && ShouldRun();
    paused_ = true;
    if (!running) return;
    // Due now counts as a whole millisecond, so that the resumed timer still
    // fires that tick rather than a full interval later.
    resumeAfter_ = std::max<std::uint32_t>(engine_->Remaining(), 1);
    engine_->Stop();
    return;
  }
  paused_ = false;
  const std::uint32_t first = resumeAfter_;
  resumeAfter_ = 0;
  if (!engine_ || !ShouldRun()) return;
  engine_->Start(interval_, first > 0 && first <= interval_ ? first : interval_);
}

bool TTimer::ShouldRun() const {
  // Settings read from a description take effect together once it is loaded.
  return enabled_ && !paused_ && interval_ > 0 && !Loading() && !Designing();
}

void TTimer::Update() {
  // Any change of the settings starts the interval afresh.
  resumeAfter_ = 0;
  if (!engine_) return;
  if (ShouldRun())
    engine_->Start(interval_, interval_);
  else
    engine_->Stop();
}

void TTimer::Fire() {
  if (OnTimer) Dispatch([this] { OnTimer(this); });
}
