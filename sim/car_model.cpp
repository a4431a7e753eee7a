#include "sim/car_model.h"

#include <cmath>

#include "engine/angle_tables.h"
#include "sim/extended.h"
#include "sim/number_format.h"
#include "sim/track_map.h"

namespace {
// The extended-precision 0.3 and 0.2: exact integers divided, rounded once.
constexpr Extended ThrottleRate = Extended(3) / 10;  // pixels per second, per millisecond
constexpr Extended SteeringRate = Extended(2) / 10;  // angle units per millisecond
constexpr double RoadMinSpeed = -700, RoadMaxSpeed = 150;
constexpr double OffRoadMinSpeed = -50, OffRoadMaxSpeed = 20;
}  // namespace

CarModel::CarModel() {
  Distance = 0;
  StartX = ::StartX;
  StartY = ::StartY;
  X = StartX;
  Y = StartY;
  Heading = 0;
  Started = false;
  TimeCount = 0;
  TimeText = "0";
}

void CarModel::Advance(std::uint32_t lag, const TDXInputStates& states) {
  const Extended lagL = lag;
  const double startX = X, startY = Y;

  const Extended a = lagL * ThrottleRate;
  if (states.Contains(isUp)) Speed = static_cast<double>(Speed - a);
  if (states.Contains(isDown)) Speed = static_cast<double>(Speed + a);
  // Reversing drives the car as surely as going forward does: either key
  // starts the clock, or a run begun in reverse would cover metres in no time.
  if ((states.Contains(isUp) || states.Contains(isDown)) && !Started) {
    Started = true;
    if (OnStartTimeCounter) OnStartTimeCounter();
  }

  const bool road = IsRoad(TileIndex);
  const double lower = road ? RoadMinSpeed : OffRoadMinSpeed;
  const double upper = road ? RoadMaxSpeed : OffRoadMaxSpeed;
  if (!(Speed >= lower)) Speed = lower;
  if (Speed > upper) Speed = upper;

  const Extended d = lagL * SteeringRate;
  if (states.Contains(isLeft)) Heading = static_cast<double>(Heading - d);
  if (states.Contains(isRight)) Heading = static_cast<double>(Heading + d);
  if (Heading > 255) Heading = 0;
  if (!(Heading >= 0)) Heading = 255;

  const int k = static_cast<int>(TruncToInt64(Extended(Heading) - 64));
  X = static_cast<double>(X - Extended(Cos256(k)) * Speed / 1000 * lagL);
  Y = static_cast<double>(Y - Extended(Sin256(k)) * Speed / 1000 * lagL);

  if (!(X >= MinX)) X = MinX;
  if (!(Y >= MinY)) Y = MinY;
  if (X > MaxX) X = MaxX;
  if (Y > MaxY) Y = MaxY;

  // The odometer grows by the length of the step the car really made, after
  // the bounds: a fixed amount per frame would make the distance depend on the
  // frame rate and keep counting while the car stands against the world's edge.
  const Extended dx = Extended(X) - startX;
  const Extended dy = Extended(Y) - startY;
  if (dx != 0 || dy != 0)
    Distance = static_cast<double>(Distance + Sqrt(dx * dx + dy * dy) * MetresPerPixel);

  OldX = X;
  OldY = Y;

  const Displacement r = DisplacementAt(X, Y);
  Rx = r.Rx;
  Ry = r.Ry;
  RLength = r.Length;

  FormatFixed(Rx, 0, RxText);
  FormatFixed(Ry, 0, RyText);
  FormatFixed(RLength, 1, RLengthText);
}

void CarModel::LocateTile() {
  const TileLocation t = TileAt(X, Y);
  TileCol = t.Col;
  TileRow = t.Row;
  TileIndex = t.Index;
}

void CarModel::Stop() {
  Speed = 0;
  Started = false;
}

void CarModel::TimeTick() {
  ++TimeCount;
  TimeText = std::to_string(TimeCount);
}
