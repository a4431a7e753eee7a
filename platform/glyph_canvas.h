#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/canvas_backend.h"

// Text and lines on surface memory, with text put together from characters
// rendered one by one: each character's ink pixels and advance are made once
// per font by the backend beneath (Qt on the desktop, a glyph atlas in the
// browser), and the texts made of them are kept too. Text is not antialiased:
// a pixel is ink or not. Lines follow the Windows rule: the end point is not
// drawn.
class GlyphCanvasBackend : public CanvasBackend {
 public:
  std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) override;

  struct RenderedText {
    int Width = 0;  // the text's cell
    int Height = 0;
    std::vector<std::int16_t> Ink;  // x, y pairs relative to the cell's corner
  };
  // The rendering of a text in a font, made on first use.
  const RenderedText& Render(const std::string& text, const CanvasFont& font);

 protected:
  // One character: Width is its advance, Height the font's line height. Ink
  // may reach outside the cell (accents, overhangs).
  virtual RenderedText RenderGlyph(char32_t c, const CanvasFont& font) = 0;

 private:
  static constexpr std::size_t MaxKept = 512;
  static std::string FontKey(const CanvasFont& font);
  const RenderedText& Glyph(const std::string& fontKey, char32_t c, const CanvasFont& font);

  std::unordered_map<std::string, RenderedText> kept_;
  std::unordered_map<std::string, RenderedText> glyphs_;  // Width is the advance
};

// The code points of UTF-8 text; a malformed sequence reads as U+FFFD.
std::u32string DecodeUtf8(const std::string& text);
