#include "platform/web/web_application.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <deque>
#include <vector>

#include "platform/clock.h"
#include "platform/display_device.h"
#include "platform/form.h"
#include "platform/interval_timer.h"
#include "platform/key_state_table.h"
#include "platform/shell.h"
#include "platform/web/web_canvas.h"
#include "platform/web/web_display.h"
#include "platform/web/web_form_window.h"
#include "platform/web/web_keys.h"

namespace {

// The frame timer's clock: performance.now(), monotonic, less the time the
// frame loop slept. A frame loop woken by a key then moves the car by one
// frame's time, as after any other frame, not by all the time it stood.
class FrameClock final : public ClockPort {
 public:
  std::uint32_t Milliseconds() override {
    const double now = asleepSince_ >= 0 ? asleepSince_ : emscripten_get_now();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now - slept_));
  }
  void Sleep() {
    if (asleepSince_ < 0) asleepSince_ = emscripten_get_now();
  }
  // The time slept, in milliseconds; 0 when awake.
  double Wake() {
    if (asleepSince_ < 0) return 0;
    const double slept = emscripten_get_now() - asleepSince_;
    slept_ += slept;
    asleepSince_ = -1;
    return slept;
  }
  bool Asleep() const { return asleepSince_ >= 0; }
  double AsleepFor() const { return asleepSince_ >= 0 ? emscripten_get_now() - asleepSince_ : 0; }

 private:
  double slept_ = 0;
  double asleepSince_ = -1;
};

// The page's events that may give the frames something to do wake the frame
// loop (Module._velnar_wake); the program's own handlers still get them.
// clang-format off
EM_JS(void, ListenForWakers, (), {
  var wake = function() { Module['_velnar_wake'](); };
  ['keydown', 'keyup', 'pointerdown', 'pointerup', 'pointercancel', 'pointermove', 'touchstart',
   'touchend', 'touchcancel', 'mousedown', 'mouseup', 'resize', 'focus', 'blur',
   'gamepadconnected'].forEach(function(type) {
    window.addEventListener(type, wake, {capture: true, passive: true});
  });
  ['visibilitychange', 'fullscreenchange'].forEach(function(type) {
    document.addEventListener(type, wake, true);
  });
});

EM_JS(int, GamepadConnected, (), {
  var pads = navigator.getGamepads ? navigator.getGamepads() : [];
  for (var i = 0; i < pads.length; ++i)
    if (pads[i] && pads[i].connected) return 1;
  return 0;
});
// clang-format on

// Starts the frame loop again if it sleeps: something may have changed what
// a frame does.
void WakeFrames();

// setTimeout with absolute deadlines: each expiry is due one interval after
// the previous one was due, so a count of 300 ms ticks does not drift with
// the browser's lateness.
class WebIntervalTimer final : public IntervalTimerEngine {
 public:
  explicit WebIntervalTimer(std::function<void()> fire) : fire_(std::move(fire)) {}
  ~WebIntervalTimer() override { Stop(); }
  void Start(std::uint32_t intervalMs, std::uint32_t firstMs) override {
    Stop();
    interval_ = intervalMs;
    due_ = emscripten_get_now() + firstMs;
    Arm();
  }
  void Stop() override {
    if (id_) emscripten_clear_timeout(id_);
    id_ = 0;
  }
  std::uint32_t Remaining() const override {
    if (!id_) return 0;
    const double left = due_ - emscripten_get_now();
    return left > 0 ? static_cast<std::uint32_t>(left) : 0;
  }

 private:
  void Arm() {
    const double wait = due_ - emscripten_get_now();
    id_ = emscripten_set_timeout(&WebIntervalTimer::Expired, wait > 0 ? wait : 0, this);
  }
  static void Expired(void* self) {
    auto* t = static_cast<WebIntervalTimer*>(self);
    t->id_ = 0;
    t->due_ += t->interval_;
    // A page that slept for long does not fire a burst of missed ticks.
    if (t->due_ < emscripten_get_now()) t->due_ = emscripten_get_now() + t->interval_;
    t->Arm();
    t->fire_();  // may stop or delete this timer
    WakeFrames();
  }

