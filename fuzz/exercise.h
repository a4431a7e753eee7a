#pragma once

#include "gfx/dib.h"
#include "gfx/surface.h"

inline volatile unsigned gExerciseSink;

// What the program does with a picture once it is read: every pixel read (which
// expands run-length data), written back out, and copied into a 16-bit surface.
inline void Exercise(const TDIB& dib) {
  unsigned sum = 0;
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x) sum += static_cast<unsigned>(dib.PixelColor(x, y));
  TMemoryStream out;
  dib.WriteData(out);
  TDIB again;
  out.SetPosition(0);
  again.ReadData(out);
  if (dib.Width() <= TDirectDraw::MaxSurfaceSide && dib.Height() <= TDirectDraw::MaxSurfaceSide) {
    TDirectDraw dd;
    TDirectDrawSurface surface(&dd);
    surface.LoadFromGraphic(dib);
    sum += surface.Pixels(0, 0);
  }
  gExerciseSink = sum;
}
