#include "platform/headless_display.h"

#include <algorithm>
#include <cstring>

#include "platform/form.h"

std::vector<DisplayMode> StandardDisplayModes(int screenWidth, int screenHeight) {
  static constexpr int kSizes[][2] = {
      {640, 480},  {800, 600},  {1024, 768}, {1152, 864},  {1280, 960},  {1400, 1050}, {1600, 1200},
      {1280, 720}, {1366, 768}, {1600, 900}, {1920, 1080}, {2560, 1440}, {3200, 1800}, {3840, 2160},
  };
  std::vector<DisplayMode> modes;
  for (const auto& size : kSizes) {
    const bool always = size[0] == 640 && size[1] == 480;
    if (!always && (size[0] > screenWidth || size[1] > screenHeight)) continue;
    for (int bits : {8, 16, 24, 32}) modes.push_back(DisplayMode{size[0], size[1], bits});
  }
  return modes;
}

bool HeadlessDisplayDevice::SetCooperativeLevel(FormHost* form, bool fullScreen) {
  if (FailCooperativeLevel) return false;
  Form = form;
  FullScreen = fullScreen;
  return true;
}

bool HeadlessDisplayDevice::SetDisplayMode(const DisplayMode& mode) {
  if (std::find(Modes.begin(), Modes.end(), mode) == Modes.end()) return false;
  mode_ = mode;
  ++ModeChanges;
  return true;
}

DisplayMode HeadlessDisplayDevice::Screen() const {
  if (mode_.Width > 0) return mode_;
  if (Form && !FullScreen)
    return DisplayMode{Form->ClientWidth(), Form->ClientHeight(), Desktop.BitCount};
  return Desktop;
}

namespace {
// A long-running user (a demo loop) must not grow the call list without end.
void Record(std::vector<char>& calls, char call) {
  if (calls.size() >= 4096) calls.erase(calls.begin(), calls.begin() + 2048);
  calls.push_back(call);
}
}  // namespace

bool HeadlessDisplayDevice::Present(const PresentImage& image, const PresentRect& target) {
  Record(Calls, 'P');
  if (lost_ || !image.Bits) return false;
  Frame frame;
  frame.Target = target;
  frame.Width = image.Width;
  frame.Height = image.Height;
  frame.BitCount = image.BitCount;
  frame.Pixels.resize(static_cast<std::size_t>(image.Width) * image.Height);
  const int bytes = (image.BitCount + 7) / 8;
  for (int y = 0; y < image.Height; ++y) {
    const std::uint8_t* row = image.Bits + static_cast<std::ptrdiff_t>(y) * image.Pitch;
    for (int x = 0; x < image.Width; ++x) {
      std::uint32_t v = 0;
      std::memcpy(&v, row + x * bytes, bytes);
      frame.Pixels[static_cast<std::size_t>(y) * image.Width + x] = v;
    }
  }
  Frames.push_back(std::move(frame));
  if (Frames.size() > MaxFramesKept) Frames.erase(Frames.begin());
  ++FramesPresented;
  return true;
}

void HeadlessDisplayDevice::WaitForVerticalBlank() {
  Record(Calls, 'W');
  ++VerticalBlankWaits;
}

bool HeadlessDisplayDevice::Restore() {
  if (FailRestore) return false;
  lost_ = false;
  return true;
}

std::unique_ptr<DisplayDevice> HeadlessDisplayFactory::Create() {
  if (FailCreate) return nullptr;
  auto device = std::make_unique<HeadlessDisplayDevice>();
  device->Modes = Modes;
  device->FailPrimary = FailPrimary;
  Last = device.get();
  ++Created;
  return device;
}
