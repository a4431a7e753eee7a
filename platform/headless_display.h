#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display_device.h"

// A display device without a screen, for tests and tools: it keeps the frames
// presented to it and offers the modes and losses a test scripts.
class HeadlessDisplayDevice final : public DisplayDevice {
 public:
  struct Frame {
    PresentRect Target;
    int Width = 0;
    int Height = 0;
    int BitCount = 0;
    std::vector<std::uint32_t> Pixels;  // raw values, row by row
    std::uint32_t At(int x, int y) const { return Pixels[y * Width + x]; }
  };

  // Scripted behaviour.
  std::vector<DisplayMode> Modes = StandardDisplayModes(1024, 768);
  DisplayMode Desktop{1024, 768, 32};
  bool FailCooperativeLevel = false;
  bool FailPrimary = false;
  bool FailRestore = false;
  std::size_t MaxFramesKept = 16;

  // What happened.
  std::vector<Frame> Frames;  // the latest MaxFramesKept
  int FramesPresented = 0;
  int VerticalBlankWaits = 0;
  int ModeChanges = 0;
  FormHost* Form = nullptr;
  bool FullScreen = false;
  // The calls in order, for checking what a present was preceded by.
  std::vector<char> Calls;  // 'W' wait, 'P' present

  // The screen is taken away until Restore succeeds.
  void LoseScreen() { lost_ = true; }

  std::vector<DisplayMode> EnumDisplayModes() override { return Modes; }
  bool SetCooperativeLevel(FormHost* form, bool fullScreen) override;
  bool SetDisplayMode(const DisplayMode& mode) override;
  void RestoreDisplayMode() override { mode_ = DisplayMode{}; }
  DisplayMode Screen() const override;
  bool CreatePrimary() override { return !FailPrimary; }
  bool Present(const PresentImage& image, const PresentRect& target) override;
  void WaitForVerticalBlank() override;
  bool Lost() const override { return lost_; }
  bool Restore() override;

 private:
  DisplayMode mode_;
  bool lost_ = false;
};

// Makes headless devices; the test reaches the latest through Last.
class HeadlessDisplayFactory final : public DisplayDeviceFactory {
 public:
  // Applied to each new device.
  std::vector<DisplayMode> Modes = StandardDisplayModes(1024, 768);
  bool FailCreate = false;
  bool FailPrimary = false;

  HeadlessDisplayDevice* Last = nullptr;
  int Created = 0;

  std::unique_ptr<DisplayDevice> Create() override;
};
