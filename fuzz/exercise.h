#pragma once

#include <cstdlib>
#include <cstring>

#include "gfx/dib.h"
#include "gfx/surface.h"

// What the program does with a picture once it is read: copy it into a display
// surface (which expands run-length data), then write it out and read it back.
// Whatever the reader accepted, the writer must give back the same picture.
// Nothing here touches pixels one by one: a caller never does.
inline void Exercise(const TDIB& dib, bool asFile) {
  if (dib.Width() <= TDirectDraw::MaxSurfaceSide && dib.Height() <= TDirectDraw::MaxSurfaceSide) {
    TDirectDraw dd;
    TDirectDrawSurface surface(&dd);
    surface.LoadFromGraphic(dib);
  }

  TMemoryStream out;
  if (asFile)
    dib.SaveToStream(out);
  else
    dib.WriteData(out);
  out.SetPosition(0);
  TDIB again;
  if (asFile)
    again.LoadFromStream(out);
  else
    again.ReadData(out);
  if (out.Position() != out.Size() || again.Width() != dib.Width() ||
      again.Height() != dib.Height() || again.BitCount() != dib.BitCount() ||
      !(again.PixelFormat() == dib.PixelFormat()))
    std::abort();
  // A table may carry more entries than its pixels can reach; only those reached
  // are written.
  const int reached = dib.BitCount() <= 8 ? 1 << dib.BitCount() : 0;
  for (int i = 0; i < reached; ++i)
    if (!(again.ColorTable()[i] == dib.ColorTable()[i])) std::abort();
  for (int y = 0; y < dib.Height(); ++y)
    if (std::memcmp(again.ScanLine(y), dib.ScanLine(y), static_cast<std::size_t>(dib.WidthBytes())))
      std::abort();
}
