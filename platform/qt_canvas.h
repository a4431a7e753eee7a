#pragma once

#include <memory>

#include "platform/canvas_backend.h"

// Text and lines on surface memory with Qt. Text is not antialiased: each text
// is rendered into an 8-bit coverage mask and written into the surface by us,
// because Qt 6.4 draws non-antialiased text onto 16-bit images with every
// other row shifted. Lines follow the Windows rule: the end point is not drawn.
//
// "MS Sans Serif" (the framework's default font) maps to Liberation Sans, else
// DejaVu Sans; sizes are the font's pixel height, whatever the screen's DPI.
class QtCanvasBackend final : public CanvasBackend {
 public:
  std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) override;
};
