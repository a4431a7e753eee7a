#pragma once

#include <cstddef>
#include <vector>

#include "lesson/run_series.h"
#include "sim/run_recording.h"

// What the run window draws from a run, the same in every front end: the
// charts' series and the replay's moment on the track.

// A point of a chart: time in "Czas" seconds against a value.
struct ChartPoint {
  double X = 0;
  double Y = 0;
};

// A figure at each tick as a line through the ticks, from rest at (0, 0).
std::vector<ChartPoint> RunLine(const std::vector<RunRow>& rows, double RunRow::*value);

// A quantity per tick drawn as a step across the tick it belongs to.
std::vector<ChartPoint> RunSteps(const std::vector<RunRow>& rows, double RunRow::*value);

// At most about twice `buckets` points of a series in x order: where there are
// more, each bucket of x keeps its first, lowest, highest and last points, so
// the line looks the same at any width a screen has while costing the same for
// an hour's run as for a minute's.
std::vector<ChartPoint> Decimated(const std::vector<ChartPoint>& points, int buckets);

// Points a chart's series keeps at most, about three a bucket.
inline constexpr int ChartBuckets = 600;

// The replay at `position` rows from the first (fractions between ticks): how
// many points of the path were driven by then, between two ticks in
// proportion to the time between them and at the end the whole path; and
// where the car stands, on a tick where the tick found it, between ticks at
// the end of the path driven so far.
struct ReplayMoment {
  std::size_t DrivenPoints = 0;
  PathPoint Car{};
};
ReplayMoment MomentOf(const RunRecording& recording, double position);
