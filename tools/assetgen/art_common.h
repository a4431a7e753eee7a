#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <cstdint>

// Shared painting helpers for the picture generator. Every picture is painted
// into a QImage (RGB32 for finished pictures) in which see-through pixels hold
// exactly the key colour and no other pixel does.

namespace art {

inline constexpr QRgb Key = 0xFFFF00FF;  // magenta, the colour key

// A small xorshift generator: the same numbers on every machine and library.
class Rng {
 public:
  explicit Rng(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  double unit() { return (next() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

 private:
  std::uint32_t state_;
};

// A well-mixed hash of a pixel position, for textures that must not depend on
// the order in which pixels are visited.
std::uint32_t hash2(int x, int y, std::uint32_t seed);
double hashUnit(int x, int y, std::uint32_t seed);  // [0, 1)

// Smooth value noise that repeats every `period` units in x and y.
double periodicNoise(double x, double y, int cell, int period, std::uint32_t seed);

QRgb mixRgb(QRgb a, QRgb b, double t);  // t = 0 gives a
QRgb shadeRgb(QRgb c, double factor);

// Loads the bundled-with-the-system font files by path so that the glyphs do
// not depend on which font fontconfig would pick.
void loadFonts();
QFont sans(double pixelSize, bool bold = false);
QFont sansCondensed(double pixelSize, bool bold = false);

// An ARGB32 image filled with transparency, for painting shapes with soft
// edges before they are reduced to key and opaque pixels.
QImage clearCanvas(int width, int height);

// Turns painted coverage into a picture with a hard colour key: pixels less
// than half covered become the key, the rest are blended over `matte` (the
// colour they will mostly be seen against), so edges stay smooth without pink
// fringes.
QImage keyedFromCoverage(const QImage& argb, QRgb matte, int minAlpha = 128);

// True for colours that a 16-bit surface (5-6-5 or 5-5-5) turns into the
// same pixel value as the key, so they would be see-through on the screen.
bool seenAsKey(QRgb colour);
// An opaque colour moved just far enough from the key to stay visible.
QRgb awayFromKey(QRgb colour);

// Copies `part` into `target` at (x, y), pixel for pixel.
void blit(QImage& target, const QImage& part, int x, int y);

}  // namespace art
