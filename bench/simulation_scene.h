#pragma once

// The real simulation window for the frame benchmarks: the application (on
// the offscreen platform), a headless display with the 640 x 480 x 16 back
// buffer, and the window with its pictures, car and track. Made once per
// program and never freed, as the benchmarks share it.

#include <cstdlib>
#include <string>

#include "platform/display_device.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "sim/velnar_form.h"

struct SimulationScene {
  explicit SimulationScene(const char* programName)
      : name(programName), argv{name.data(), nullptr} {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app = new TApplication(argc, argv);
    SetDisplayDeviceFactory(&headless);
    form = new TVelnarForm1();
    VelnarForm1 = form;
  }
  std::string name;  // Qt keeps argv: it lives as long as the application
  int argc = 1;
  char* argv[2];
  TApplication* app;
  HeadlessDisplayFactory headless;
  TVelnarForm1* form;
};
