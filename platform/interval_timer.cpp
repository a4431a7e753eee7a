#include "platform/interval_timer.h"

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

void TTimer::Update() {
  if (!engine_) return;
  // Settings read from a description take effect together once it is loaded.
  if (enabled_ && interval_ > 0 && !Loading() && !Designing())
    engine_->Start(interval_);
  else
    engine_->Stop();
}

void TTimer::Fire() {
  if (OnTimer) Dispatch([this] { OnTimer(this); });
}