  std::function<void()> fire_;
  std::uint32_t interval_ = 0;
  double due_ = 0;
  long id_ = 0;
};

class WebIntervalTimerFactory final : public IntervalTimerFactory {
 public:
  std::unique_ptr<IntervalTimerEngine> Create(std::function<void()> fire) override {
    return std::make_unique<WebIntervalTimer>(std::move(fire));
  }
};

std::deque<std::function<void()>>& Posted() {
  static std::deque<std::function<void()>> work;
  return work;
}

void RunPosted(void*) {
  while (!Posted().empty()) {
    std::function<void()> work = std::move(Posted().front());
    Posted().pop_front();
    Dispatch(work);
  }
}

}  // namespace

struct WebApplication::Impl {
  std::shared_ptr<IdleHandler> idle;
  bool active = false;
  std::map<int, ActivationHandler> activation;
  int nextActivationId = 0;
  FrameClock clock;
  // Animation frames run, and the frames of the time the loop slept.
  std::uint32_t framesRun = 0;
  double framesSlept = 0;
  long heartbeat = 0;
  WebIntervalTimerFactory timers;
  WebCanvasBackend canvas;
  WebDisplayDeviceFactory displays;

  static bool PageActive() {
    EmscriptenVisibilityChangeEvent visibility{};
    const bool visible =
        emscripten_get_visibility_status(&visibility) != EMSCRIPTEN_RESULT_SUCCESS ||
        !visibility.hidden;
    return visible && EM_ASM_INT({ return document.hasFocus() ? 1 : 0; }) != 0;
  }

  void UpdateActive() { SetActive(PageActive()); }

  void SetActive(bool now) {
    if (now == active) return;
    active = now;
    // Keys held when the page went away were released out of our sight.
    WebForms::PageActivated(now);
    const auto copy = activation;
    for (const auto& entry : copy) {
      const ActivationHandler& handler = entry.second;
      if (activation.count(entry.first)) Dispatch([&] { handler(now); });
    }
  }

  static EM_BOOL Frame(double, void* self) {
    auto* d = static_cast<Impl*>(self);
    // Visibility and focus events can be missed (a page frozen and thawed);
    // each frame checks them as well.
    d->UpdateActive();
    const std::uint32_t asked = PresentsAsked();
    if (d->idle) {
      std::shared_ptr<IdleHandler> handler = d->idle;  // the handler may empty the slot
      bool done = true;
      Dispatch([&] { (*handler)(done); });
    }
    ++d->framesRun;
    // A frame that drew nothing, with no key held, leaves everything as it
    // was: the next one would too, until an event comes. Meanwhile the page
    // runs no frames at all, which is what makes a parked car cost nothing.
    if (PresentsAsked() == asked && !InputHeld()) {
      d->Sleep();
      return false;
    }
    return true;  // keep the animation-frame loop going
  }

  static bool InputHeld() {
    const KeyStateTable& keys = RealKeyStateTable();
    for (int vk = 1; vk < 256; ++vk)
      if (keys.IsDown(vk)) return true;
    // Game pads are read, not heard: while one is there the frames go on.
    return GamepadConnected() != 0;
  }

  void Sleep() {
    clock.Sleep();
    heartbeat = emscripten_set_timeout(&Impl::Heartbeat, HeartbeatMs, this);
  }

  void Wake() {
    if (!clock.Asleep()) return;
    framesSlept += clock.Wake() / FrameMs;
    emscripten_clear_timeout(heartbeat);
    heartbeat = 0;
    emscripten_request_animation_frame_loop(&Impl::Frame, this);
  }

