#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "platform/qt_application.h"
#include "platform/shell.h"

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

// Records message boxes instead of showing them; optionally keeps each box
// "open" for a while by running a nested loop, as a real box would.
class RecordingShell : public ShellPort {
 public:
  RecordingShell() { SetCurrentShell(this); }
  ~RecordingShell() override { SetCurrentShell(nullptr); }
  bool OpenUrl(const std::string& url) override {
    urls.push_back(url);
    return true;
  }
  void Beep() override { ++beeps; }
  void ShowMessage(const std::string& title, const std::string& text) override {
    titles.push_back(title);
    messages.push_back(text);
    if (openFor > 0) {
      QEventLoop loop;
      QTimer::singleShot(openFor, &loop, &QEventLoop::quit);
      loop.exec();
      if (whileOpen) whileOpen();
    }
  }

  int openFor = 0;
  std::function<void()> whileOpen;
  int beeps = 0;
  std::vector<std::string> urls, titles, messages;
};
