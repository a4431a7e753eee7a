#include <gtest/gtest.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/form.h"
#include "platform/form_window.h"
#include "platform/qt_display.h"
#include "tests/common/test_app.h"

namespace {

// A 5-6-5 picture: a red top-left pixel, a blue bottom-right one, a green
// first row after the corner, a mid grey body.
struct Picture {
  Picture(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0x8410) {
    for (int x = 1; x < w; ++x) pixels[x] = 0x07E0;
    pixels[0] = 0xF800;
    pixels.back() = 0x001F;
  }
  PresentImage Image() const {
    PresentImage image;
    image.Bits = reinterpret_cast<const std::uint8_t*>(pixels.data());
    image.Width = width;
    image.Height = height;
    image.Pitch = width * 2;
    return image;
  }
  int width, height;
  std::vector<std::uint16_t> pixels;
};

// The window manager and the X server of a loaded machine may take seconds to
// map and expose a window; the tests wait for the events, up to this long.
constexpr int XTimeout = 15000;

bool Near(QRgb c, int r, int g, int b) {
  return std::abs(qRed(c) - r) <= 2 && std::abs(qGreen(c) - g) <= 2 && std::abs(qBlue(c) - b) <= 2;
}

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

bool ServerSharesMemory() {
  const xcb_query_extension_reply_t* shm = xcb_get_extension_data(Connection(), &xcb_shm_id);
  return shm && shm->present;
}

class PresenterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    form = std::make_unique<TForm>();
  }
  // The form at that size, shown and exposed.
  void ShowExposed(int width, int height) {
    form->SetBounds(0, 0, width, height);
    form->Show();
    ASSERT_TRUE(RunUntil([&] { return form->Window()->isExposed(); }, XTimeout));
  }
  // Shows the form and presents until the window shows a frame.
  QImage PresentAndGrab(QtDisplayDevice& device, const PresentImage& image,
                        const PresentRect& target) {
    form->Show();
    EXPECT_TRUE(RunUntil([&] { return form->Window()->isExposed(); }, XTimeout));
    EXPECT_TRUE(device.CreatePrimary());
    device.CurrentPresenter()->Capture = true;
    RunUntil(
        [&] {
          device.Present(image, target);
          return !device.CurrentPresenter()->Captured.isNull();
        },
        XTimeout);
    return device.CurrentPresenter()->Captured;
  }
  std::unique_ptr<TForm> form;
};

TEST_F(PresenterTest, FullScreenModeFillsTheScreenPixelForPixel) {
  // The OpenGL presenter, even where only a software rasteriser draws it.
  setenv("VELNAR_PRESENTER", "opengl", 1);
  QtDisplayDevice device;
  ASSERT_TRUE(device.SetCooperativeLevel(form.get(), true));
  ASSERT_TRUE(device.SetDisplayMode(DisplayMode{640, 480, 16}));
  Picture picture(640, 480);
  const QImage shot = PresentAndGrab(device, picture.Image(), PresentRect{0, 0, 640, 480});
  EXPECT_STREQ(device.CurrentPresenter()->Name(), "OpenGL");
  ASSERT_FALSE(shot.isNull());

  // The whole screen, also without a window manager, in device pixels.
  QScreen* screen = form->Window()->screen();
  const qreal ratio = form->Window()->devicePixelRatio();
  EXPECT_EQ(shot.width(), qRound(screen->geometry().width() * ratio));
  EXPECT_EQ(shot.height(), qRound(screen->geometry().height() * ratio));
  EXPECT_TRUE(Near(shot.pixel(0, 0), 255, 0, 0)) << std::hex << shot.pixel(0, 0);
  EXPECT_TRUE(Near(shot.pixel(shot.width() - 1, shot.height() - 1), 0, 0, 255));
  EXPECT_TRUE(Near(shot.pixel(shot.width() / 2, 0), 0, 255, 0));
  // 5-6-5 values go up as they are: 16/31 and 32/63 of full scale.
  EXPECT_TRUE(Near(shot.pixel(shot.width() / 2, shot.height() / 2), 132, 130, 132))
      << std::hex << shot.pixel(shot.width() / 2, shot.height() / 2);
  // Nearest pixel, no smoothing: the second row is all grey, never a blend.
  const double scale = shot.height() / 480.0;
  const int row = static_cast<int>(1.5 * scale);
  for (int x = 0; x < shot.width(); x += 7)
    ASSERT_TRUE(Near(shot.pixel(x, row), 132, 130, 132)) << x;
  unsetenv("VELNAR_PRESENTER");
}

