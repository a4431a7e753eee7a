#include "sim/instrument_panel.h"

#include <cmath>
#include <string>

#include "gfx/canvas.h"
#include "gfx/picture_collection.h"
#include "gfx/surface.h"
#include "lesson/catalogue.h"
#include "sim/extended.h"
#include "sim/number_format.h"
#include "sim/picture_catalogue.h"

OdometerCells OdometerCellsFor(double distance) {
  OdometerCells cells{};
  const Extended d = distance;
  const std::int64_t hundreds = TruncToInt64(d) / 100;
  // One pixel of roll per 7 metres: the next digit fills the window for the
  // last two metres of each hundred.
  const Extended roll = (d - Extended(100) * hundreds) / 7;
  const int current = static_cast<int>(std::llabs(hundreds % 10));
  cells.RedLowerPattern = current;
  cells.RedUpperPattern = current == 9 ? 0 : current + 1;
  cells.RedUpperY = static_cast<int>(TruncToInt64(251 + roll));
  cells.RedLowerY = static_cast<int>(TruncToInt64(265 + roll));

  std::int64_t km = RoundToInt64(d) / 1000;
  for (int& digit : cells.BlackDigits) {
    digit = static_cast<int>(km % 10);
    km /= 10;
  }
  return cells;
}

double NeedleAngleFor(double speed) {
  const Extended s = speed;
  return static_cast<double>(Abs(s * 128 / -800) - 64);
}

std::array<ReadOut, 5> ReadOutsFor(const std::string& rxText, const std::string& ryText,
                                   const std::string& rLengthText, const std::string& timeText,
                                   double distance) {
  // Only the words and units change with the language; the figures keep
  // their decimal point in every one.
  const std::string metres = lesson::Tr("unit", "m");
  const std::string seconds = lesson::Tr("unit", "s");
  return {{
      {540, 70, "Rx=" + rxText + " " + metres},
      {540, 85, "Ry=" + ryText + " " + metres},
      {540, 100, "|R|=" + rLengthText + " " + metres},
      {485, 300, lesson::Tr("Czas t=") + timeText + " " + seconds},
      {485, 320, lesson::Tr("Droga s=") + FormatFixed(distance, 0) + metres},
  }};
}

void DrawPanelFrame(TPictureCollection& images, TDirectDrawSurface* surface) {
  TPictureCollectionItem* frame = images.Items(PictureDroga);
  for (int p = 64; p <= 384; p += 64) {
    frame->Draw(surface, 0, p, 56);
    frame->Draw(surface, 416, p, 57);
  }
  for (int p = 64; p <= 384; p += 64) frame->Draw(surface, p, 0, 58);
  for (int p = 64; p <= 384; p += 64) frame->Draw(surface, p, 416, 59);
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 3; ++j) frame->Draw(surface, 480 + 64 * j, 160 + 64 * i, 55);
  frame->Draw(surface, 0, 0, 23);
  frame->Draw(surface, 416, 0, 31);
  frame->Draw(surface, 0, 416, 39);
  frame->Draw(surface, 416, 416, 47);
  images.Items(PictureKlawiszeKostki)->Draw(surface, 35, 450, 0);
}

void DrawOdometer(TPictureCollection& images, TDirectDrawSurface* surface, double distance,
                  std::uint16_t x0) {
  const OdometerCells cells = OdometerCellsFor(distance);
  TPictureCollectionItem* red = images.Items(PictureCyfryCzerwone);
  red->Draw(surface, x0 + RedDrumOffsetX, cells.RedUpperY, cells.RedUpperPattern);
  red->Draw(surface, x0 + RedDrumOffsetX, cells.RedLowerY, cells.RedLowerPattern);
  TPictureCollectionItem* black = images.Items(PictureCyfryCzarne);
  for (std::size_t c = 0; c < cells.BlackDigits.size(); ++c)
    black->Draw(surface, x0 + BlackDigitOffsetsX[c], BlackDigitsY, cells.BlackDigits[c]);
  // The face's windows show the cells; the rest of the face hides them.
  images.Items(PictureLicznikDrogi)->Draw(surface, x0, 160, 0);
}

void DrawNeedle(TPictureCollection& images, TDirectDrawSurface* surface, double needleAngle) {
  images.Items(PictureWskazowka)
      ->DrawRotate(surface, 558, 230, 9, 62, 0, 0.5, 0.95,
                   static_cast<int>(std::lrint(needleAngle)));
}

void DrawReadOuts(TDirectDrawSurfaceCanvas& canvas, const std::array<ReadOut, 5>& readOuts) {
  for (const ReadOut& r : readOuts) canvas.TextOut(r.X, r.Y, r.Text);
}
