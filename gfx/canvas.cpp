#include "gfx/canvas.h"

#include "gfx/surface.h"

TDirectDrawSurfaceCanvas::TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface)
    : surface_(surface) {}

TDirectDrawSurfaceCanvas::~TDirectDrawSurfaceCanvas() {
  Release();
}

CanvasDevice* TDirectDrawSurfaceCanvas::Device() {
  if (HasDC()) return device_.get();
  TSurfaceMemory memory;
  if (!surface_.GetDC(memory)) return nullptr;
  dcWithoutBackend_ = true;
  if (CanvasBackend* backend = GetCanvasBackend()) {
    CanvasSurface target;
    target.Bits = memory.Bits;
    target.Width = surface_.Width();
    target.Height = surface_.Height();
    target.Pitch = memory.Pitch;
    target.BitCount = surface_.BitCount();
    target.RedMask = surface_.PixelFormat().RBitMask;
    target.GreenMask = surface_.PixelFormat().GBitMask;
    target.BlueMask = surface_.PixelFormat().BBitMask;
    device_ = backend->Open(target);
    if (device_) dcWithoutBackend_ = false;
  }
  return device_.get();
}

void TDirectDrawSurfaceCanvas::TextOut(int x, int y, const std::string& text) {
  CanvasDevice* device = Device();
  if (!device) return;
  CanvasFont font;
  font.Name = Font.Name;
  font.Size = Font.Size;
  font.PixelHeight = Font.Height;
  font.Color = static_cast<std::uint32_t>(ColorToRGB(Font.Color));
  font.Bold = Font.Bold;
  CanvasBrush brush;
  brush.Style = Brush.Style == bsClear ? CanvasBrushStyle::Clear : CanvasBrushStyle::Solid;
  brush.Color = static_cast<std::uint32_t>(ColorToRGB(Brush.Color));
  device->TextOut(x, y, text, font, brush);
}

void TDirectDrawSurfaceCanvas::MoveTo(int x, int y) {
  penX_ = x;
  penY_ = y;
}

void TDirectDrawSurfaceCanvas::LineTo(int x, int y) {
  if (CanvasDevice* device = Device()) {
    CanvasPen pen;
    pen.Color = static_cast<std::uint32_t>(ColorToRGB(Pen.Color));
    pen.Width = Pen.Width;
    device->Line(penX_, penY_, x, y, pen);
  }
  penX_ = x;
  penY_ = y;
}

void TDirectDrawSurfaceCanvas::Release() {
  if (!HasDC()) return;
  device_.reset();
  dcWithoutBackend_ = false;
  surface_.ReleaseDC();
}
