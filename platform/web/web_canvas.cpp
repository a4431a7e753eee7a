#include "platform/web/web_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "platform/web/glyph_atlas.h"

namespace {

bool SameName(std::string_view a, std::string_view b) {
  // The framework's default font is what an empty name stands for.
  if (a.empty()) a = "MS Sans Serif";
  if (b.empty()) b = "MS Sans Serif";
  return a == b;
}

const AtlasFont* FontFor(const CanvasFont& font) {
  const int height = font.PixelHeight > 0 ? font.PixelHeight : 11;
  const AtlasFont* best = nullptr;
  int bestScore = 0;
  for (std::size_t i = 0; i < kAtlasFontCount; ++i) {
    const AtlasFont& f = kAtlasFonts[i];
    const int score = std::abs(f.PixelHeight - height) * 8 + (SameName(f.Name, font.Name) ? 0 : 4) +
                      (f.Bold != font.Bold ? 2 : 0) + (f.Italic != font.Italic ? 1 : 0);
    if (!best || score < bestScore) best = &f, bestScore = score;
  }
  return best;
}

}  // namespace

GlyphCanvasBackend::RenderedText WebCanvasBackend::RenderGlyph(char32_t c, const CanvasFont& font) {
  RenderedText g;
  const AtlasFont* f = FontFor(font);
  if (!f) return g;
  const AtlasGlyph* end = f->Glyphs + f->GlyphCount;
  const AtlasGlyph* it = std::lower_bound(
      f->Glyphs, end, c, [](const AtlasGlyph& a, char32_t b) { return a.Code < b; });
  if (it == end || it->Code != c) return g;
  g.Width = it->Advance;
  g.Height = it->Height;
  const std::int8_t* ink = f->Ink + 2 * static_cast<std::size_t>(it->FirstInk);
  g.Ink.assign(ink, ink + 2 * static_cast<std::size_t>(it->InkCount));
  return g;
}
