#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/canvas_backend.h"

// Text and lines on surface memory with Qt. Text is not antialiased: each text
// is rendered into an 8-bit coverage mask and written into the surface by us,
// because Qt 6.4 draws non-antialiased text onto 16-bit images with every
// other row shifted. Lines follow the Windows rule: the end point is not drawn.
//
// "MS Sans Serif" (the framework's default font) maps to Liberation Sans, else
// DejaVu Sans; sizes are the font's pixel height, whatever the screen's DPI.
//
// Laying out text with Qt costs far more than the whole rest of a frame, and
// the read-outs show new numbers while the car moves. So every character is
// rendered once per font (its advance and ink pixels), texts are put together
// from those, and the texts themselves are kept too.
class QtCanvasBackend final : public CanvasBackend {
 public:
  std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) override;

  struct RenderedText {
    int Width = 0;  // the text's cell
    int Height = 0;
    std::vector<std::int16_t> Ink;  // x, y pairs relative to the cell's corner
  };
  // The rendering of a text in a font, made on first use.
  const RenderedText& Render(const std::string& text, const CanvasFont& font);

 private:
  static constexpr std::size_t MaxKept = 512;
  static std::string FontKey(const CanvasFont& font);
  const RenderedText& Glyph(const std::string& fontKey, char32_t c, const CanvasFont& font);

  std::unordered_map<std::string, RenderedText> kept_;
  std::unordered_map<std::string, RenderedText> glyphs_;  // Width is the advance
};
