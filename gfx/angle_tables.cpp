#include "gfx/angle_tables.h"

#include <cmath>

double CosTable[256];

void InitCosTable() {
  // The argument is built in extended precision in this exact order so that
  // every entry matches the reference values to the last bit; the quarter
  // turns keep the tiny non-zero cosines of the rounded argument.
  constexpr long double Pi = 3.141592653589793238462643383279502884L;
  for (int i = 0; i < 256; ++i) {
    long double x = static_cast<long double>(i);
    x = x / 256;
    x = x * 2;
    x = x * Pi;
    CosTable[i] = static_cast<double>(std::cos(x));
  }
}

namespace {
// The table must be ready before any window (or test) uses it.
const bool cosTableReady = (InitCosTable(), true);
}  // namespace
