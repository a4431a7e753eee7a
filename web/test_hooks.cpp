// What the browser tests read of the program: the back buffer of the first
// frame presented, and the fixed scenes drawn again in the page. Each result
// stays valid until the next call of the same hook. And a picture of the
// test's own, shown on the page's screen as a run's frames are. Linked only
// into the tests' copy of the browser folder.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/application.h"
#include "platform/web/web_application.h"
#include "platform/web/web_display.h"
#include "web/scenes.h"

extern "C" {

// The first frame of the latest run: 16-bit pixels, row by row (0 before it).
EMSCRIPTEN_KEEPALIVE const std::uint16_t* velnar_test_first_frame(int* pixels) {
  const std::vector<std::uint16_t>& frame = FirstPresentedFrame();
  *pixels = static_cast<int>(frame.size());
  return frame.data();
}

// A scene (0 the golden frame, 1 the first frame, 2 the scripted drive) as a
// bitmap file.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* velnar_test_scene(int scene, int* bytes) {
  static std::vector<std::uint8_t> file;
  file = DrawScene(scene == 0 ? Scene::Golden : scene == 1 ? Scene::FirstFrame : Scene::Drive);
  *bytes = static_cast<int>(file.size());
  return file.data();
}

// Presents asked of the display devices since the page opened, whether or
// not they put anything.
EMSCRIPTEN_KEEPALIVE std::uint32_t velnar_test_presents_asked() {
  return PresentsAsked();
}

// Presents a 640 x 480 picture of 5-6-5 pixels, row by row, through the
// browser's display device, which stays the same from one call to the next.
// Returns 1 when it was shown.
EMSCRIPTEN_KEEPALIVE int velnar_test_present(const std::uint16_t* pixels) {
  static std::unique_ptr<DisplayDevice> device = WebDisplayDeviceFactory().Create();
  PresentImage image;
  image.Bits = reinterpret_cast<const std::uint8_t*>(pixels);
  image.Width = 640;
  image.Height = 480;
  image.Pitch = 640 * 2;
  return device->Present(image, PresentRect{0, 0, 640, 480}) ? 1 : 0;
}

// Whether the program counts the page as in front (visible and focused): the
// car and its clock stand while it is not.
EMSCRIPTEN_KEEPALIVE int velnar_active() {
  return Application() && Application()->Active() ? 1 : 0;
}

// Frames presented since the page opened: only those that changed the screen.
EMSCRIPTEN_KEEPALIVE std::uint32_t velnar_presented_frames() {
  return WebApplication::PresentedFrames();
}

// Animation frames run since the page opened, whatever they showed.
EMSCRIPTEN_KEEPALIVE std::uint32_t velnar_frames() {
  return WebApplication::Frames();
}

}  // extern "C"
