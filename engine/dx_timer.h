#pragma once

#include <cstdint>
#include <functional>

#include "platform/component.h"
#include "platform/events.h"

// The frame timer: it runs from the application's idle slot, so it ticks as
// often as the user-interface thread is free, and passes its handler the lag
// count, the time since the previous tick in units of Interval (at least 1).
//
// Started by Enabled (after loading); with ActiveOnly it is suspended while the
// application is inactive and restarts its lag measurement on return, so the
// time away never shows up as one huge lag count.
class TDXTimer : public TComponent {
 public:
  using TTimerEvent = std::function<void(TComponent* sender, std::int32_t lagCount)>;

  explicit TDXTimer(TComponent* owner = nullptr);
  ~TDXTimer() override;

  bool ActiveOnly() const { return activeOnly_; }
  void SetActiveOnly(bool value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t value);
  // The largest lag count a tick reports; 0 (the default) sets no limit. A
  // tick after a stall (the process stopped, the machine asleep or busy)
  // otherwise reports the whole stall, and whatever moves by the lag jumps.
  std::uint32_t MaxLagCount() const { return maxLagCount_; }
  void SetMaxLagCount(std::uint32_t value) { maxLagCount_ = value; }

  // Ticks per second over the last period of at least 1000 ms; 0 until then.
  std::int32_t FrameRate() const { return frameRate_; }
  // Started (it may still be suspended while the application is inactive).
  bool Initialized() const { return initialized_; }
  // Holds the application's idle slot right now.
  bool Running() const { return running_; }

  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TTimerEvent OnTimer;

 protected:
  void Loaded() override;

 private:
  void Start();
  void Stop();
  void Resume();
  void Suspend();
  void Tick(bool& done);
  void ApplicationActivated(bool active);

  bool activeOnly_ = true;
  bool enabled_ = true;
  std::uint32_t interval_ = 1000;
  std::uint32_t lagDivisor_ = 1000;
  std::uint32_t maxLagCount_ = 0;

  std::int32_t frameRate_ = 0;
  bool initialized_ = false;
  bool running_ = false;
  std::int32_t frameCount_ = 0;
  std::uint32_t oldTime_ = 0;
  std::uint32_t oldTime2_ = 0;
  int activationHandler_ = -1;
};
