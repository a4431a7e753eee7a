#pragma once

#include <cstdint>

// Stands in for the vertical blank where presenting does not wait for it: each
// Wait sleeps to an absolute deadline one refresh period after the last, so the
// frame loop neither spins a core nor drifts. A loop that fell more than a
// period behind starts afresh from now instead of rushing to catch up.
class FramePacer {
 public:
  explicit FramePacer(double refreshHz = 60.0) { SetRate(refreshHz); }
  void SetRate(double refreshHz);
  std::int64_t PeriodNs() const { return period_; }

  // The deadline following the previous one, given the monotonic time now.
  std::int64_t NextDeadline(std::int64_t nowNs);
  // Sleeps until the next deadline.
  void Wait();

  static std::int64_t NowNs();

 private:
  std::int64_t period_ = 16666667;
  std::int64_t deadline_ = 0;
};
