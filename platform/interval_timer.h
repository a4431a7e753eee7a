#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/component.h"
#include "platform/events.h"

// What runs a TTimer: something that calls back every interval while running.
class IntervalTimerEngine {
 public:
  virtual ~IntervalTimerEngine() = default;
  // (Re)starts: the first expiry after firstMs, then one every intervalMs.
  virtual void Start(std::uint32_t intervalMs, std::uint32_t firstMs) = 0;
  virtual void Stop() = 0;
  // Milliseconds to the next expiry while running (0 when due or stopped).
  virtual std::uint32_t Remaining() const = 0;
};

class IntervalTimerFactory {
 public:
  virtual ~IntervalTimerFactory() = default;
  // The engine calls fire on every expiry until stopped or destroyed.
  virtual std::unique_ptr<IntervalTimerEngine> Create(std::function<void()> fire) = 0;
};

// The factory used by new timers: the application installs the Qt one; tests
// install their own. Without one, timers never fire.
inline IntervalTimerFactory*& IntervalTimerFactorySlot() {
  static IntervalTimerFactory* factory = nullptr;
  return factory;
}
inline void SetIntervalTimerFactory(IntervalTimerFactory* factory) {
  IntervalTimerFactorySlot() = factory;
}

// The toolkit's interval timer: fires OnTimer every Interval milliseconds
// while Enabled, from the message loop. An Interval of 0 never fires.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner = nullptr);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t value);
  // A paused timer does not fire, Enabled or not. When the pause ends, the
  // interval it broke off runs out first, so a count of ticks gains and loses
  // nothing across a pause. Enabled and Interval written meanwhile take
  // effect when it ends, with a whole interval.
  bool Paused() const { return paused_; }
  void SetPaused(bool value);

  TNotifyEvent OnTimer;

 protected:
  void Loaded() override;

 private:
  bool ShouldRun() const;
  void Update();
  void Fire();

  bool enabled_ = true;
  bool paused_ = false;
  std::uint32_t resumeAfter_ = 0;  // left of the interval a pause broke off
  std::uint32_t interval_ = 1000;
  std::unique_ptr<IntervalTimerEngine> engine_;
};
