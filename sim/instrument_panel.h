#pragma once

#include <array>
#include <cstdint>
#include <string>

class TDirectDrawSurface;
class TDirectDrawSurfaceCanvas;
class TPictureCollection;

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

// The metal frame round the track view, the black panel and the key legend.
void DrawPanelFrame(TPictureCollection& images, TDirectDrawSurface* surface);
// The digit cells under the instrument face, then the face, its left edge at x0.
void DrawOdometer(TPictureCollection& images, TDirectDrawSurface* surface, double distance,
                  std::uint16_t x0);
// The speedometer needle about the dial's pivot at (558, 230).
void DrawNeedle(TPictureCollection& images, TDirectDrawSurface* surface, double needleAngle);
void DrawReadOuts(TDirectDrawSurfaceCanvas& canvas, const std::array<ReadOut, 5>& readOuts);
