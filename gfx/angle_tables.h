#pragma once

// Angles are integers in 256ths of a full turn; only the low 8 bits count.
// The cosines are looked up in one table so the frame loop makes no
// trigonometric calls.

extern double CosTable[256];

// Fills CosTable. It runs by itself before main; calling it again changes nothing.
void InitCosTable();

inline double Cos256(int angle) {
  return CosTable[angle & 255];
}
inline double Sin256(int angle) {
  // Unsigned, so that the quarter turn wraps at the ends of the int range too.
  return CosTable[(static_cast<unsigned>(angle) + 192u) & 255u];
}
