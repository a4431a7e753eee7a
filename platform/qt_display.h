#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <cstdint>
#include <memory>

#include "platform/display_device.h"

class FormWindow;
class TForm;

// Shows presented pixels in a window: OpenGL where it can be had, else a
// raster backing store.
class Presenter {
 public:
  virtual ~Presenter() = default;
  virtual const char* Name() const = 0;
  // Shows the image in the target rectangle of a screen of the given size,
  // scaled to the window with its aspect kept (black bars), sharp bilinear:
  // every source pixel the same size on the screen, give or take one window
  // pixel mixed with its neighbour, and whole factors the nearest pixel's.
  virtual bool Present(const PresentImage& image, const PresentRect& target, int screenWidth,
                       int screenHeight) = 0;
  // The average time a present spent waiting in the swap, in nanoseconds; a
  // swap that takes most of a refresh period waits for the vertical blank.
  virtual std::int64_t SwapNs() const { return 0; }
  virtual bool Valid() const { return true; }
  // Drawn by a software OpenGL rasteriser (Mesa's llvmpipe, say), which costs
  // more processor time than scaling the picture ourselves.
  virtual bool SoftwareRendered() const { return false; }
  // When set, each present keeps a copy of the window's pixels.
  bool Capture = false;
  QImage Captured;
};

std::unique_ptr<Presenter> MakeGlPresenter(FormWindow* window);
// Our scaling into a window image of Qt's backing store.
std::unique_ptr<Presenter> MakeRasterPresenter(FormWindow* window);
// Our scaling into a segment of memory shared with the X server; null where
// the server cannot share memory with us or takes other pixels.
std::unique_ptr<Presenter> MakeShmPresenter(FormWindow* window);

// Where the target rectangle of a screen of the given size lands in a window
// of the given (logical) size: the screen scaled by the largest factor that
// fits, centred, black bars around.
QRect LetterboxedTarget(const QSize& window, const PresentRect& target, int screenWidth,
                        int screenHeight);
// A rectangle of logical pixels in the device pixels of that ratio.
QRect DevicePixels(const QRect& logical, qreal dpr);
// The Qt format of the image's pixels; Format_Invalid for a kind Qt lacks.
QImage::Format QtImageFormatOf(const PresentImage& image);

// The picture drawn by Qt into dest, nearest pixel, the rest of area black:
// for the kinds of picture our own scaling does not take.
void DrawWithQt(QPaintDevice* device, const QRect& area, const QRect& dest,
                const PresentImage& image, QImage::Format format);

// Tells whether a window was exposed since the last look: what the X server
// shows of it then is undefined, though our image of it did not change.
class ExposeWatch final : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override;
  bool exposed = true;
};

// The display device on Qt. Modes are virtual: the screen of the mode set is
// shown scaled over the whole real screen.
class QtDisplayDevice final : public DisplayDevice {
 public:
  QtDisplayDevice();
  ~QtDisplayDevice() override;

  std::vector<DisplayMode> EnumDisplayModes() override;
  bool SetCooperativeLevel(FormHost* form, bool fullScreen) override;
  bool SetDisplayMode(const DisplayMode& mode) override;
  void RestoreDisplayMode() override { mode_ = DisplayMode{}; }
  DisplayMode Screen() const override;
  bool CreatePrimary() override;
  bool Present(const PresentImage& image, const PresentRect& target) override;
  void WaitForVerticalBlank() override;
  bool Lost() const override;
  bool Restore() override;

  Presenter* CurrentPresenter() const { return presenter_.get(); }

 private:
  TForm* form_ = nullptr;
  DisplayMode mode_;
  std::unique_ptr<Presenter> presenter_;
  struct Pacing;
  std::unique_ptr<Pacing> pacing_;
};

class QtDisplayDeviceFactory final : public DisplayDeviceFactory {
 public:
  std::unique_ptr<DisplayDevice> Create() override;
};
