#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "gfx/direct_draw.h"
#include "gfx/surface.h"
#include "platform/component.h"
#include "platform/events.h"
#include "platform/exception.h"
#include "platform/form.h"

class DisplayDevice;
class TCustomDXDraw;

class EDXDrawError : public Exception {
 public:
  using Exception::Exception;
};

enum TDXDrawOption {
  doFullScreen,
  doNoWindowChange,
  doAllowReboot,
  doWaitVBlank,
  doAllowPalette256,
  doSystemMemory,
  doStretch,
  doCenter,
  doFlip,
  do3D,
  doDirectX7Mode,
  doRetainedMode,
  doHardware,
  doSelectDriver,
  doZBuffer,
};

// A set of display options, stored as 16 bits in ordinal order.
class TDXDrawOptions {
 public:
  constexpr TDXDrawOptions() = default;
  constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
    for (TDXDrawOption o : options) bits_ |= Bit(o);
  }
  constexpr bool Contains(TDXDrawOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr TDXDrawOptions& operator+=(TDXDrawOption o) {
    bits_ |= Bit(o);
    return *this;
  }
  constexpr TDXDrawOptions& operator-=(TDXDrawOption o) {
    bits_ &= static_cast<std::uint16_t>(~Bit(o));
    return *this;
  }
  constexpr TDXDrawOptions operator+(TDXDrawOption o) const { return TDXDrawOptions(*this) += o; }
  constexpr TDXDrawOptions operator-(TDXDrawOption o) const { return TDXDrawOptions(*this) -= o; }
  constexpr std::uint16_t Bits() const { return bits_; }
  friend constexpr bool operator==(const TDXDrawOptions&, const TDXDrawOptions&) = default;

 private:
  static constexpr std::uint16_t Bit(TDXDrawOption o) {
    return static_cast<std::uint16_t>(1u << static_cast<int>(o));
  }
  std::uint16_t bits_ = 0;
};

// What a display tells the components that depend on it.
enum class TDXDrawNotifyType {
  dxntDestroying,         // the display is going away: forget it
  dxntInitializing,       // Initialize has begun
  dxntInitialize,         // the device and surfaces exist
  dxntInitializeSurface,  // the back buffer exists (also after a resize)
  dxntFinalize,           // the device is about to go
  dxntFinalizeSurface,    // the back buffer is about to go (also before a resize)
  dxntRestore,            // surfaces were lost and are back, cleared: redraw their contents
  dxntSetSurfaceSize,     // SurfaceWidth or SurfaceHeight changed
};

// A component that depends on a display (a picture collection, a sprite
// engine) subscribes to it. Notifications go to the subscribers from the last
// subscribed to the first. A subscriber must unsubscribe before it is
// destroyed, and forget the display when it receives dxntDestroying.
class DXDrawSubscriber {
 public:
  virtual ~DXDrawSubscriber() = default;
  virtual void DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) = 0;
};

struct TDXDrawDisplayMode {
  int Width = 0;
  int Height = 0;
  int BitCount = 0;
  friend bool operator==(const TDXDrawDisplayMode&, const TDXDrawDisplayMode&) = default;
};

// The display mode a full-screen display asks for, and the modes on offer.
class TDXDrawDisplay {
 public:
  explicit TDXDrawDisplay(TCustomDXDraw& owner) : owner_(owner) {}

  int BitCount() const { return bitCount_; }
  // Only 8, 16, 24 or 32: EDirectDrawError otherwise, and nothing is stored.
  void SetBitCount(int value);
  int Width() const { return width_; }
  void SetWidth(int value) { width_ = value < 0 ? 0 : value; }
  int Height() const { return height_; }
  void SetHeight(int value) { height_ = value < 0 ? 0 : value; }
  bool FixedBitCount = true;
  bool FixedRatio = true;
  bool FixedSize = false;

  // The device's modes sorted by width, height and bits; read from the device
  // on first use and forgotten at Finalize.
  const std::vector<TDXDrawDisplayMode>& Modes();
  int Count() { return static_cast<int>(Modes().size()); }

 private:
  friend class TCustomDXDraw;
  // Sets W x H x B exactly, else the first fitting mode (see Select).
  bool DynSetSize(int width, int height, int bitCount);
  bool SetMode(const TDXDrawDisplayMode& mode);

