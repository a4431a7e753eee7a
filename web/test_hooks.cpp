// What the browser tests read of the program: the back buffer of the first
// frame presented, and the fixed scenes drawn again in the page. Each result
// stays valid until the next call of the same hook.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

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

}  // extern "C"
