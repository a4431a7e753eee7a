#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/run_recording.h"

// One tick of the run as the lesson reads it: the figures at the tick, and
// the distance and displacement covered during the tick that ends there,
// which are the speed and the velocity in metres per "Czas" second.
struct RunRow {
  std::uint32_t T = 0;
  double S = 0;
  double Rx = 0;
  double Ry = 0;
  double R = 0;
  double V = 0;
  double Vx = 0;
  double Vy = 0;
};

// The rows of a recording. The speeds add up to the distance and the
// velocities to the displacement, so their means over the run are s/t and
// R/t. What the car covered before the first tick (Space pressed within the
// first 300 ms, then driving on) belongs to the first tick counted: a moment
// of no duration has no speed.
std::vector<RunRow> RunRows(const std::vector<RunSample>& samples);

// The rows as CSV: a header with units, then one row a tick, a point as the
// decimal separator whatever the locale.
std::string RunCsv(const std::vector<RunRow>& rows);
