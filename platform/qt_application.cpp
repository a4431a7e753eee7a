#include "platform/qt_application.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <map>
#include <vector>

#include "platform/form.h"
#include "platform/interval_timer.h"
#include "platform/qt_canvas.h"
#include "platform/qt_display.h"
#include "platform/shell.h"

namespace {

class QtIntervalTimer final : public IntervalTimerEngine {
 public:
  explicit QtIntervalTimer(std::function<void()> fire) {
    QObject::connect(&timer_, &QTimer::timeout, [this, fire = std::move(fire)] {
      // A shortened first interval (after a pause) gives way to the real one.
      if (timer_.interval() != interval_) timer_.setInterval(interval_);
      fire();
    });
  }
  void Start(std::uint32_t intervalMs, std::uint32_t firstMs) override {
    interval_ = Clamp(intervalMs);
    timer_.start(Clamp(firstMs));
  }
  void Stop() override { timer_.stop(); }
  std::uint32_t Remaining() const override {
    const int left = timer_.remainingTime();
    return left > 0 ? static_cast<std::uint32_t>(left) : 0;
  }

 private:
  static int Clamp(std::uint32_t ms) {
    return static_cast<int>(std::min<std::uint32_t>(ms, 0x7FFFFFFF));
  }
  QTimer timer_;
  int interval_ = 0;
};

class QtIntervalTimerFactory final : public IntervalTimerFactory {
 public:
  std::unique_ptr<IntervalTimerEngine> Create(std::function<void()> fire) override {
    return std::make_unique<QtIntervalTimer>(std::move(fire));
  }
};

// Restarts the idle timers that a handler parked (it reported itself done)
// as soon as any event arrives.
class EventWatcher final : public QObject {
 public:
  explicit EventWatcher(std::function<void()> onEvent) : onEvent_(std::move(onEvent)) {}
  bool eventFilter(QObject*, QEvent*) override {
    onEvent_();
    return false;
  }

 private:
  std::function<void()> onEvent_;
};

}  // namespace

struct TApplication::Impl {
  TApplication* self = nullptr;
  std::unique_ptr<QApplication> owned;
  std::shared_ptr<IdleHandler> idle;
  // timers[0] runs the idle handler from the main loop; timers[k] runs it in a
  // loop nested inside the handler at level k - 1.
  std::vector<std::unique_ptr<QTimer>> timers;
  int depth = 0;  // idle handler calls in progress
  bool parked = false;
  int messageBoxes = 0;
  bool active = false;
  std::map<int, ActivationHandler> activation;
  int nextActivationId = 0;
  QtIntervalTimerFactory timerFactory;
  QtCanvasBackend canvas;
  QtDisplayDeviceFactory displays;
  std::unique_ptr<EventWatcher> watcher;
  QObject context;

  QTimer* TimerAt(int level) {
    while (static_cast<int>(timers.size()) <= level) {
      auto timer = std::make_unique<QTimer>();
      timer->setInterval(0);
      const int at = static_cast<int>(timers.size());
      QObject::connect(timer.get(), &QTimer::timeout, &context, [this, at] { RunIdle(at); });
      timers.push_back(std::move(timer));
    }
    return timers[level].get();
  }

  void StartIdleTimers() {
    parked = false;
    for (int level = 0; level <= depth; ++level) TimerAt(level)->start();
  }

  void StopIdleTimers() {
    for (auto& t : timers) t->stop();
  }

  void RunIdle(int level) {
    if (!idle) {
      TimerAt(level)->stop();
      return;
    }
    // While an error is being shown, a handler that failed would fail again
    // and pile up boxes; the ticks wait until the box is closed.
    if (messageBoxes > 0) {
      TimerAt(level)->stop();  // no spinning meanwhile; the box's closing restarts it
      parked = true;
      return;
    }
    QTimer* deeper = TimerAt(level + 1);
    ++depth;
    deeper->start();
    std::shared_ptr<IdleHandler> handler = idle;  // the handler may replace the slot
    bool done = true;
    Dispatch([&] { (*handler)(done); });
    deeper->stop();
    --depth;
    if (done && idle) {
      TimerAt(level)->stop();
      parked = true;
    }
  }

  void SetActive(bool now) {
    if (now == active) return;
    active = now;
    const auto copy = activation;
    for (const auto& [id, handler] : copy) {
      if (activation.count(id)) Dispatch([&] { handler(now); });
    }
  }
};

TApplication::TApplication(int& argc, char** argv) : d_(std::make_unique<Impl>()) {
  d_->self = this;
  if (!QCoreApplication::instance()) d_->owned = std::make_unique<QApplication>(argc, argv);
  Title = QCoreApplication::applicationName().toStdString();
  d_->active = QGuiApplication::applicationState() == Qt::ApplicationActive;
  QObject::connect(
      qGuiApp, &QGuiApplication::applicationStateChanged, &d_->context,
      [this](Qt::ApplicationState state) { d_->SetActive(state == Qt::ApplicationActive); });
  d_->watcher = std::make_unique<EventWatcher>([this] {
    if (d_->parked && d_->idle) d_->StartIdleTimers();
  });
  QCoreApplication::instance()->installEventFilter(d_->watcher.get());
  SetApplication(this);
  SetIntervalTimerFactory(&d_->timerFactory);
  SetCanvasBackend(&d_->canvas);
  SetDisplayDeviceFactory(&d_->displays);
}

TApplication::~TApplication() {
  d_->StopIdleTimers();
  if (QCoreApplication::instance())
    QCoreApplication::instance()->removeEventFilter(d_->watcher.get());
  if (Application() == this) SetApplication(nullptr);
  if (IntervalTimerFactorySlot() == &d_->timerFactory) SetIntervalTimerFactory(nullptr);
  if (GetCanvasBackend() == &d_->canvas) SetCanvasBackend(nullptr);
  if (DisplayDeviceFactorySlot() == &d_->displays) SetDisplayDeviceFactory(nullptr);
}

int TApplication::Run() {
  return QCoreApplication::exec();
}

void TApplication::Terminate(int exitCode) {
  QCoreApplication::exit(exitCode);
}

void TApplication::ProcessMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

int TApplication::ExecModal(const std::function<int()>& loop) {
  int result = 0;
  ModalScope scope;
  Dispatch([&] { result = loop(); });
  return result;
}

void TApplication::SetOnIdle(IdleHandler handler) {
  if (!handler) {
    d_->idle.reset();
    d_->StopIdleTimers();
    return;
  }
  d_->idle = std::make_shared<IdleHandler>(std::move(handler));
  d_->StartIdleTimers();
}

bool TApplication::HasOnIdle() const {
  return static_cast<bool>(d_->idle);
}

bool TApplication::Active() const {
  return d_->active;
}

int TApplication::AddActivationHandler(ActivationHandler handler) {
  const int id = d_->nextActivationId++;
  d_->activation[id] = std::move(handler);
  return id;
}

void TApplication::RemoveActivationHandler(int id) {
  d_->activation.erase(id);
}

void TApplication::ShowException(const std::string& message) {
  ++d_->messageBoxes;
  CurrentShell().ShowMessage(Title, message);
  --d_->messageBoxes;
  if (d_->messageBoxes == 0 && d_->parked && d_->idle) d_->StartIdleTimers();
}