// White columns one source pixel wide with two black ones between, at each
// phase: every column of the screen, scaled by a factor that is not whole
// (1.6 on the tests' 1024 x 768 screen), gets as much light as any other,
// the sum of the channels along the run of window pixels it lights.
TEST_F(PresenterTest, OpenGlGivesEveryColumnTheSameLight) {
  setenv("VELNAR_PRESENTER", "opengl", 1);
  QtDisplayDevice device;
  ASSERT_TRUE(device.SetCooperativeLevel(form.get(), true));
  ASSERT_TRUE(device.SetDisplayMode(DisplayMode{640, 480, 16}));
  for (int phase = 0; phase < 3; ++phase) {
    Picture picture(640, 480);
    int lines = 0;
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) picture.pixels[i] = 0;
    for (int x = phase; x < 640; x += 3, ++lines)
      for (int y = 0; y < 480; ++y) picture.pixels[static_cast<std::size_t>(y) * 640 + x] = 0xFFFF;
    if (device.CurrentPresenter()) device.CurrentPresenter()->Captured = QImage();
    const QImage shot = PresentAndGrab(device, picture.Image(), PresentRect{0, 0, 640, 480});
    ASSERT_STREQ(device.CurrentPresenter()->Name(), "OpenGL");
    ASSERT_FALSE(shot.isNull());
    ASSERT_NE(shot.width() % 640, 0) << "a whole factor: nothing to mix";
    std::vector<int> light;
    bool inLine = false;
    for (int x = 0; x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, shot.height() / 2);
      const int sum = qRed(p) + qGreen(p) + qBlue(p);
      if (sum != 0 && !inLine) light.push_back(0);
      if (sum != 0) light.back() += sum;
      inLine = sum != 0;
    }
    ASSERT_EQ(static_cast<int>(light.size()), lines) << "phase " << phase;
    const auto [least, most] = std::minmax_element(light.begin(), light.end());
    EXPECT_LE(*most, *least * 1.03)
        << "phase " << phase << ": lines lit " << *least << " to " << *most;
  }
  unsetenv("VELNAR_PRESENTER");
}

TEST_F(PresenterTest, SoftwareOpenGlLeavesPresentingToOurScaling) {
  unsetenv("VELNAR_PRESENTER");
  form->Show();
  ASSERT_TRUE(RunUntil([&] { return form->Window()->isExposed(); }, XTimeout));
  const std::unique_ptr<Presenter> gl = MakeGlPresenter(form->Window());
  const bool software = !gl || gl->SoftwareRendered();
  QtDisplayDevice device;
  ASSERT_TRUE(device.SetCooperativeLevel(form.get(), true));
  ASSERT_TRUE(device.CreatePrimary());
  const char* ours = ServerSharesMemory() ? "shared memory" : "raster";
  EXPECT_STREQ(device.CurrentPresenter()->Name(), software ? ours : "OpenGL");
}

TEST_F(PresenterTest, TargetRectangleAndLetterboxingLeaveBlackAround) {
  QtDisplayDevice device;
  ASSERT_TRUE(device.SetCooperativeLevel(form.get(), false));
  form->SetBounds(0, 0, 900, 540);
  ASSERT_TRUE(device.SetDisplayMode(DisplayMode{640, 480, 16}));
  Picture picture(320, 240);
  // A 320 x 240 picture centred on the 640 x 480 screen, which is itself
  // scaled into the wide window with bars left and right.
  const QImage shot = PresentAndGrab(device, picture.Image(), PresentRect{160, 120, 480, 360});
  ASSERT_FALSE(shot.isNull());
  const int w = shot.width(), h = shot.height();
  const double scale = std::min(w / 640.0, h / 480.0);
  const int barX = static_cast<int>((w - 640 * scale) / 2);
  EXPECT_GT(barX, 0);
  EXPECT_TRUE(Near(shot.pixel(barX / 2, h / 2), 0, 0, 0)) << "bar";
  EXPECT_TRUE(Near(shot.pixel(barX + static_cast<int>(100 * scale), h / 2), 0, 0, 0))
      << "screen outside the target";
  EXPECT_TRUE(Near(shot.pixel(w / 2, h / 2), 132, 130, 132));
  const int cornerX = barX + static_cast<int>(160 * scale);
  const int cornerY = static_cast<int>(120 * scale);
  EXPECT_TRUE(Near(shot.pixel(cornerX, cornerY), 255, 0, 0))
      << std::hex << shot.pixel(cornerX, cornerY);
}

