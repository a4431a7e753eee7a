#pragma once

#include <chrono>
#include <cstdint>

// The millisecond clock of the frame loop. It wraps at 2^32 ms (about 49.7
// days), so callers take differences as unsigned 32-bit values.
class ClockPort {
 public:
  virtual ~ClockPort() = default;
  virtual std::uint32_t Milliseconds() = 0;
};

// The real clock: milliseconds of the monotonic clock, truncated to 32 bits.
class SteadyClock final : public ClockPort {
 public:
  std::uint32_t Milliseconds() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }
};

// The slot lives in the header so that code outside platform/ can read the
// clock without linking the Qt side of the platform.
inline ClockPort*& ClockSlot() {
  static ClockPort* port = nullptr;
  return port;
}

inline ClockPort& CurrentClock() {
  static SteadyClock steady;
  ClockPort* port = ClockSlot();
  return port ? *port : steady;
}

// nullptr restores the real clock.
inline void SetCurrentClock(ClockPort* port) {
  ClockSlot() = port;
}

inline std::uint32_t TimeGetTime() {
  return CurrentClock().Milliseconds();
}
