#include "platform/web/web_display.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstring>

#include "platform/form.h"
#include "platform/web/web_application.h"

namespace {

// clang-format off
EM_JS(int, PutCanvasPixels, (const std::uint8_t* rgba, int width, int height), {
  var canvas = Module['canvas'];
  if (!canvas) return 0;
  if (canvas.width != width || canvas.height != height) {
    canvas.width = width;
    canvas.height = height;
    Module.screenContext = null;
  }
  var context = Module.screenContext;
  if (!context) {
    context = Module.screenContext = canvas.getContext('2d', {alpha: false});
    Module.screenImage = context.createImageData(width, height);
  }
  var image = Module.screenImage;
  image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
  context.putImageData(image, 0, 0);
  if (Module['onPresent']) Module['onPresent']();
  return 1;
});
// clang-format on

std::vector<std::uint16_t>& FirstFrame() {
  static std::vector<std::uint16_t> frame;
  return frame;
}

struct Channel {
  int shift;  // of the field's lowest bit
  int bits;
};

Channel ChannelOf(std::uint32_t mask) {
  Channel c{0, 0};
  if (!mask) return c;
  while (!(mask >> c.shift & 1)) ++c.shift;
  while (c.shift + c.bits < 32 && (mask >> (c.shift + c.bits) & 1)) ++c.bits;
  return c;
}

// A field of b bits widened to 8 by repeating its top bits, so white stays white.
std::uint8_t Widen(std::uint32_t value, const Channel& c) {
  if (c.bits == 0) return 0;
  const std::uint32_t v = value >> c.shift & ((1u << c.bits) - 1);
  if (c.bits >= 8) return static_cast<std::uint8_t>(v >> (c.bits - 8));
  std::uint32_t out = v << (8 - c.bits);
  for (int filled = c.bits; filled < 8; filled += c.bits) out |= out >> c.bits;
  return static_cast<std::uint8_t>(out);
}

class WebDisplayDevice final : public DisplayDevice {
 public:
  WebDisplayDevice() { FirstFrame().clear(); }

  std::vector<DisplayMode> EnumDisplayModes() override {
    const DisplayMode screen = ScreenSize();
    return StandardDisplayModes(screen.Width, screen.Height);
  }
  bool SetCooperativeLevel(FormHost* form, bool fullScreen) override {
    form_ = form;
    fullScreen_ = fullScreen;
    return true;
  }
  bool SetDisplayMode(const DisplayMode& mode) override {
    const std::vector<DisplayMode> modes = EnumDisplayModes();
    if (std::find(modes.begin(), modes.end(), mode) == modes.end()) return false;
    mode_ = mode;
    return true;
  }
  void RestoreDisplayMode() override { mode_ = DisplayMode{}; }
  DisplayMode Screen() const override {
    if (mode_.Width > 0) return mode_;
    if (form_ && !fullScreen_) return DisplayMode{form_->ClientWidth(), form_->ClientHeight(), 32};
    return ScreenSize();
  }
  bool CreatePrimary() override { return true; }

  bool Present(const PresentImage& image, const PresentRect&) override {
    if (!image.Bits || image.Width <= 0 || image.Height <= 0) return false;
    const int bytes = (image.BitCount + 7) / 8;
    const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
    const bool first = FirstFrame().empty() && image.BitCount == 16;
    if (first) FirstFrame().resize(pixels);
    rgba_.resize(pixels * 4);
    const Channel red = ChannelOf(image.RedMask), green = ChannelOf(image.GreenMask),
                  blue = ChannelOf(image.BlueMask);
    std::uint8_t* out = rgba_.data();
    for (int y = 0; y < image.Height; ++y) {
      const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
      for (int x = 0; x < image.Width; ++x, out += 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, row + x * bytes, static_cast<std::size_t>(bytes));
        if (first)
          FirstFrame()[static_cast<std::size_t>(y) * image.Width + x] =
              static_cast<std::uint16_t>(v);
        out[0] = Widen(v, red);
        out[1] = Widen(v, green);
        out[2] = Widen(v, blue);
        out[3] = 255;
      }
    }
    if (!PutCanvasPixels(rgba_.data(), image.Width, image.Height)) return false;
    ++WebApplication::PresentedFrames();
    return true;
  }
  void WaitForVerticalBlank() override {}
  bool Lost() const override { return false; }
  bool Restore() override { return true; }

 private:
  static DisplayMode ScreenSize() {
    const int width = EM_ASM_INT({ return screen.width | 0; });
    const int height = EM_ASM_INT({ return screen.height | 0; });
    return DisplayMode{std::max(width, 640), std::max(height, 480), 32};
  }

  FormHost* form_ = nullptr;
  bool fullScreen_ = false;
  DisplayMode mode_;
  std::vector<std::uint8_t> rgba_;
};

}  // namespace

std::unique_ptr<DisplayDevice> WebDisplayDeviceFactory::Create() {
  return std::make_unique<WebDisplayDevice>();
}

const std::vector<std::uint16_t>& FirstPresentedFrame() {
  return FirstFrame();
}
