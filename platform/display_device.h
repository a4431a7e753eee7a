#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class FormHost;

// A display mode the device offers. Modes are virtual: the screen is always
// shown whole, scaled to the real screen, so any of them can be set.
struct DisplayMode {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  friend bool operator==(const DisplayMode&, const DisplayMode&) = default;
};

// Pixels handed to the device for showing; read only during Present.
struct PresentImage {
  const std::uint8_t* Bits = nullptr;
  int Width = 0;
  int Height = 0;
  int Pitch = 0;  // bytes per row
  int BitCount = 16;
  std::uint32_t RedMask = 0xF800;
  std::uint32_t GreenMask = 0x07E0;
  std::uint32_t BlueMask = 0x001F;
};

// Right and bottom exclusive, in the coordinates of the device's screen.
struct PresentRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const PresentRect&, const PresentRect&) = default;
};

// The graphics device behind a display: its screen (the mode set, or the
// window's client area when not full screen), presenting pixels onto it, the
// wait for the vertical blank and the loss of the screen to someone else.
class DisplayDevice {
 public:
  virtual ~DisplayDevice() = default;

  // The modes offered, in no particular order.
  virtual std::vector<DisplayMode> EnumDisplayModes() = 0;
  // Binds the device to the form's window; full screen makes the window cover
  // the whole screen. False when the window cannot be used.
  virtual bool SetCooperativeLevel(FormHost* form, bool fullScreen) = 0;
  virtual bool SetDisplayMode(const DisplayMode& mode) = 0;
  virtual void RestoreDisplayMode() = 0;
  // The screen presents go to: the mode set, else the window's client area.
  virtual DisplayMode Screen() const = 0;
  // Whether the screen can be drawn on at all.
  virtual bool CreatePrimary() = 0;
  // Shows the image scaled into the target rectangle of the screen. False when
  // the screen is lost or nothing could be shown.
  virtual bool Present(const PresentImage& image, const PresentRect& target) = 0;
  // Returns at the beginning of the next vertical blank (or its stand-in).
  virtual void WaitForVerticalBlank() = 0;
  // The screen was taken away since the last successful Restore.
  virtual bool Lost() const = 0;
  virtual bool Restore() = 0;
  // Whether the screen goes on showing the last image presented, with no
  // present needed until the picture changes. A window's screen does not: an
  // exposed window waits for the next present to be drawn again.
  virtual bool KeepsPicture() const { return false; }
};

// Makes the devices of displays; null when no device can be had.
class DisplayDeviceFactory {
 public:
  virtual ~DisplayDeviceFactory() = default;
  virtual std::unique_ptr<DisplayDevice> Create() = 0;
};

// The factory displays use: the application installs the real one; tests
// install the headless one. Without one no display can be initialised.
inline DisplayDeviceFactory*& DisplayDeviceFactorySlot() {
  static DisplayDeviceFactory* factory = nullptr;
  return factory;
}
inline void SetDisplayDeviceFactory(DisplayDeviceFactory* factory) {
  DisplayDeviceFactorySlot() = factory;
}

// The common 4:3 and 16:9 sizes up to the given screen (640 x 480 always),
// each at 8, 16, 24 and 32 bits.
std::vector<DisplayMode> StandardDisplayModes(int screenWidth, int screenHeight);
