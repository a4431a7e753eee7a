#pragma once

// What the simulation window needs to run outside a test framework, on the
// desktop's platform and on the one without windows alike: the application
// (offscreen, where Qt is there), the headless display, a canvas that paints
// nothing (as in the golden-frame test, so frames hold only the pictures), and
// a keyboard and pads set by hand.

#include <cstdlib>

#include "platform/headless_display.h"
#include "tests/engine/input_doubles.h"
#include "tests/gfx/recording_canvas.h"
#if !VELNAR_WINDOWLESS
#include "platform/qt_application.h"
#endif

class HeadlessScene {
 public:
  HeadlessScene() {
#if !VELNAR_WINDOWLESS
    // Qt allows one application a process; it lives until the process ends.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "velnar";
    static char* argv[] = {name, nullptr};
    static TApplication* app = new TApplication(argc, argv);
    (void)app;
#endif
    SetDisplayDeviceFactory(&displays);
    SetCanvasBackend(&canvas);
  }
  ~HeadlessScene() {
    SetCanvasBackend(nullptr);
    SetDisplayDeviceFactory(nullptr);
  }
  HeadlessScene(const HeadlessScene&) = delete;
  HeadlessScene& operator=(const HeadlessScene&) = delete;

  HeadlessDisplayFactory displays;
  RecordingCanvasBackend canvas;
  ScriptedKeyState keys;
  ScriptedJoystick joystick;
};