TEST_F(PresenterTest, RasterPresenterShowsTheSamePicture) {
  ASSERT_NO_FATAL_FAILURE(ShowExposed(640, 480));
  Picture picture(640, 480);
  std::unique_ptr<Presenter> raster = MakeRasterPresenter(form->Window());
  raster->Capture = true;
  ASSERT_TRUE(RunUntil(
      [&] {
        raster->Present(picture.Image(), PresentRect{0, 0, 640, 480}, 640, 480);
        return !raster->Captured.isNull();
      },
      XTimeout));
  const QImage& shot = raster->Captured;
  EXPECT_TRUE(Near(shot.pixel(0, 0), 255, 0, 0));
  EXPECT_TRUE(Near(shot.pixel(shot.width() - 1, shot.height() - 1), 0, 0, 255));
  EXPECT_TRUE(Near(shot.pixel(shot.width() / 2, shot.height() / 2), 132, 130, 132));
}

// What the X server holds of the window now, as 32-bit pixels.
QImage ServerPixels(QWindow* window, QSize size) {
  xcb_connection_t* c = Connection();
  std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
      xcb_get_image_reply(
          c,
          xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, static_cast<xcb_drawable_t>(window->winId()),
                        0, 0, static_cast<std::uint16_t>(size.width()),
                        static_cast<std::uint16_t>(size.height()), ~0u),
          nullptr),
      &std::free);
  if (!reply) return QImage();
  return QImage(xcb_get_image_data(reply.get()), size.width(), size.height(), size.width() * 4,
                QImage::Format_RGB32)
      .copy();
}

TEST_F(PresenterTest, SharedMemoryPresenterPutsWhatItDrewOnTheServer) {
  ASSERT_NO_FATAL_FAILURE(ShowExposed(400, 300));
  Picture picture(320, 240);
  std::unique_ptr<Presenter> shm = MakeShmPresenter(form->Window());
  ASSERT_TRUE(shm) << "Xvfb shares memory with its clients";
  shm->Capture = true;
  QImage server;
  const auto presentAndRead = [&] {
    shm->Present(picture.Image(), PresentRect{0, 0, 320, 240}, 320, 240);
    server = ServerPixels(form->Window(), shm->Captured.size());
    return server == shm->Captured.convertToFormat(QImage::Format_RGB32);
  };
  ASSERT_TRUE(RunUntil(presentAndRead, XTimeout));
  // A small change far from the corners: only its rectangle goes to the
  // server, and the server then holds the whole new picture.
  for (int y = 100; y < 110; ++y)
    for (int x = 200; x < 230; ++x) picture.pixels[static_cast<std::size_t>(y) * 320 + x] = 0xFFE0;
  shm->Present(picture.Image(), PresentRect{0, 0, 320, 240}, 320, 240);
  server = ServerPixels(form->Window(), shm->Captured.size());
  const QImage drawn = shm->Captured.convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(server, drawn);
  const int x = drawn.width() * 215 / 320, y = drawn.height() * 105 / 240;
  EXPECT_TRUE(Near(server.pixel(x, y), 255, 255, 0)) << std::hex << server.pixel(x, y);
}

// Run by the test on a server without the extension (see CMakeLists.txt).
TEST_F(PresenterTest, WithoutSharedMemoryQtsBackingStorePresents) {
  if (ServerSharesMemory()) GTEST_SKIP() << "this server shares memory";
  unsetenv("VELNAR_PRESENTER");
  EXPECT_FALSE(MakeShmPresenter(form->Window()));
  QtDisplayDevice device;
  ASSERT_TRUE(device.SetCooperativeLevel(form.get(), false));
  form->SetBounds(0, 0, 640, 480);
  Picture picture(640, 480);
  const QImage shot = PresentAndGrab(device, picture.Image(), PresentRect{0, 0, 640, 480});
  EXPECT_STRNE(device.CurrentPresenter()->Name(), "shared memory");
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(Near(shot.pixel(shot.width() / 2, shot.height() / 2), 132, 130, 132));
}

}  // namespace
