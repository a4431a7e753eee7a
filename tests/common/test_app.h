#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/doubles.h"
#include "platform/qt_application.h"

// One application for the whole test program (Qt allows one at a time); it
// lives until the process ends.
inline TApplication& TestApp() {
  static int argc = 1;
  static char name[] = "velnar-tests";
  static char* argv[] = {name, nullptr};
  static TApplication* app = new TApplication(argc, argv);
  return *app;
}

// Runs the event loop until the condition holds or the time is up.
inline bool RunUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMs) return false;
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// Message boxes recorded instead of shown; a box can stay "open" for a while
// by running a nested loop, as a real one would.
inline void KeepBoxesOpen(RecordingShell& shell, int ms, std::function<void()> whileOpen = {}) {
  shell.WhileOpen = [ms, whileOpen] {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    if (whileOpen) whileOpen();
  };
}
