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
  if (!context) context = Module.screenContext = canvas.getContext('2d', {alpha: false});
  // The pixels straight from the module's memory, no copy; the view is made
  // again when the memory has grown (its buffer is then a new one) or moved.
  var image = Module.screenImage;
  if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba ||
      image.width != width || image.height != height) {
    image = Module.screenImage =
        new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
  }
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
std::uint32_t Widen(std::uint32_t value, const Channel& c) {
  if (c.bits == 0) return 0;
  const std::uint32_t v = value >> c.shift & ((1u << c.bits) - 1);
  if (c.bits >= 8) return (v >> (c.bits - 8)) & 0xFF;
  std::uint32_t out = v << (8 - c.bits);
  for (int filled = c.bits; filled < 8; filled += c.bits) out |= out >> c.bits;
  return out & 0xFF;
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
    const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
    const bool first = FirstFrame().empty() && image.BitCount == 16;
    if (first) FirstFrame().resize(pixels);
    rgba_.resize(pixels);
    if (first)
      for (int y = 0; y < image.Height; ++y)
        std::memcpy(&FirstFrame()[static_cast<std::size_t>(y) * image.Width],
                    image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch,
                    static_cast<std::size_t>(image.Width) * 2);
    if (image.BitCount == 16)
      Convert16(image);
    else
      ConvertAny(image);
    if (!PutCanvasPixels(reinterpret_cast<const std::uint8_t*>(rgba_.data()), image.Width,
                         image.Height))
      return false;
    ++WebApplication::PresentedFrames();
    return true;
  }
  void WaitForVerticalBlank() override {}
  bool Lost() const override { return false; }
  bool Restore() override { return true; }

 private:
  // Every 16-bit pixel through a table of its RGBA, made once for the masks.
  void Convert16(const PresentImage& image) {
    if (table_.empty() || tableMasks_[0] != image.RedMask || tableMasks_[1] != image.GreenMask ||
        tableMasks_[2] != image.BlueMask) {
      const Channel red = ChannelOf(image.RedMask), green = ChannelOf(image.GreenMask),
                    blue = ChannelOf(image.BlueMask);
      table_.resize(65536);
      for (std::uint32_t v = 0; v < 65536; ++v)
        table_[v] = Widen(v, red) | Widen(v, green) << 8 | Widen(v, blue) << 16 | 0xFF000000u;
      tableMasks_[0] = image.RedMask;
      tableMasks_[1] = image.GreenMask;
      tableMasks_[2] = image.BlueMask;
    }
    std::uint32_t* out = rgba_.data();
    for (int y = 0; y < image.Height; ++y) {
      const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
      for (int x = 0; x < image.Width; ++x) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        *out++ = table_[v];
      }
    }
  }

  void ConvertAny(const PresentImage& image) {
    const int bytes = (image.BitCount + 7) / 8;
    const Channel red = ChannelOf(image.RedMask), green = ChannelOf(image.GreenMask),
                  blue = ChannelOf(image.BlueMask);
    std::uint32_t* out = rgba_.data();
    for (int y = 0; y < image.Height; ++y) {
      const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
      for (int x = 0; x < image.Width; ++x) {
        std::uint32_t v = 0;
        std::memcpy(&v, row + x * bytes, static_cast<std::size_t>(bytes));
        *out++ = Widen(v, red) | Widen(v, green) << 8 | Widen(v, blue) << 16 | 0xFF000000u;
      }
    }
  }

  static DisplayMode ScreenSize() {
    const int width = EM_ASM_INT({ return screen.width | 0; });
    const int height = EM_ASM_INT({ return screen.height | 0; });
    return DisplayMode{std::max(width, 640), std::max(height, 480), 32};
  }

  FormHost* form_ = nullptr;
  bool fullScreen_ = false;
  DisplayMode mode_;
  std::vector<std::uint32_t> rgba_;  // RGBA bytes in memory order
  std::vector<std::uint32_t> table_;
  std::uint32_t tableMasks_[3] = {};
};

}  // namespace

std::unique_ptr<DisplayDevice> WebDisplayDeviceFactory::Create() {
  return std::make_unique<WebDisplayDevice>();
}

const std::vector<std::uint16_t>& FirstPresentedFrame() {
  return FirstFrame();
}
