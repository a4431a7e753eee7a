#pragma once

#include "platform/glyph_canvas.h"

// Text and lines on surface memory in the browser: characters come from the
// glyph atlas made from the desktop's rendering. A font the atlas lacks is
// drawn in the atlas font of the nearest height; a character it lacks takes
// no room and leaves no ink.
class WebCanvasBackend final : public GlyphCanvasBackend {
 protected:
  RenderedText RenderGlyph(char32_t c, const CanvasFont& font) override;
};
