#include "gfx/surface.h"

void TDirectDrawSurface::DrawRotate(int, int, int, int, const TRect&, TDirectDrawSurface*, double,
                                    double, bool, int) {
  // Rotated drawing comes with its own commit.
}
