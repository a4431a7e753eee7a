#include "platform/web/web_display.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstring>

#include "platform/form.h"
#include "platform/web/picture_scaler.h"
#include "platform/web/web_application.h"

namespace {

// The canvas (Module.canvas) is the window's size in device pixels, as the
// page sets it (Module.setScreenSize), and the browser shows it pixel for
// pixel; the picture is scaled into it here (PictureScaler). Until the page
// sets a size the canvas is the picture's.
// clang-format off
EM_JS(void, InstallPageScreen, (), {
  if (Module.screen) return;
  var screen = Module.screen = {};
  screen.context = function() {
    var canvas = Module['canvas'];
    if (!canvas.velnarContext) canvas.velnarContext = canvas.getContext('2d', {alpha: false});
    return canvas.velnarContext;
  };
  // The window's size in device pixels; what it shows is drawn again at it.
  Module['setScreenSize'] = function(width, height) {
    Module['_velnar_screen_size'](Math.max(1, Math.round(width)), Math.max(1, Math.round(height)));
  };
});

// Puts the rectangle [left, right) x [top, bottom) of an RGBA window image of
// width x height into the canvas, made that size first (which clears it).
EM_JS(int, PutCanvasPixels, (const std::uint8_t* rgba, int width, int height, int left, int top,
                             int right, int bottom), {
  var shown = Module['canvas'];
  if (!shown || !Module.screen) return 0;
  if (shown.width != width || shown.height != height) {
    shown.width = width;
    shown.height = height;
  }
  // The pixels straight from the module's memory, no copy; the view is made
  // again when the memory has grown (its buffer is then a new one) or moved.
  var image = Module.screenImage;
  if (!image || image.data.buffer !== HEAPU8.buffer || image.data.byteOffset !== rgba ||
      image.width != width || image.height != height) {
    image = Module.screenImage =
        new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4), width, height);
  }
  Module.screen.context().putImageData(image, 0, 0, left, top, right - left, bottom - top);
  if (Module['onPresent']) Module['onPresent']();
  return 1;
});
// clang-format on

class WebDisplayDevice;

// The window's size the page set, in device pixels; 0 x 0 for none yet.
struct PageSize {
  int Width = 0, Height = 0;
};
PageSize& PageScreen() {
  static PageSize size;
  return size;
}

// The device whose picture the canvas shows; any other presents whole.
WebDisplayDevice*& CanvasHolder() {
  static WebDisplayDevice* holder = nullptr;
  return holder;
}

