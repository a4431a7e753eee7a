#include "gfx/display.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>

#include "gfx/pixel_format.h"
#include "platform/application.h"
#include "platform/display_device.h"

namespace {

std::string Format(const char* pattern, int a, int b, int c) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
  return buffer;
}

bool ValidBitCount(int bits) {
  return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Clears a flag on every way out, as the display's Updating must be.
class FlagScope {
 public:
  FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
  ~FlagScope() { flag_ = old_; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

PresentImage ImageOf(const TDirectDrawSurface& s) {
  PresentImage image;
  image.Bits = s.Bits();
  image.Width = s.Width();
  image.Height = s.Height();
  image.Pitch = s.Pitch();
  image.BitCount = s.BitCount();
  image.RedMask = s.PixelFormat().RBitMask;
  image.GreenMask = s.PixelFormat().GBitMask;
  image.BlueMask = s.PixelFormat().BBitMask;
  return image;
}

}  // namespace

// ---- the display mode ------------------------------------------------------

void TDXDrawDisplay::SetBitCount(int value) {
  if (!ValidBitCount(value)) throw EDirectDrawError("It should be either of 8 or 16 or 24 or 32");
  bitCount_ = value;
}

const std::vector<TDXDrawDisplayMode>& TDXDrawDisplay::Modes() {
  if (modes_.empty()) {
    if (DisplayDevice* device = owner_.ModeDevice()) {
      for (const DisplayMode& m : device->EnumDisplayModes())
        modes_.push_back(TDXDrawDisplayMode{m.Width, m.Height, m.BitCount});
      std::sort(modes_.begin(), modes_.end(), [](const auto& a, const auto& b) {
        if (a.Width != b.Width) return a.Width < b.Width;
        if (a.Height != b.Height) return a.Height < b.Height;
        return a.BitCount < b.BitCount;
      });
    }
  }
  return modes_;
}

bool TDXDrawDisplay::SetMode(const TDXDrawDisplayMode& mode) {
  DisplayDevice* device = owner_.device_.get();
  if (!device || !device->SetDisplayMode(DisplayMode{mode.Width, mode.Height, mode.BitCount}))
    return false;
  width_ = mode.Width;
  height_ = mode.Height;
  bitCount_ = mode.BitCount;
  return true;
}

bool TDXDrawDisplay::DynSetSize(int width, int height, int bitCount) {
  if (width <= 0 || height <= 0 || !ValidBitCount(bitCount)) return false;
  if (SetMode(TDXDrawDisplayMode{width, height, bitCount})) return true;

  auto search = [&](bool ratio) {
    const std::vector<TDXDrawDisplayMode>& modes = Modes();
    for (const TDXDrawDisplayMode& m : modes) {
      if (ratio &&
          static_cast<long long>(m.Width) * height != static_cast<long long>(m.Height) * width)
        continue;
      if (FixedSize ? (m.Width != width || m.Height != height)
                    : (m.Width < width || m.Height < height))
        continue;
      if (FixedBitCount) {
        if (m.BitCount != bitCount) continue;
      } else if ((m.BitCount < 9 || bitCount < 9) && m.BitCount < bitCount) {
        continue;
      }
      TDXDrawDisplayMode chosen = m;
      if (chosen.BitCount != bitCount &&
          std::find(modes.begin(), modes.end(), TDXDrawDisplayMode{m.Width, m.Height, bitCount}) !=
              modes.end())
        chosen.BitCount = bitCount;
      return SetMode(chosen);
    }
    return false;
  };
  if (FixedRatio && search(true)) return true;
  return search(false);
}

// ---- drivers -----------------------------------------------------------------

class TCustomDXDraw::Driver {
 public:
  explicit Driver(TCustomDXDraw& draw) : draw_(draw) {}
  virtual ~Driver() = default;
  virtual void MakeSurfaces() = 0;
  virtual void Present(bool waitVBlank) = 0;
  // Makes the back buffer again at the stored size; false when this driver
  // cannot change it.
  virtual bool RemakeSurface() = 0;

 protected:
  void MakePrimary() {
    if (!draw_.device_->CreatePrimary()) throw EDXDrawError("Primary Surface cannot be made");
    const DisplayMode screen = draw_.device_->Screen();
    draw_.primary_ = std::make_unique<TDirectDrawSurface>(draw_.ddraw_.get());
    draw_.primary_->SystemMemory = true;  // the screen takes no picture memory
    try {
      draw_.primary_->SetSize(std::max(screen.Width, 1), std::max(screen.Height, 1));
    } catch (const EDirectDrawSurfaceError&) {
      throw EDXDrawError("Primary Surface cannot be made");
    }
  }
  void MakeBackBuffer(int width, int height) {
    auto surface = std::make_unique<TDirectDrawSurface>(draw_.ddraw_.get());
    surface->SystemMemory = draw_.options_.Contains(doSystemMemory);
    try {
      surface->SetSize(std::max(width, 1), std::max(height, 1));
    } catch (const EDirectDrawSurfaceError&) {
      try {
        surface->SystemMemory = true;
        surface->SetSize(std::max(width, 1), std::max(height, 1));
      } catch (const EDirectDrawSurfaceError&) {
        throw EDXDrawError("Surface cannot be made");
      }
    }
    if (surface->SystemMemory) draw_.nowOptions_ += doSystemMemory;
    if (draw_.palette_) surface->SetPalette(draw_.palette_.get());
    surface->Fill(0);
    draw_.surface_ = std::move(surface);
  }
  void Show(const PresentRect& target, bool waitVBlank) {
    TDirectDrawSurface& back = *draw_.surface_;
    // The canvas still holds the back buffer: like a copy from a surface in
    // use, the present does not happen.
    if (back.DCActive() || back.Locked() || !back.Exists()) return;
    if (waitVBlank) draw_.device_->WaitForVerticalBlank();
    draw_.device_->Present(ImageOf(back), target);
  }

  TCustomDXDraw& draw_;
};

class TCustomDXDraw::BltDriver final : public TCustomDXDraw::Driver {
 public:
  using Driver::Driver;
  void MakeSurfaces() override {
    MakePrimary();
    draw_.clipper_ = std::make_unique<TDirectDrawClipper>(*draw_.ddraw_);
    draw_.clipper_->ClipRect = Rect(0, 0, draw_.Width(), draw_.Height());
    draw_.primary_->SetClipper(draw_.clipper_.get());
    draw_.palette_ = std::make_unique<TDirectDrawPalette>(*draw_.ddraw_);
    draw_.primary_->SetPalette(draw_.palette_.get());
    MakeBackBuffer(draw_.storedWidth_, draw_.storedHeight_);
  }
  void Present(bool waitVBlank) override {
    const int surfaceWidth = draw_.surface_->Width(), surfaceHeight = draw_.surface_->Height();
    PresentRect target{0, 0, draw_.Width(), draw_.Height()};
    if (!draw_.nowOptions_.Contains(doStretch)) {
      if (draw_.nowOptions_.Contains(doCenter)) {
        target.Left += (draw_.Width() - surfaceWidth) / 2;
        target.Top += (draw_.Height() - surfaceHeight) / 2;
      }
      target.Right = target.Left + surfaceWidth;
      target.Bottom = target.Top + surfaceHeight;
    }
    Show(target, waitVBlank);
  }
  bool RemakeSurface() override {
    draw_.surface_.reset();
    MakeBackBuffer(draw_.storedWidth_, draw_.storedHeight_);
    return true;
  }
};

// A front surface with one back buffer of the screen's size, presented whole.
class TCustomDXDraw::FlipDriver final : public TCustomDXDraw::Driver {
 public:
  using Driver::Driver;
  void MakeSurfaces() override {
    MakePrimary();
    MakeBackBuffer(draw_.primary_->Width(), draw_.primary_->Height());
  }
  void Present(bool waitVBlank) override {
    Show(PresentRect{0, 0, draw_.surface_->Width(), draw_.surface_->Height()}, waitVBlank);
  }
  bool RemakeSurface() override { return false; }
};

// ---- the display -------------------------------------------------------------

TCustomDXDraw::TCustomDXDraw(TComponent* owner) : TComponent(owner), display_(*this) {
  UpdateNowOptions();
  SetParentForm(FindOwner<FormHost>());
}

TCustomDXDraw::~TCustomDXDraw() {
  Dispatch([this] { Finalize(); });
  const std::vector<DXDrawSubscriber*> copy = subscribers_;
  for (auto it = copy.rbegin(); it != copy.rend(); ++it)
    Dispatch([&] { (*it)->DXDrawNotify(*this, TDXDrawNotifyType::dxntDestroying); });
  subscribers_.clear();
  if (form_) form_->RemoveListener(this);
}

void TCustomDXDraw::SetParentForm(FormHost* form) {
  if (form_) form_->RemoveListener(this);
  form_ = form;
  if (form_) form_->AddListener(this);
}

int TCustomDXDraw::Width() const {
  if (device_ && nowOptions_.Contains(doFullScreen)) return device_->Screen().Width;
  return form_ ? form_->ClientWidth() : 100;
}

int TCustomDXDraw::Height() const {
  if (device_ && nowOptions_.Contains(doFullScreen)) return device_->Screen().Height;
  return form_ ? form_->ClientHeight() : 100;
}

void TCustomDXDraw::UpdateNowOptions() {
  if (!initialized_) {
    TDXDrawOptions o = options_;
    if (!o.Contains(doFullScreen)) {
      for (TDXDrawOption x : {doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip}) o -= x;
    }
    if (!o.Contains(do3D)) {
      for (TDXDrawOption x :
           {doDirectX7Mode, doRetainedMode, doHardware, doSelectDriver, doZBuffer})
        o -= x;
    }
    if (o.Contains(doSystemMemory)) o -= doFlip;
    if (o.Contains(doDirectX7Mode)) o -= doRetainedMode;
    o -= doHardware;
    nowOptions_ = o;
  } else {
    TDXDrawOptions o = nowOptions_;
    for (TDXDrawOption x : {doWaitVBlank, doStretch, doCenter}) {
      if (options_.Contains(x))
        o += x;
      else
        o -= x;
    }
    if (!o.Contains(do3D)) {
      for (TDXDrawOption x : {doRetainedMode, doHardware, doSelectDriver, doZBuffer}) o -= x;
    }
    nowOptions_ = o;
  }
}

void TCustomDXDraw::SetOptions(const TDXDrawOptions& value) {
  options_ = value;
  UpdateNowOptions();
}

int TCustomDXDraw::SurfaceWidth() const {
  return surface_ && surface_->Exists() ? surface_->Width() : storedWidth_;
}

int TCustomDXDraw::SurfaceHeight() const {
  return surface_ && surface_->Exists() ? surface_->Height() : storedHeight_;
}

void TCustomDXDraw::SetSurfaceWidth(int value) {
  if (Loading())
    storedWidth_ = value;
  else
    Resize(value, SurfaceHeight());
}

void TCustomDXDraw::SetSurfaceHeight(int value) {
  if (Loading())
    storedHeight_ = value;
  else
    Resize(SurfaceWidth(), value);
}

void TCustomDXDraw::Loaded() {
  TComponent::Loaded();
  if (AutoSize && form_ && !updating_) Resize(Width(), Height());
}

DisplayDevice* TCustomDXDraw::ModeDevice() {
  if (device_) return device_.get();
  if (!modeProbe_) {
    if (DisplayDeviceFactory* factory = DisplayDeviceFactorySlot()) modeProbe_ = factory->Create();
  }
  return modeProbe_.get();
}

void TCustomDXDraw::Notify(DXDrawSubscriber* s, TDXDrawNotifyType type) {
  s->DXDrawNotify(*this, type);
}

void TCustomDXDraw::NotifyAll(TDXDrawNotifyType type) {
  // A subscriber may unsubscribe others (or itself) while being told.
  const std::vector<DXDrawSubscriber*> copy = subscribers_;
  for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
    if (std::find(subscribers_.begin(), subscribers_.end(), *it) != subscribers_.end())
      Notify(*it, type);
  }
}

void TCustomDXDraw::Subscribe(DXDrawSubscriber* subscriber) {
  if (!subscriber) return;
  Unsubscribe(subscriber);
  subscribers_.push_back(subscriber);
  Notify(subscriber, TDXDrawNotifyType::dxntSetSurfaceSize);
  if (initialized_) {
    Notify(subscriber, TDXDrawNotifyType::dxntInitialize);
    if (surfaceEventsRan_) Notify(subscriber, TDXDrawNotifyType::dxntInitializeSurface);
    if (!notifying_) Notify(subscriber, TDXDrawNotifyType::dxntRestore);
  }
}

void TCustomDXDraw::Unsubscribe(DXDrawSubscriber* subscriber) {
  auto it = std::find(subscribers_.begin(), subscribers_.end(), subscriber);
  if (it == subscribers_.end()) return;
  subscribers_.erase(it);
  if (initialized_) {
    if (surfaceEventsRan_) Notify(subscriber, TDXDrawNotifyType::dxntFinalizeSurface);
    Notify(subscriber, TDXDrawNotifyType::dxntFinalize);
  }
}

void TCustomDXDraw::Initialize() {
  Finalize();
  if (!form_) throw EDXDrawError("Form not found");

  initializing_ = true;
  try {
    if (OnInitializing) OnInitializing(this);
    {
      FlagScope updating(updating_, true);
      NotifyAll(TDXDrawNotifyType::dxntInitializing);

      DisplayDeviceFactory* factory = DisplayDeviceFactorySlot();
      device_ = factory ? factory->Create() : nullptr;
      if (!device_) throw EDirectDrawError("DirectDraw cannot be initialized");
      modeProbe_.reset();
      ddraw_ = std::make_unique<TDirectDraw>();
      if (nowOptions_.Contains(doFlip))
        driver_ = std::make_unique<FlipDriver>(*this);
      else
        driver_ = std::make_unique<BltDriver>(*this);

      const bool fullScreen = nowOptions_.Contains(doFullScreen);
      device_->SetCooperativeLevel(form_, fullScreen);
      if (fullScreen) {
        const int w = display_.Width(), h = display_.Height(), b = display_.BitCount();
        if (!display_.DynSetSize(w, h, b))
          throw EDXDrawError(Format("Display mode cannot be changed (%dx%d %dbit)", w, h, b));
      }
      TPixelFormat format;
      if (TPixelFormat::ForBitCount(device_->Screen().BitCount, format))
        ddraw_->SetDisplayPixelFormat(format);

      if (AutoSize) {
        storedWidth_ = Width();
        storedHeight_ = Height();
      }
      driver_->MakeSurfaces();
    }
    initialized_ = true;
    everInitialized_ = true;
  } catch (...) {
    try {
      Finalize();
    } catch (...) {
      // The first error is the one worth reporting.
    }
    initializing_ = false;
    throw;
  }
  initializing_ = false;

  {
    FlagScope phase(notifying_, true);
    NotifyAll(TDXDrawNotifyType::dxntSetSurfaceSize);
    NotifyAll(TDXDrawNotifyType::dxntInitialize);
    initializeRan_ = true;
    if (OnInitialize) OnInitialize(this);
    NotifyAll(TDXDrawNotifyType::dxntInitializeSurface);
    surfaceEventsRan_ = true;
    if (OnInitializeSurface) OnInitializeSurface(this);
  }
  Restore();
}

void TCustomDXDraw::Finalize() {
  if (!initialized_ && !initializing_) return;
  storedWidth_ = SurfaceWidth();
  storedHeight_ = SurfaceHeight();
  display_.modes_.clear();

  std::exception_ptr failure;
  {
    FlagScope updating(updating_, true);
    if (surfaceEventsRan_) {
      surfaceEventsRan_ = false;
      try {
        if (OnFinalizeSurface) OnFinalizeSurface(this);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    // Sent whatever happened above: the subscribers must drop their surfaces.
    try {
      NotifyAll(TDXDrawNotifyType::dxntFinalizeSurface);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    if (initializeRan_) {
      initializeRan_ = false;
      try {
        if (OnFinalize) OnFinalize(this);
      } catch (...) {
        if (!failure) failure = std::current_exception();
      }
    }
    try {
      NotifyAll(TDXDrawNotifyType::dxntFinalize);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    initialized_ = false;
    UpdateNowOptions();
    ReleaseDriver();
  }
  if (failure) std::rethrow_exception(failure);
}

void TCustomDXDraw::ReleaseDriver() {
  driver_.reset();
  surface_.reset();
  primary_.reset();
  palette_.reset();
  clipper_.reset();
  ddraw_.reset();
  if (device_) device_->RestoreDisplayMode();
  device_.reset();
}

bool TCustomDXDraw::CheckSurfaces() {
  if (!initialized_ || updating_ || !primary_ || !primary_->Exists()) return false;
  if (device_->Lost() && !primary_->IsLost()) ddraw_->LoseSurfaces();
  if (!primary_->IsLost() && !surface_->IsLost()) return true;
  Restore();
  return initialized_ && !primary_->IsLost() && !surface_->IsLost();
}

bool TCustomDXDraw::CanDraw() {
  return initialized_ && !updating_ && surface_ && surface_->Exists() && CheckSurfaces();
}

void TCustomDXDraw::Restore() {
  if (!initialized_ || updating_) return;
  {
    FlagScope updating(updating_, true);
    const bool front = device_->Restore() && primary_->Restore();
    const bool back = surface_->Restore();
    if (!front || !back) return;
    primary_->Fill(0);
    surface_->Fill(0);
    if (palette_) {
      primary_->SetPalette(palette_.get());
      surface_->SetPalette(palette_.get());
    }
    NotifyAll(TDXDrawNotifyType::dxntRestore);
    if (OnRestoreSurface) OnRestoreSurface(this);
  }
}

void TCustomDXDraw::Present(bool waitVBlank) {
  if (!initialized_ || updating_) return;
  if (!CheckSurfaces()) return;
  driver_->Present(waitVBlank);
}

void TCustomDXDraw::Flip() {
  Present(nowOptions_.Contains(doWaitVBlank));
}

void TCustomDXDraw::Resize(int width, int height) {
  if ((width == SurfaceWidth() && height == SurfaceHeight()) || updating_) return;
  if (initialized_) {
    FlagScope phase(notifying_, true);
    try {
      NotifyAll(TDXDrawNotifyType::dxntFinalizeSurface);
      if (OnFinalizeSurface) OnFinalizeSurface(this);
      const int oldWidth = storedWidth_, oldHeight = storedHeight_;
      storedWidth_ = width;
      storedHeight_ = height;
      if (!driver_->RemakeSurface()) {
        storedWidth_ = oldWidth;
        storedHeight_ = oldHeight;
      }
      NotifyAll(TDXDrawNotifyType::dxntInitializeSurface);
      if (OnInitializeSurface) OnInitializeSurface(this);
    } catch (...) {
      try {
        Finalize();
      } catch (...) {
      }
      throw;
    }
  } else {
    storedWidth_ = width;
    storedHeight_ = height;
  }
  NotifyAll(TDXDrawNotifyType::dxntSetSurfaceSize);
}

void TCustomDXDraw::FormShown(TForm&) {
  if (AutoInitialize && !everInitialized_ && !initialized_) Initialize();
}

void TCustomDXDraw::FormResized(TForm&) {
  if (AutoSize && !updating_ && !Loading()) Resize(Width(), Height());
}

void TCustomDXDraw::FormExposed(TForm&) {
  Present(false);
}

void TCustomDXDraw::FormWindowDestroying(TForm&) {
  Finalize();
}
