#pragma once

#include "platform/glyph_canvas.h"

// Text and lines on surface memory with Qt. Text is not antialiased: each
// character is rendered into an 8-bit coverage mask and written into the
// surface by us, because Qt 6.4 draws non-antialiased text onto 16-bit images
// with every other row shifted.
//
// "MS Sans Serif" (the framework's default font) maps to Liberation Sans, else
// DejaVu Sans; sizes are the font's pixel height, whatever the screen's DPI.
//
// Laying out text with Qt costs far more than the whole rest of a frame, and
// the read-outs show new numbers while the car moves; so characters are
// rendered once per font and texts put together from them.
class QtCanvasBackend final : public GlyphCanvasBackend {
 protected:
  RenderedText RenderGlyph(char32_t c, const CanvasFont& font) override;
};
