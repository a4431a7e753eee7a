#pragma once

#include <array>
#include <cstdint>
#include <string>

// Where the odometer's digit cells go for a distance. The red drum rolls with
// the hundreds of metres; the black digits jump with whole kilometres.
struct OdometerCells {
  int RedUpperPattern;  // the next digit, sliding in from above
  int RedUpperY;
  int RedLowerPattern;  // the current hundreds digit
  int RedLowerY;
  // The kilometre digits from the right (index 0 is the units).
  std::array<int, 5> BlackDigits;
};

inline constexpr int RedDrumOffsetX = 95;
inline constexpr int BlackDigitsY = 265;
// Left edges of the five black digit columns, units first, from the face's left edge.
inline constexpr std::array<int, 5> BlackDigitOffsetsX = {81, 71, 61, 51, 41};

OdometerCells OdometerCellsFor(double distance);

// The speedometer needle's angle in 256ths of a turn: -64 (left, at 0) for a
// standing car, straight up at |Speed| 400, the same whichever way it drives.
double NeedleAngleFor(double speed);

// The five read-outs of the panel, in drawing order.
struct ReadOut {
  int X;
  int Y;
  std::string Text;
};
std::array<ReadOut, 5> ReadOutsFor(const std::string& rxText, const std::string& ryText,
                                   const std::string& rLengthText, const std::string& timeText,
                                   double distance);
