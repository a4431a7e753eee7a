#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display_device.h"

// Shows the back buffer in the page's <canvas> (Module.canvas): the pixels are
// turned into RGBA and put into the canvas whole; the page scales the canvas
// with square pixels and black bars. The animation frame that runs the frame
// loop stands for the vertical blank, so waiting for it is no wait here.
class WebDisplayDeviceFactory final : public DisplayDeviceFactory {
 public:
  std::unique_ptr<DisplayDevice> Create() override;
};

// The raw pixels (row by row, 16-bit values) of the first frame presented by
// the latest device; empty before it.
const std::vector<std::uint16_t>& FirstPresentedFrame();
