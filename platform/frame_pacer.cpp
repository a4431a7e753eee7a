#include "platform/frame_pacer.h"

#include <cerrno>
#include <ctime>

void FramePacer::SetRate(double refreshHz) {
  if (!(refreshHz >= 20.0 && refreshHz <= 500.0)) refreshHz = 60.0;
  period_ = static_cast<std::int64_t>(1e9 / refreshHz + 0.5);
}

std::int64_t FramePacer::NextDeadline(std::int64_t nowNs) {
  // The first frame is shown at once: nothing came before it to keep time with.
  if (deadline_ == 0) return deadline_ = nowNs;
  deadline_ += period_;
  if (deadline_ < nowNs - period_ || deadline_ > nowNs + 2 * period_) deadline_ = nowNs + period_;
  return deadline_;
}

std::int64_t FramePacer::NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void FramePacer::Wait() {
  const std::int64_t deadline = NextDeadline(NowNs());
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(deadline / 1000000000);
  ts.tv_nsec = static_cast<long>(deadline % 1000000000);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}
