#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/canvas_backend.h"

// A canvas backend that paints nothing and remembers every call, so tests can
// see what a canvas asked for and when it held the surface.
class RecordingCanvasBackend : public CanvasBackend {
 public:
  struct Call {
    std::string Kind;  // "open", "text", "line", "close"
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    std::string Text;
    std::uint32_t Color = 0;
    CanvasBrushStyle Brush = CanvasBrushStyle::Solid;
    CanvasSurface Surface;
  };
  std::vector<Call> Calls;
  bool Refuse = false;  // Open fails, as for memory the backend cannot paint on

  RecordingCanvasBackend() { SetCanvasBackend(this); }
  ~RecordingCanvasBackend() override { SetCanvasBackend(nullptr); }

  std::unique_ptr<CanvasDevice> Open(const CanvasSurface& surface) override {
    if (Refuse) return nullptr;
    Call c;
    c.Kind = "open";
    c.Surface = surface;
    Calls.push_back(c);
    return std::make_unique<Device>(*this);
  }

  int Count(const std::string& kind) const {
    int n = 0;
    for (const Call& c : Calls) n += c.Kind == kind;
    return n;
  }

 private:
  class Device : public CanvasDevice {
   public:
    explicit Device(RecordingCanvasBackend& owner) : owner_(owner) {}
    ~Device() override { owner_.Calls.push_back(Make("close", 0, 0, 0, 0)); }
    void TextOut(int x, int y, const std::string& text, const CanvasFont& font,
                 const CanvasBrush& brush) override {
      Call c = Make("text", x, y, 0, 0);
      c.Text = text;
      c.Color = font.Color;
      c.Brush = brush.Style;
      owner_.Calls.push_back(c);
    }
    void Line(int x0, int y0, int x1, int y1, const CanvasPen& pen) override {
      Call c = Make("line", x0, y0, x1, y1);
      c.Color = pen.Color;
      owner_.Calls.push_back(c);
    }

   private:
    static Call Make(const char* kind, int x0, int y0, int x1, int y1) {
      Call c;
      c.Kind = kind;
      c.X0 = x0;
      c.Y0 = y0;
      c.X1 = x1;
      c.Y1 = y1;
      return c;
    }
    RecordingCanvasBackend& owner_;
  };
};
