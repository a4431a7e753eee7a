#pragma once

#include <memory>
#include <string>

#include "gfx/graphics_types.h"
#include "platform/canvas_backend.h"

class TDirectDrawSurface;

enum TBrushStyle { bsSolid, bsClear };

// Text and lines on a surface. The first drawing call takes the surface's
// device context (locking the surface); Release gives it back, which must
// happen before the surface is copied or presented. Afterwards the canvas can
// be used again.
class TDirectDrawSurfaceCanvas {
 public:
  explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface);
  ~TDirectDrawSurfaceCanvas();
  TDirectDrawSurfaceCanvas(const TDirectDrawSurfaceCanvas&) = delete;
  TDirectDrawSurfaceCanvas& operator=(const TDirectDrawSurfaceCanvas&) = delete;

  struct TFont {
    TColor Color = clBlack;
    std::string Name = "MS Sans Serif";
    int Size = 8;
    int Height = 11;  // pixels at 96 pixels per inch
    bool Bold = false;
  } Font;
  struct TBrush {
    TBrushStyle Style = bsSolid;
    TColor Color = clWhite;
  } Brush;
  struct TPen {
    TColor Color = clBlack;
    int Width = 1;
  } Pen;

  void TextOut(int x, int y, const std::string& text);
  void MoveTo(int x, int y);
  // A line from the pen position to (x, y), the end point not drawn; the pen
  // position becomes (x, y).
  void LineTo(int x, int y);
  int PenX() const { return penX_; }
  int PenY() const { return penY_; }

  void Release();
  bool HasDC() const { return device_ != nullptr || dcWithoutBackend_; }

 private:
  CanvasDevice* Device();

  TDirectDrawSurface& surface_;
  std::unique_ptr<CanvasDevice> device_;
  bool dcWithoutBackend_ = false;
  int penX_ = 0;
  int penY_ = 0;
};
