#pragma once

// Stand-ins for the platform ports, for tests of the code that uses them. Each
// installs itself while it lives and puts back the real port (or none) after.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/interval_timer.h"
#include "platform/shell.h"

// The application with its idle slot and activation driven by the test.
class ManualApplication final : public ApplicationPort {
 public:
  ManualApplication() { SetApplication(this); }
  ~ManualApplication() override {
    if (Application() == this) SetApplication(nullptr);
  }

  void SetOnIdle(IdleHandler handler) override { idle_ = std::move(handler); }
  bool HasOnIdle() const override { return static_cast<bool>(idle_); }
  bool Active() const override { return active_; }
  int AddActivationHandler(ActivationHandler handler) override {
    handlers_[next_] = std::move(handler);
    return next_++;
  }
  void RemoveActivationHandler(int id) override { handlers_.erase(id); }
  void ShowException(const std::string& message) override { Messages.push_back(message); }

  // One pass of the idle processing, through the dispatcher as the real loop
  // does; false when the slot is empty.
  bool RunIdle() {
    if (!idle_) return false;
    IdleHandler copy = idle_;  // the handler may empty the slot
    bool done = true;
    Dispatch([&] { copy(done); });
    LastDone = done;
    return true;
  }
  void SetActive(bool active) {
    if (active == active_) return;
    active_ = active;
    const auto copy = handlers_;
    for (const auto& [id, handler] : copy)
      if (handlers_.count(id)) handler(active);
  }

  bool LastDone = true;
  std::vector<std::string> Messages;  // the errors shown

 private:
  IdleHandler idle_;
  bool active_ = true;
  std::map<int, ActivationHandler> handlers_;
  int next_ = 0;
};

// A millisecond clock that moves only when told.
class ManualClock final : public ClockPort {
 public:
  explicit ManualClock(std::uint32_t start = 5000) : Now(start) { SetCurrentClock(this); }
  ~ManualClock() override { SetCurrentClock(nullptr); }
  std::uint32_t Milliseconds() override { return Now; }
  std::uint32_t Now;
};

// Interval timers that fire when the test says so.
class ManualIntervalTimers final : public IntervalTimerFactory {
 public:
  ManualIntervalTimers() { SetIntervalTimerFactory(this); }
  ~ManualIntervalTimers() override { SetIntervalTimerFactory(nullptr); }

  std::unique_ptr<IntervalTimerEngine> Create(std::function<void()> fire) override {
    auto engine = std::make_unique<Engine>(*this, std::move(fire));
    engines_.push_back(engine.get());
    return engine;
  }
  // Fires every running timer once.
  void FireAll() {
    const std::vector<Engine*> copy = engines_;
    for (Engine* e : copy)
      if (IsLive(e) && e->running) e->fire();
  }
  int Running() const {
    int n = 0;
    for (const Engine* e : engines_) n += e->running;
    return n;
  }
  // The interval of the n-th timer made (0 when stopped).
  std::uint32_t IntervalOf(std::size_t n) const {
    return n < engines_.size() && engines_[n]->running ? engines_[n]->interval : 0;
  }
  // The delay to the first expiry the n-th timer was last started with.
  std::uint32_t FirstDelayOf(std::size_t n) const {
    return n < engines_.size() ? engines_[n]->first : 0;
  }
  // What the n-th timer reports as left to its next expiry.
  void SetRemaining(std::size_t n, std::uint32_t ms) {
    if (n < engines_.size()) engines_[n]->remaining = ms;
  }

 private:
  struct Engine final : IntervalTimerEngine {
    Engine(ManualIntervalTimers& owner, std::function<void()> f)
        : owner(owner), fire(std::move(f)) {}
    ~Engine() override { std::erase(owner.engines_, this); }
    void Start(std::uint32_t ms, std::uint32_t firstMs) override {
      running = true;
      interval = ms;
      first = firstMs;
    }
    void Stop() override { running = false; }
    std::uint32_t Remaining() const override { return running ? remaining : 0; }
    ManualIntervalTimers& owner;
    std::function<void()> fire;
    bool running = false;
    std::uint32_t interval = 0;
    std::uint32_t first = 0;
    std::uint32_t remaining = 0;
  };
  bool IsLive(Engine* e) const {
    for (const Engine* x : engines_)
      if (x == e) return true;
    return false;
  }
  std::vector<Engine*> engines_;
};

// Records what the program asked of the desktop.
class RecordingShell final : public ShellPort {
 public:
  RecordingShell() { SetCurrentShell(this); }
  ~RecordingShell() override { SetCurrentShell(nullptr); }
  bool OpenUrl(const std::string& url) override {
    Urls.push_back(url);
    return OpenUrlSucceeds;
  }
  void Beep() override { ++Beeps; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    Titles.push_back(title);
    Messages.push_back(text);
    if (WhileOpen) WhileOpen();
  }
  bool OpenUrlSucceeds = true;
  int Beeps = 0;
  std::vector<std::string> Urls, Titles, Messages;
  // Runs while a message box is "open" (a test may spin a loop here).
  std::function<void()> WhileOpen;
};
