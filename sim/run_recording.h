#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/minimap.h"

class CarModel;
class TDirectDrawSurfaceCanvas;

// The length of one tick of the run's clock, the "Czas" second of the panel.
inline constexpr std::uint32_t TickMilliseconds = 300;

// The car's figures at one tick of the time counter.
struct RunSample {
  // Ticks counted since the run began. The car's own count is 16 bits and
  // starts over after 65,535; the run's record counts on.
  std::uint32_t Tick = 0;
  // How many points of the path had been recorded by this tick: the path
  // driven up to this moment is the first PathPoints of them.
  std::uint32_t PathPoints = 0;
  double Distance = 0;
  double Rx = 0;
  double Ry = 0;
  double RLength = 0;
  double X = 0;
  double Y = 0;
};

// One point of the path in world pixels.
struct PathPoint {
  double X;
  double Y;
};

// One horizontal run of lit minimap pixels, [Left, Right] inclusive.
struct MinimapRun {
  int Y;
  int Left;
  int Right;
};

// The record of one run: the car's figures at every tick of the time counter,
// and the path it drove as world points. Recording a point is a comparison on
// most frames; the path's minimap picture is kept as a set of lit pixels, so
// drawing it costs the same after a minute as after an hour.
class RunRecording {
 public:
  // A point is added once the car is this far (world pixels) from the last one.
  static constexpr double PointSpacing = 0.5;
  // Points are kept in sixteenths of a pixel: half the memory of floats, and
  // finer than the spacing.
  static constexpr double PointScale = 16;

  RunRecording() { Reset(); }

  // Forgets everything: a new car starts a new run.
  void Reset();
  // A tick of the time counter, after the car's own tick.
  void RecordTick(const CarModel& car);
  // The clock stopped (Space) between two ticks: the current tick's sample
  // takes the car's figures of this moment, the ones the task judges, and the
  // path ends exactly where the car stands.
  void RecordStop(const CarModel& car);
  // The car's place after its move in a frame.
  void RecordPosition(double x, double y);

  const std::vector<RunSample>& Samples() const { return samples_; }
  std::size_t PathSize() const { return path_.size(); }
  PathPoint PathAt(std::size_t index) const {
    const StoredPoint& p = path_[index];
    return {p.X / PointScale, p.Y / PointScale};
  }

  // The path on the minimap, as runs of pixels in screen coordinates.
  const std::vector<MinimapRun>& MinimapRuns() const;

  // The memory the recording holds, in bytes.
  std::size_t MemoryBytes() const;

 private:
  struct StoredPoint {
    std::int16_t X;
    std::int16_t Y;
  };
  static constexpr int MapSize = 160;

  void AddPoint(double x, double y);
  void TraceOnMinimap(MapPoint to);
  void Light(int x, int y);
  static RunSample SampleOf(const CarModel& car);

  std::vector<RunSample> samples_;
  std::uint32_t ticks_ = 0;
  // Chunked storage: no reallocation spike and no doubled capacity.
  std::deque<StoredPoint> path_;
  double lastX_ = 0;
  double lastY_ = 0;
  bool havePoint_ = false;

  std::bitset<MapSize * MapSize> lit_;
  MapPoint lastMapPoint_{};
  mutable std::vector<MinimapRun> runs_;
  mutable bool runsStale_ = false;
};

// The path as a thin line over the minimap, in a colour apart from the green
// arrows. Draws through the canvas, so it may follow the arrows in a frame.
inline constexpr std::int32_t MinimapPathColor = 0x008CFF;  // orange, 0x00BBGGRR
void DrawMinimapPath(TDirectDrawSurfaceCanvas& canvas, const RunRecording& recording);
