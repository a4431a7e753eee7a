#include "lesson/run_view.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "sim/track_map.h"

std::vector<ChartPoint> RunLine(const std::vector<RunRow>& rows, double RunRow::*value) {
  std::vector<ChartPoint> points;
  points.reserve(rows.size() + 1);
  // Every run starts at rest at the start point.
  if (!rows.empty() && rows.front().T > 0) points.push_back({0, 0});
  for (const RunRow& r : rows) points.push_back({static_cast<double>(r.T), r.*value});
  return points;
}

std::vector<ChartPoint> RunSteps(const std::vector<RunRow>& rows, double RunRow::*value) {
  std::vector<ChartPoint> points;
  points.reserve(rows.size() * 2);
  for (const RunRow& r : rows) {
    if (r.T == 0) continue;
    points.push_back({r.T - 1.0, r.*value});
    points.push_back({static_cast<double>(r.T), r.*value});
  }
  return points;
}

std::vector<ChartPoint> Decimated(const std::vector<ChartPoint>& points, int buckets) {
  if (buckets < 1 || points.size() <= 3 * static_cast<std::size_t>(buckets)) return points;
  const double x0 = points.front().X, x1 = points.back().X;
  const double width = (x1 - x0) / buckets;
  std::vector<ChartPoint> out;
  out.reserve(3 * static_cast<std::size_t>(buckets) + 1);
  std::size_t i = 0;
  while (i < points.size()) {
    const int bucket =
        width > 0 ? std::min(buckets - 1, static_cast<int>((points[i].X - x0) / width)) : 0;
    const double end = x0 + (bucket + 1) * width;
    const std::size_t first = i;
    std::size_t low = i, high = i;
    for (++i; i < points.size() && (bucket == buckets - 1 || points[i].X < end); ++i) {
      if (points[i].Y < points[low].Y) low = i;
      if (points[i].Y > points[high].Y) high = i;
    }
    // In the order they came, so the line runs forward through the bucket.
    std::size_t keep[] = {first, low, high, i - 1};
    std::sort(std::begin(keep), std::end(keep));
    for (std::size_t k = 0; k < 4; ++k)
      if (k == 0 || keep[k] != keep[k - 1]) out.push_back(points[keep[k]]);
  }
  return out;
}

ReplayMoment MomentOf(const RunRecording& recording, double position) {
  const std::vector<RunSample>& samples = recording.Samples();
  // Before the first tick the car is shown where every run starts.
  if (samples.empty())
    return {recording.PathSize(), {static_cast<double>(StartX), static_cast<double>(StartY)}};
  const double last = static_cast<double>(samples.size() - 1);
  position = std::clamp(position, 0.0, last);
  const std::size_t i = static_cast<std::size_t>(position);
  const std::size_t points = recording.PathSize();
  std::size_t shown = points;
  if (position < last) {
    double count = samples[i].PathPoints;
    count += (position - static_cast<double>(i)) * (samples[i + 1].PathPoints - count);
    shown = std::min(points, static_cast<std::size_t>(std::max(1.0, std::round(count))));
  }
  const bool onTick = static_cast<double>(i) == position || shown == 0;
  return {shown, onTick ? PathPoint{samples[i].X, samples[i].Y} : recording.PathAt(shown - 1)};
}
