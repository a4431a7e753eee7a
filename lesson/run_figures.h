#pragma once

#include <cstdint>

class CarModel;

// The figures of the run being judged, as the car holds them when the task
// opens: distance travelled, displacement and its length in metres, and the
// count of time ticks ("Czas" seconds).
struct RunFigures {
  double Distance = 0;
  double Rx = 0;
  double Ry = 0;
  double RLength = 0;
  std::uint16_t TimeCount = 0;
};

RunFigures FiguresOf(const CarModel& car);

// The task's two answers and the mean velocity they come from, in metres per
// "Czas" second; all zero before the clock has counted a tick, as the task
// then takes only zero for right.
struct RunAverages {
  double Speed = 0;     // s / t
  double Vx = 0;        // Rx / t
  double Vy = 0;        // Ry / t
  double Velocity = 0;  // |R| / t, the length of (Vx, Vy)
};

RunAverages AveragesOf(const RunFigures& figures);
