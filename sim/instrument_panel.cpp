#include "sim/instrument_panel.h"

#include <cmath>
#include <string>

#include "sim/number_format.h"

OdometerCells OdometerCellsFor(double distance) {
  OdometerCells cells{};
  const long double d = distance;
  const std::int64_t hundreds = static_cast<std::int64_t>(std::trunc(d)) / 100;
  // One pixel of roll per 7 metres: the next digit fills the window for the
  // last two metres of each hundred.
  const long double roll = (d - 100.0L * hundreds) / 7;
  const int current = static_cast<int>(std::llabs(hundreds % 10));
  cells.RedLowerPattern = current;
  cells.RedUpperPattern = current == 9 ? 0 : current + 1;
  cells.RedUpperY = static_cast<int>(std::trunc(251 + roll));
  cells.RedLowerY = static_cast<int>(std::trunc(265 + roll));

  std::int64_t km = std::llrint(d) / 1000;
  for (int& digit : cells.BlackDigits) {
    digit = static_cast<int>(km % 10);
    km /= 10;
  }
  return cells;
}

double NeedleAngleFor(double speed) {
  const long double s = speed;
  return static_cast<double>(std::fabs(s * 128 / -800) - 64);
}

std::array<ReadOut, 5> ReadOutsFor(const std::string& rxText, const std::string& ryText,
                                   const std::string& rLengthText, const std::string& timeText,
                                   double distance) {
  return {{
      {540, 70, "Rx=" + rxText + " m"},
      {540, 85, "Ry=" + ryText + " m"},
      {540, 100, "|R|=" + rLengthText + " m"},
      {485, 300, "Czas t=" + timeText + " s"},
      {485, 320, "Droga s=" + FormatFixed(distance, 0) + "m"},
  }};
}
