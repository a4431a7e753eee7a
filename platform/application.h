#pragma once

#include <exception>
#include <functional>
#include <string>
#include <utility>

#include "lesson/catalogue.h"

// The application as the program's components see it: one idle-handler slot,
// whether the application is the active one, notifications when that changes,
// and the place where errors that leave an event handler are reported.
//
// The idle handler runs whenever the event queue is empty, also inside every
// modal loop. It sets done to false to be called again at once; with done left
// true it is next called after the following event.
class ApplicationPort {
 public:
  using IdleHandler = std::function<void(bool& done)>;
  using ActivationHandler = std::function<void(bool active)>;

  virtual ~ApplicationPort() = default;

  // An empty handler empties the slot.
  virtual void SetOnIdle(IdleHandler handler) = 0;
  virtual bool HasOnIdle() const = 0;

  virtual bool Active() const = 0;

  // Returns an id for RemoveActivationHandler. Handlers run in the order they
  // were added.
  virtual int AddActivationHandler(ActivationHandler handler) = 0;
  virtual void RemoveActivationHandler(int id) = 0;

  // Shows the message of an error that left an event handler; the program goes on.
  virtual void ShowException(const std::string& message) = 0;
};

// Null until an application exists (the Qt application installs itself; tests
// install doubles). Kept in the header so that code outside platform/ needs no
// link to the Qt side.
inline ApplicationPort*& ApplicationSlot() {
  static ApplicationPort* port = nullptr;
  return port;
}
inline ApplicationPort* Application() {
  return ApplicationSlot();
}
inline void SetApplication(ApplicationPort* port) {
  ApplicationSlot() = port;
}

// Runs one event handler. An error that leaves it is shown to the user and
// the program goes on, as with every handler of the message loop. Returns
// false when the handler failed.
template <class Handler>
bool Dispatch(Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
    return true;
  } catch (const std::exception& e) {
    if (ApplicationPort* app = Application()) app->ShowException(e.what());
  } catch (...) {
    if (ApplicationPort* app = Application()) app->ShowException(lesson::Tr("Nieznany błąd."));
  }
  return false;
}
