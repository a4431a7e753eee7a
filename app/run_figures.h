#pragma once

#include <cstdint>

// What the task dialog needs from the run being judged: the car's distance
// travelled and displacement length in metres, and its count of time ticks.
struct RunFigures {
  double Distance = 0;
  double RLength = 0;
  std::uint16_t TimeCount = 0;
};
