#include "web/scenes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/common/test_app.h"

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void ExpectPicture(Scene scene, const std::string& file) {
  const std::string path = std::string(VELNAR_SOURCE_DIR) + "/" + file;
  const std::vector<std::uint8_t> drawn = DrawScene(scene);
  if (std::getenv("VELNAR_UPDATE_GOLDEN") && file.find("tests/web/") == 0)
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(drawn.data()),
               static_cast<std::streamsize>(drawn.size()));
  const std::vector<std::uint8_t> kept = ReadFile(path);
  ASSERT_EQ(kept.size(), drawn.size()) << path;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) differing += kept[i] != drawn[i];
  EXPECT_EQ(differing, 0u) << "bytes of " << path << " differ";
}

}  // namespace

// The browser's test compares its frames with these pictures byte for byte;
// here the desktop (its Qt text, its x87 arithmetic) draws them. The scene of
// the fixed car state is the simulation's own golden frame.
TEST(BrowserScenes, TheDesktopDrawsThePicturesTheBrowserMustMatch) {
  TestApp();  // the desktop's canvas text
  ExpectPicture(Scene::Golden, "tests/sim/golden/frame.bmp");
  ExpectPicture(Scene::FirstFrame, "tests/web/golden/first.bmp");
  ExpectPicture(Scene::Drive, "tests/web/golden/drive.bmp");
}
