#pragma once

#include <cstddef>
#include <cstdint>

// Characters as the desktop renders them (its own text path, with its fonts),
// made at build time by the glyph atlas tool and compiled into the browser
// program, so that text on the back buffer comes out the same pixel for pixel.
struct AtlasGlyph {
  char32_t Code;
  std::int16_t Advance;
  std::int16_t Height;
  std::uint32_t FirstInk;  // index of its first x, y pair in the font's Ink
  std::uint32_t InkCount;  // pairs
};

struct AtlasFont {
  const char* Name;
  int PixelHeight;
  bool Bold;
  bool Italic;
  const AtlasGlyph* Glyphs;  // by Code, ascending
  std::size_t GlyphCount;
  const std::int8_t* Ink;  // x, y pairs relative to the cell's corner
};

extern const AtlasFont kAtlasFonts[];
extern const std::size_t kAtlasFontCount;
