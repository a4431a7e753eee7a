#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The port through which a surface's canvas writes text and draws lines. The
// surface owns its pixels; a backend only paints into the memory it is handed
// for as long as the device it opened lives (the surface stays locked meanwhile).
//
// Colours are 0x00BBGGRR (red in the low byte). Texts are UTF-8.

// Memory of a locked surface. Pitch is a multiple of 4 and Bits is at least
// 4-byte aligned, so the memory can be wrapped without copying.
struct CanvasSurface {
  std::uint8_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  int Pitch = 0;  // bytes per row
  int BitCount = 16;
  // Contiguous channel fields; 5-6-5 is F800/07E0/001F, 5-5-5 is 7C00/03E0/001F.
  std::uint32_t RedMask = 0xF800;
  std::uint32_t GreenMask = 0x07E0;
  std::uint32_t BlueMask = 0x001F;
};

struct CanvasFont {
  std::string Name = "MS Sans Serif";
  int Size = 8;          // points
  int PixelHeight = 11;  // the height at 96 pixels per inch; what backends should honour
  std::uint32_t Color = 0;
  bool Bold = false;
  bool Italic = false;
};

// With Clear the text is drawn without its background box.
enum class CanvasBrushStyle { Solid, Clear };

struct CanvasBrush {
  CanvasBrushStyle Style = CanvasBrushStyle::Solid;
  std::uint32_t Color = 0xFFFFFF;
};

struct CanvasPen {
  std::uint32_t Color = 0;
  int Width = 1;
};

// One painting session on one surface: what the platform's device context is to
// a Windows canvas. Nothing here throws; coordinates outside the surface clip.
class CanvasDevice {
 public:
  virtual ~CanvasDevice() = default;
  // The text's cell has its top-left corner at (x, y); a solid brush fills the
  // cell behind the glyphs first.
  virtual void TextOut(int x, int y, const std::string& text, const CanvasFont& font,
                       const CanvasBrush& brush) = 0;
  // A one-pixel-wide (for Width 1) line from (x0, y0) towards (x1, y1). The end
  // point itself is not drawn, so consecutive segments do not paint their
  // joints twice and a zero-length line draws nothing.
  virtual void Line(int x0, int y0, int x1, int y1, const CanvasPen& pen) = 0;
};

class CanvasBackend {
 public:
  virtual ~CanvasBackend() = default;
  // Null when the memory cannot be painted on (an unsupported depth, say).
  virtual std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) = 0;
};

// The backend used by every canvas. None is installed by default: canvases then
// draw nothing. The platform installs its own at start-up; tests install doubles.
inline CanvasBackend*& CanvasBackendSlot() {
  static CanvasBackend* backend = nullptr;
  return backend;
}
inline CanvasBackend* GetCanvasBackend() {
  return CanvasBackendSlot();
}
inline void SetCanvasBackend(CanvasBackend* backend) {
  CanvasBackendSlot() = backend;
}
