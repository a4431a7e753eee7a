#include "sim/run_recording.h"

#include <cmath>
#include <cstdlib>

#include "gfx/canvas.h"
#include "platform/line_steps.h"
#include "sim/car_model.h"

void RunRecording::Reset() {
  samples_.clear();
  samples_.shrink_to_fit();
  ticks_ = 0;
  path_.clear();
  path_.shrink_to_fit();
  havePoint_ = false;
  lit_.reset();
  runs_.clear();
  runsStale_ = false;
}

RunSample RunRecording::SampleOf(const CarModel& car) {
  RunSample s;
  s.Distance = car.Distance;
  s.Rx = car.Rx;
  s.Ry = car.Ry;
  s.RLength = car.RLength;
  s.X = car.X;
  s.Y = car.Y;
  return s;
}

void RunRecording::RecordTick(const CarModel& car) {
  RunSample s = SampleOf(car);
  s.Tick = ++ticks_;
  s.PathPoints = static_cast<std::uint32_t>(path_.size());
  samples_.push_back(s);
}

void RunRecording::RecordStop(const CarModel& car) {
  // Before the first tick a car that has not moved has nothing to show.
  if (samples_.empty() && ticks_ == 0 && car.Distance == 0) return;
  if (!havePoint_ || car.X != lastX_ || car.Y != lastY_) AddPoint(car.X, car.Y);
  RunSample s = SampleOf(car);
  s.Tick = ticks_;
  s.PathPoints = static_cast<std::uint32_t>(path_.size());
  // The distance since the last tick belongs to the time counted so far, as
  // it does in the task: t stays a whole number of ticks.
  if (!samples_.empty() && samples_.back().Tick == ticks_)
    samples_.back() = s;
  else
    samples_.push_back(s);
}

void RunRecording::RecordPosition(double x, double y) {
  if (havePoint_) {
    const double dx = x - lastX_, dy = y - lastY_;
    if (dx * dx + dy * dy < PointSpacing * PointSpacing) return;
  }
  AddPoint(x, y);
}

void RunRecording::AddPoint(double x, double y) {
  // The world's bounds keep the car well inside what 16 bits hold here.
  path_.push_back({static_cast<std::int16_t>(std::lrint(x * PointScale)),
                   static_cast<std::int16_t>(std::lrint(y * PointScale))});
  lastX_ = x;
  lastY_ = y;
  const MapPoint m = MinimapPoint(x, y);
  if (!havePoint_) {
    lastMapPoint_ = m;
    Light(m.X, m.Y);
  } else if (!(m == lastMapPoint_)) {
    TraceOnMinimap(m);
  }
  havePoint_ = true;
}

void RunRecording::Light(int x, int y) {
  const int col = x - MinimapLeft;
  if (col < 0 || col >= MapSize || y < 0 || y >= MapSize) return;
  const std::size_t bit = static_cast<std::size_t>(y) * MapSize + col;
  if (lit_.test(bit)) return;
  lit_.set(bit);
  runsStale_ = true;
}

// A one-pixel line between the minimap points, both ends lit, so the trace has
// no gaps whatever the car's speed.
void RunRecording::TraceOnMinimap(MapPoint to) {
  ForEachLinePixel(lastMapPoint_.X, lastMapPoint_.Y, to.X, to.Y, true,
                   [this](int x, int y) { Light(x, y); });
  lastMapPoint_ = to;
}

const std::vector<MinimapRun>& RunRecording::MinimapRuns() const {
  if (!runsStale_) return runs_;
  runs_.clear();
  for (int y = 0; y < MapSize; ++y) {
    int start = -1;
    for (int x = 0; x <= MapSize; ++x) {
      const bool on = x < MapSize && lit_.test(static_cast<std::size_t>(y) * MapSize + x);
      if (on && start < 0) start = x;
      if (!on && start >= 0) {
        runs_.push_back({y, start + MinimapLeft, x - 1 + MinimapLeft});
        start = -1;
      }
    }
  }
  runsStale_ = false;
  return runs_;
}

std::size_t RunRecording::MemoryBytes() const {
  // A deque holds its elements in blocks of 512 bytes, plus a map of pointers.
  constexpr std::size_t Block = 512;
  const std::size_t perBlock = Block / sizeof(StoredPoint);
  const std::size_t blocks = path_.size() / perBlock + 1;
  return sizeof(*this) + samples_.capacity() * sizeof(RunSample) + blocks * Block +
         blocks * sizeof(void*) + runs_.capacity() * sizeof(MinimapRun);
}

void DrawMinimapPath(TDirectDrawSurfaceCanvas& canvas, const RunRecording& recording) {
  canvas.Pen.Color = MinimapPathColor;
  for (const MinimapRun& r : recording.MinimapRuns()) {
    // The canvas leaves a line's end point out.
    canvas.MoveTo(r.Left, r.Y);
    canvas.LineTo(r.Right + 1, r.Y);
  }
}