  TCustomDXDraw& owner_;
  int bitCount_ = 8;
  int width_ = 640;
  int height_ = 480;
  std::vector<TDXDrawDisplayMode> modes_;
};

// The full-screen (or windowed) display of a form: a front surface, the back
// buffer Surface on which each frame is drawn, and Flip, which presents it.
// It is placed on a form (its owner, or SetParentForm) and fills it.
class TCustomDXDraw : public TComponent, private FormListener {
 public:
  explicit TCustomDXDraw(TComponent* owner = nullptr);
  ~TCustomDXDraw() override;

  bool AutoInitialize = true;
  bool AutoSize = true;
  TDXDrawDisplay& Display() { return display_; }

  TDXDrawOptions Options() const { return options_; }
  void SetOptions(const TDXDrawOptions& value);
  // The options in force.
  TDXDrawOptions NowOptions() const { return nowOptions_; }

  // The back buffer's size when it exists, else the stored size.
  int SurfaceWidth() const;
  int SurfaceHeight() const;
  void SetSurfaceWidth(int value);
  void SetSurfaceHeight(int value);

  TNotifyEvent OnInitializing;
  TNotifyEvent OnInitialize;
  TNotifyEvent OnInitializeSurface;
  TNotifyEvent OnFinalize;
  TNotifyEvent OnFinalizeSurface;
  TNotifyEvent OnRestoreSurface;

  // EDXDrawError or EDirectDrawError when the display cannot be had; the
  // display is then finalised.
  void Initialize();
  void Finalize();
  bool Initialized() const { return initialized_; }
  bool CanDraw();
  void Flip();
  void Restore();

  TDirectDrawSurface* Surface() const { return surface_.get(); }
  TDirectDrawSurface* Primary() const { return primary_.get(); }
  TDirectDraw* DDraw() const { return ddraw_.get(); }
  DisplayDevice* Device() const { return device_.get(); }

  void Subscribe(DXDrawSubscriber* subscriber);
  void Unsubscribe(DXDrawSubscriber* subscriber);

  // The form the display sits on; by default the nearest owning form.
  FormHost* ParentForm() const { return form_; }
  void SetParentForm(FormHost* form);
  // The control's size: the form's client area, or the whole screen mode
  // when full screen (100 x 100 with no form).
  int Width() const;
  int Height() const;

 protected:
  void Loaded() override;

 private:
  class Driver;
  class BltDriver;
  class FlipDriver;
  friend class TDXDrawDisplay;

  void NotifyAll(TDXDrawNotifyType type);
  void Notify(DXDrawSubscriber* s, TDXDrawNotifyType type);
  void Resize(int width, int height);
  bool CheckSurfaces();
  void Present(bool waitVBlank);
  void ReleaseDriver();
  void UpdateNowOptions();
  DisplayDevice* ModeDevice();

  void FormShown(TForm&) override;
  void FormResized(TForm&) override;
  void FormExposed(TForm&) override;
  void FormWindowDestroying(TForm&) override;

  TDXDrawDisplay display_;
  TDXDrawOptions options_{doAllowReboot,  doWaitVBlank, doCenter,
                          doDirectX7Mode, doHardware,   doSelectDriver};
  TDXDrawOptions nowOptions_;
  int storedWidth_ = 100;
  int storedHeight_ = 100;
  bool initialized_ = false;
  bool initializing_ = false;
  bool updating_ = false;
  bool notifying_ = false;  // the notification phase of Initialize or a resize
  bool initializeRan_ = false;
  bool surfaceEventsRan_ = false;
  bool everInitialized_ = false;

  FormHost* form_ = nullptr;
  std::vector<DXDrawSubscriber*> subscribers_;

  std::unique_ptr<DisplayDevice> device_;
  std::unique_ptr<DisplayDevice> modeProbe_;  // lists modes before Initialize
  std::unique_ptr<TDirectDraw> ddraw_;
  std::unique_ptr<Driver> driver_;
  std::unique_ptr<TDirectDrawSurface> primary_;
  std::unique_ptr<TDirectDrawSurface> surface_;
  std::unique_ptr<TDirectDrawClipper> clipper_;
  std::unique_ptr<TDirectDrawPalette> palette_;
};

class TDXDraw : public TCustomDXDraw {
 public:
  using TCustomDXDraw::TCustomDXDraw;
};