  // A key pressed by the page's own script (an on-screen control's call)
  // comes with no event to wake the loop; it is looked for now and then.
  static void Heartbeat(void* self) {
    auto* d = static_cast<Impl*>(self);
    d->heartbeat = 0;
    if (InputHeld())
      d->Wake();
    else
      d->heartbeat = emscripten_set_timeout(&Impl::Heartbeat, HeartbeatMs, d);
  }

  std::uint32_t Frames() const {
    return framesRun + static_cast<std::uint32_t>(framesSlept + clock.AsleepFor() / FrameMs);
  }

  // The frames a slept stretch stands for, at the common 60 Hz.
  static constexpr double FrameMs = 1000.0 / 60;
  static constexpr double HeartbeatMs = 100;

  static EM_BOOL Visibility(int, const EmscriptenVisibilityChangeEvent*, void* self) {
    static_cast<Impl*>(self)->UpdateActive();
    return false;
  }

  static EM_BOOL Focus(int type, const EmscriptenFocusEvent*, void* self) {
    auto* d = static_cast<Impl*>(self);
    // The focus is going: stop at once, whatever hasFocus() still answers
    // while the event is dispatched. A blur that leaves the page focused (the
    // focus went into a frame of it) is undone by the next frame's check.
    if (type == EMSCRIPTEN_EVENT_BLUR)
      d->SetActive(false);
    else
      d->UpdateActive();
    return false;
  }
};

namespace {

// The application whose frame loop the page's events wake.
WebApplication::Impl*& Running() {
  static WebApplication::Impl* running = nullptr;
  return running;
}

void WakeFrames() {
  if (Running()) Running()->Wake();
}

}  // namespace

WebApplication::WebApplication() : d_(std::make_unique<Impl>()) {
  d_->active = Impl::PageActive();
  SetApplication(this);
  SetCurrentClock(&d_->clock);
  SetIntervalTimerFactory(&d_->timers);
  SetCanvasBackend(&d_->canvas);
  SetDisplayDeviceFactory(&d_->displays);
  InstallWebKeys();
  emscripten_set_visibilitychange_callback(d_.get(), false, &Impl::Visibility);
  emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, d_.get(), false, &Impl::Focus);
  emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, d_.get(), false, &Impl::Focus);
  emscripten_request_animation_frame_loop(&Impl::Frame, d_.get());
  Running() = d_.get();
  ListenForWakers();
}

WebApplication::~WebApplication() {
  if (Running() == d_.get()) Running() = nullptr;
  if (Application() == this) SetApplication(nullptr);
  SetCurrentClock(nullptr);
  SetIntervalTimerFactory(nullptr);
  SetCanvasBackend(nullptr);
  SetDisplayDeviceFactory(nullptr);
}

void WebApplication::SetOnIdle(IdleHandler handler) {
  if (handler)
    d_->idle = std::make_shared<IdleHandler>(std::move(handler));
  else
    d_->idle.reset();
  WakeFrames();
}

bool WebApplication::HasOnIdle() const {
  return static_cast<bool>(d_->idle);
}

bool WebApplication::Active() const {
  return d_->active;
}

int WebApplication::AddActivationHandler(ActivationHandler handler) {
  const int id = d_->nextActivationId++;
  d_->activation[id] = std::move(handler);
  return id;
}

void WebApplication::RemoveActivationHandler(int id) {
  d_->activation.erase(id);
}

void WebApplication::ShowException(const std::string& message) {
  CurrentShell().ShowMessage(Title, message);
}

void WebApplication::Post(std::function<void()> work) {
  Posted().push_back(std::move(work));
  if (Posted().size() == 1) emscripten_async_call(&RunPosted, nullptr, 0);
}

std::uint32_t& WebApplication::PresentedFrames() {
  static std::uint32_t frames = 0;
  return frames;
}

std::uint32_t WebApplication::Frames() {
  return Running() ? Running()->Frames() : 0;
}

// The page's events that may change what a frame does.
extern "C" EMSCRIPTEN_KEEPALIVE void velnar_wake() {
  WakeFrames();
}
