#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display_device.h"

// Shows the back buffer in the page's <canvas> (Module.canvas). The canvas
// keeps the picture last put: each present compares the image with it and
// turns into RGBA and puts only the rectangle that changed, and nothing when
// nothing did. The canvas is as large as the page shows it, in device pixels
// (Module.setScreenSize(width, height)), and the picture is scaled into it
// sharp bilinear, only where it changed. The animation frame that runs the
// frame loop stands for the vertical blank, so waiting for it is no wait
// here.
class WebDisplayDeviceFactory final : public DisplayDeviceFactory {
 public:
  // Makes the page's screen ready for the page to set its size.
  WebDisplayDeviceFactory();
  std::unique_ptr<DisplayDevice> Create() override;
};

// The raw pixels (row by row, 16-bit values) of the first frame presented by
// the latest device; empty before it.
const std::vector<std::uint16_t>& FirstPresentedFrame();

// Presents asked of the browser's devices so far, whether or not they put
// anything: a frame that draws nothing asks for none.
std::uint32_t PresentsAsked();