std::uint32_t& AskedCount() {
  static std::uint32_t count = 0;
  return count;
}

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
  ~WebDisplayDevice() override {
    if (CanvasHolder() == this) CanvasHolder() = nullptr;
  }

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
    ++AskedCount();
    if (!image.Bits || image.Width <= 0 || image.Height <= 0) return false;
    const std::size_t pixels = static_cast<std::size_t>(image.Width) * image.Height;
    const bool first = FirstFrame().empty() && image.BitCount == 16;
    if (first) FirstFrame().resize(pixels);
    if (first)
      for (int y = 0; y < image.Height; ++y)
        std::memcpy(&FirstFrame()[static_cast<std::size_t>(y) * image.Width],
                    image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch,
                    static_cast<std::size_t>(image.Width) * 2);
    if (CanvasHolder() != this) shown_.clear();
    const Changed changed = Compare(image);
    // The canvas still shows the last picture: nothing to put, nothing shown anew.
    if (changed.Bottom == 0) return true;
    rgba_.resize(pixels);
    if (image.BitCount == 16)
      Convert16(image, changed);
    else
      ConvertAny(image, changed);
    CanvasHolder() = this;
    if (!Show(PictureScaler::Rect{changed.Left, changed.Top, changed.Right, changed.Bottom})) {
      CanvasHolder() = nullptr;
      shown_.clear();  // the canvas holds none of it
      return false;
    }
    ++WebApplication::PresentedFrames();
    return true;
  }

  // The window is of another size now: the picture is shown whole at it.
  void ShowAnew() {
    if (shownWidth_ > 0 && !rgba_.empty())
      Show(PictureScaler::Rect{0, 0, shownWidth_, shownHeight_});
  }
  void WaitForVerticalBlank() override {}
  bool Lost() const override { return false; }
  bool Restore() override { return true; }
  bool KeepsPicture() const override { return true; }

 private:
  // The rectangle where the image differs from the picture last put, right
  // and bottom exclusive; empty (all 0) when nothing does. The image is kept
  // as the picture now shown.
  struct Changed {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
  };
  Changed Compare(const PresentImage& image) {
    const int bytes = (image.BitCount + 7) / 8;
    const std::size_t rowBytes = static_cast<std::size_t>(image.Width) * bytes;
    if (shownWidth_ != image.Width || shownHeight_ != image.Height ||
        shownFormat_[0] != static_cast<std::uint32_t>(image.BitCount) ||
        shownFormat_[1] != image.RedMask || shownFormat_[2] != image.GreenMask ||
        shownFormat_[3] != image.BlueMask || shown_.size() != rowBytes * image.Height) {
      shownWidth_ = image.Width;
      shownHeight_ = image.Height;
      shownFormat_[0] = static_cast<std::uint32_t>(image.BitCount);
      shownFormat_[1] = image.RedMask;
      shownFormat_[2] = image.GreenMask;
      shownFormat_[3] = image.BlueMask;
      shown_.resize(rowBytes * image.Height);
      for (int y = 0; y < image.Height; ++y)
        std::memcpy(&shown_[y * rowBytes],
                    image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch, rowBytes);
      return Changed{0, 0, image.Width, image.Height};
    }
    // The first and the last rows that differ; the rows between need only
    // their ends looked at, outside the columns already known to differ. A
    // frame of driving, which changes most of the picture, compares little
    // more than the rows above and below the track.
    const auto rowAt = [&](int y) {
      return image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
    };
    const auto keptAt = [&](int y) { return &shown_[static_cast<std::size_t>(y) * rowBytes]; };
    int top = 0;
    while (top < image.Height && std::memcmp(rowAt(top), keptAt(top), rowBytes) == 0) ++top;
    if (top == image.Height) return Changed{};
    int bottom = image.Height;
    while (std::memcmp(rowAt(bottom - 1), keptAt(bottom - 1), rowBytes) == 0) --bottom;
    int left = image.Width, right = 0;
    for (int y = top; y < bottom; ++y) {
      const std::uint8_t* row = rowAt(y);
      const std::uint8_t* kept = keptAt(y);
      if (left > 0 && std::memcmp(row, kept, static_cast<std::size_t>(left) * bytes) != 0) {
        int x = 0;
        while (std::memcmp(row + x * bytes, kept + x * bytes, bytes) == 0) ++x;
        left = x;
      }
      const int from = std::max(right, left);
      if (from < image.Width &&
          std::memcmp(row + from * bytes, kept + from * bytes,
                      static_cast<std::size_t>(image.Width - from) * bytes) != 0) {
        int x = image.Width - 1;
        while (std::memcmp(row + x * bytes, kept + x * bytes, bytes) == 0) --x;
        right = x + 1;
      }
    }
    // Outside the rectangle the rows are as kept already.
    for (int y = top; y < bottom; ++y)
      std::memcpy(keptAt(y) + left * bytes, rowAt(y) + left * bytes,
                  static_cast<std::size_t>(right - left) * bytes);
    return Changed{left, top, right, bottom};
  }

  // Every 16-bit pixel through a table of its RGBA, made once for the masks.
  void Convert16(const PresentImage& image, const Changed& rect) {
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
    for (int y = rect.Top; y < rect.Bottom; ++y) {
      const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
      std::uint32_t* out = &rgba_[static_cast<std::size_t>(y) * image.Width];
      for (int x = rect.Left; x < rect.Right; ++x) {
        std::uint16_t v;
        std::memcpy(&v, row + 2 * x, 2);
        out[x] = table_[v];
      }
    }
  }

  void ConvertAny(const PresentImage& image, const Changed& rect) {
    const int bytes = (image.BitCount + 7) / 8;
    const Channel red = ChannelOf(image.RedMask), green = ChannelOf(image.GreenMask),
                  blue = ChannelOf(image.BlueMask);
    for (int y = rect.Top; y < rect.Bottom; ++y) {
      const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
      std::uint32_t* out = &rgba_[static_cast<std::size_t>(y) * image.Width];
      for (int x = rect.Left; x < rect.Right; ++x) {
        std::uint32_t v = 0;
        std::memcpy(&v, row + x * bytes, static_cast<std::size_t>(bytes));
        out[x] = Widen(v, red) | Widen(v, green) << 8 | Widen(v, blue) << 16 | 0xFF000000u;
      }
    }
  }

  // Puts the window pixels that show the changed part of the picture.
  bool Show(PictureScaler::Rect changed) {
    int width = PageScreen().Width, height = PageScreen().Height;
    if (width <= 0 || height <= 0) {
      width = shownWidth_;
      height = shownHeight_;
    }
    const std::uint32_t* pixels = rgba_.data();
    PictureScaler::Rect put = changed;
    if (width != shownWidth_ || height != shownHeight_) {
      scaler_.SetWindow(width, height);
      put = scaler_.Scale(rgba_.data(), shownWidth_, shownHeight_, changed);
      pixels = scaler_.Window();
    }
    if (put.Empty()) return true;
    return PutCanvasPixels(reinterpret_cast<const std::uint8_t*>(pixels), width, height, put.Left,
                           put.Top, put.Right, put.Bottom) != 0;
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
  PictureScaler scaler_;
  // The picture the canvas shows, as it was presented: rows of raw pixels.
  std::vector<std::uint8_t> shown_;
  int shownWidth_ = 0;
  int shownHeight_ = 0;
  std::uint32_t shownFormat_[4] = {};  // bit count and masks
  std::vector<std::uint32_t> table_;
  std::uint32_t tableMasks_[3] = {};
};

}  // namespace

// The page shows the picture at another size: it is drawn whole at it.
extern "C" EMSCRIPTEN_KEEPALIVE void velnar_screen_size(int width, int height) {
  if (PageScreen().Width == width && PageScreen().Height == height) return;
  PageScreen() = PageSize{width, height};
  if (WebDisplayDevice* device = CanvasHolder()) device->ShowAnew();
}

WebDisplayDeviceFactory::WebDisplayDeviceFactory() {
  InstallPageScreen();
}

std::unique_ptr<DisplayDevice> WebDisplayDeviceFactory::Create() {
  return std::make_unique<WebDisplayDevice>();
}

const std::vector<std::uint16_t>& FirstPresentedFrame() {
  return FirstFrame();
}

std::uint32_t PresentsAsked() {
  return AskedCount();
}
