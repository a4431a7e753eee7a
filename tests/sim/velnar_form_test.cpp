#include "sim/velnar_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/background_sprite.h"
#include "gfx/canvas.h"
#include "gfx/dib.h"
#include "gfx/stream.h"
#include "lesson/catalogue.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "sim/instrument_panel.h"
#include "sim/picture_catalogue.h"
#include "sim/track_map.h"
#include "tests/common/golden_state.h"
#include "tests/common/test_app.h"
#include "tests/engine/input_doubles.h"
#include "tests/gfx/recording_canvas.h"

namespace {

constexpr int VK_UP = 38, VK_RIGHT = 39;

class SimulationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    SetCanvasBackend(&canvas);  // the application installs its own
    SetDisplayDeviceFactory(&factory);
    form = new TVelnarForm1();
    VelnarForm1 = form;
    TVelnarForm1::ShowTaskDialog() = [this] {
      ++dialogs;
      dialogTimeCount = form->Car->Model.TimeCount;
      dialogTimerOn = form->Timer1->Enabled();
    };
  }
  void TearDown() override {
    TVelnarForm1::ShowTaskDialog() = nullptr;
    delete form;
    SetDisplayDeviceFactory(nullptr);
  }

  void Frame(int lag = 16) { form->DXTimer1Timer(form, lag); }
  // The frame of a fixed car state.
  TDIB GoldenStateFrame() {
    TWyscigowkaDX& car = *form->Car;
    PlaceGoldenCar(car);
    Frame(1);
    TDIB frame;
    Back()->AssignTo(frame);
    return frame;
  }
  void Key(std::uint16_t key) { form->FormKeyDown(form, key, {}); }
  TDirectDrawSurface* Back() { return form->DXDraw1->Surface(); }
  TPictureCollectionItem* Picture(int index) { return form->DXImageList1->Items().Items(index); }
  // A pixel of a pattern, read from the surface that holds it.
  std::uint32_t PatternPixel(int index, int pattern, int x, int y) {
    TPictureCollectionItem* item = Picture(index);
    const TRect r = item->PatternRects(pattern);
    return item->PatternSurfaces(pattern)->Pixels(r.Left + x, r.Top + y);
  }

  HeadlessDisplayFactory factory;
  ScriptedKeyState keys;
  ScriptedJoystick joystick;
  RecordingCanvasBackend canvas;
  TVelnarForm1* form = nullptr;
  int dialogs = 0;
  int dialogTimeCount = -1;
  bool dialogTimerOn = true;
};

}  // namespace

TEST_F(SimulationTest, CreationBuildsTheScene) {
  ASSERT_TRUE(form->DXDraw1->Initialized());
  EXPECT_EQ(form->DXDraw1->Surface()->Width(), 640);
  EXPECT_EQ(form->DXDraw1->Surface()->Height(), 480);
  EXPECT_EQ(form->DXDraw1->Surface()->BitCount(), 16);
  EXPECT_TRUE(form->DXTimer1->Enabled());
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_EQ(form->Timer1->Interval(), 300u);
  EXPECT_EQ(form->NeedleAngle, -64.0);

  ASSERT_EQ(form->DXImageList1->Items().Count(), 13);
  EXPECT_EQ(form->DXImageList1->Items().Items(3)->Name(), "Droga");
  EXPECT_EQ(form->DXImageList1->Items().Items(3)->PatternCount(), 64);

  ASSERT_NE(form->Car, nullptr);
  EXPECT_EQ(form->Car->Width, 40);
  EXPECT_EQ(form->Car->Height, 64);
  EXPECT_EQ(form->Car->Z(), 2);
  EXPECT_EQ(form->Car->X, 192.0);
  EXPECT_EQ(form->Track->Z(), -2);
  EXPECT_EQ(form->Track->Chips(1, 8), 7);
  EXPECT_EQ(form->Track->Chips(19, 19), 0);

  // The canvas writes yellow text without a box.
  EXPECT_EQ(Back()->Canvas().Font.Color, clYellow);
  EXPECT_EQ(Back()->Canvas().Brush.Style, bsClear);
}

TEST_F(SimulationTest, DrivingMovesTheCameraNotTheCar) {
  Frame();
  // Standing still: the track's top-left at (300 - 192, 208 - 550).
  EXPECT_EQ(form->DXSpriteEngine1->Engine().X, 108.0);
  EXPECT_EQ(form->DXSpriteEngine1->Engine().Y, -342.0);
  // Screen (150, 200) is world (42, 542): ground; (200, 100) is world (92, 442): road tile 5.
  EXPECT_EQ(Back()->Pixels(150, 200), PatternPixel(3, 0, 42, 542 % 64));
  EXPECT_EQ(Back()->Pixels(200, 100), PatternPixel(3, 5, 92 - 64, 442 % 64));
  // The car's picture is centred at (220, 240).
  EXPECT_EQ(Back()->Pixels(220, 240), PatternPixel(0, 0, 20, 32));
  EXPECT_EQ(Back()->Pixels(215, 250), PatternPixel(0, 0, 15, 42));
  EXPECT_NE(PatternPixel(0, 0, 15, 42), 0xF81Fu) << "a pixel of the car itself";

  keys.Press(VK_UP);
  for (int i = 0; i < 60; ++i) Frame(16);
  keys.Release(VK_UP);
  keys.Press(VK_RIGHT);
  for (int i = 0; i < 10; ++i) Frame(16);
  const TWyscigowkaDX& car = *form->Car;
  EXPECT_LT(car.Y, 500.0);
  EXPECT_GT(car.Model.Heading, 0.0);
  EXPECT_EQ(form->DXSpriteEngine1->Engine().X, 300 - car.X);
  EXPECT_EQ(form->DXSpriteEngine1->Engine().Y, 208 - car.Y);
  EXPECT_EQ(form->NeedleAngle, NeedleAngleFor(car.Model.Speed));
  EXPECT_GT(form->NeedleAngle, -64.0);
  EXPECT_TRUE(form->Timer1->Enabled()) << "the throttle starts the clock";
  EXPECT_GT(car.Model.Distance, 0.0);
  EXPECT_EQ(factory.Last->FramesPresented, 71);
}

TEST_F(SimulationTest, ReadOutsAndArrowsGoThroughTheCanvasBeforeTheFlip) {
  form->Car->Model.Distance = 10.5;
  canvas.Calls.clear();
  Frame();
  std::vector<std::string> texts;
  int greenLines = 0;
  for (const auto& c : canvas.Calls) {
    if (c.Kind == "text") texts.push_back(c.Text);
    if (c.Kind == "line" && c.Color == 0x00FF00) ++greenLines;
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Rx=0 m", "Ry=0 m", "|R|=0.0 m", "Czas t=0 s",
                                             "Droga s=11m"}));
  EXPECT_EQ(greenLines, 9) << "three arrows of three strokes";
  ASSERT_FALSE(canvas.Calls.empty());
  EXPECT_EQ(canvas.Calls.back().Kind, "close") << "the canvas is released before the flip";
  EXPECT_EQ(canvas.Count("open"), 1);
}

TEST_F(SimulationTest, OdometerShowsItsCellsThroughTheWindows) {
  form->Car->Model.Distance = 1234.5;
  Frame();
  // Black kilometre digits 00001: the units column at 480 + 81 shows digit 1.
  for (int dy = 0; dy <= 12; ++dy)
    for (int dx = 0; dx < 9; ++dx) {
      ASSERT_EQ(Back()->Pixels(561 + dx, 265 + dy), PatternPixel(9, 1, dx, dy)) << dx << "," << dy;
      ASSERT_EQ(Back()->Pixels(551 + dx, 265 + dy), PatternPixel(9, 0, dx, dy));
    }
  // The red drum: 2 lowered by 4 pixels, 3 above it.
  for (int dy = 0; dy <= 12; ++dy)
    for (int dx = 0; dx < 9; ++dx) {
      const int y = 265 + dy;
      const std::uint32_t expected =
          y >= 269 ? PatternPixel(8, 2, dx, y - 269) : PatternPixel(8, 3, dx, y - 255);
      ASSERT_EQ(Back()->Pixels(575 + dx, y), expected) << dx << "," << dy;
    }
}

TEST_F(SimulationTest, SpaceStopsTheCarAndTheClockAndOpensTheTask) {
  Key(32);  // before any move
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(dialogTimeCount, 0);

  keys.Press(VK_UP);
  for (int i = 0; i < 30; ++i) Frame();
  keys.Release(VK_UP);
  form->Timer1Timer(form);
  form->Timer1Timer(form);
  const double x = form->Car->X, y = form->Car->Y, d = form->Car->Model.Distance;
  Key(32);
  EXPECT_EQ(dialogs, 2);
  EXPECT_FALSE(dialogTimerOn) << "the clock stops before the dialog opens";
  EXPECT_EQ(dialogTimeCount, 2);
  EXPECT_EQ(form->Car->Model.Speed, 0.0);
  Frame();
  EXPECT_EQ(form->Car->X, x);
  EXPECT_EQ(form->Car->Y, y);
  EXPECT_EQ(form->Car->Model.Distance, d);

  Key(32);  // again without the throttle: the same count, the clock still off
  EXPECT_EQ(dialogTimeCount, 2);
  EXPECT_FALSE(form->Timer1->Enabled());

  Key(65);  // other keys do nothing
  EXPECT_EQ(dialogs, 3);
}

TEST_F(SimulationTest, NoFrameWhileTheDisplayCannotDraw) {
  Frame();
  const int presented = factory.Last->FramesPresented;
  form->Car->Model.Speed = -700;
  form->Car->Model.TileIndex = 161;
  factory.Last->FailRestore = true;
  factory.Last->LoseScreen();
  Frame();
  EXPECT_EQ(form->Car->Y, 550.0) << "nothing moves in a skipped frame";
  EXPECT_EQ(factory.Last->FramesPresented, presented);
  factory.Last->FailRestore = false;
  Frame();
  EXPECT_LT(form->Car->Y, 550.0);
}

TEST_F(SimulationTest, EscClosesAndNoFrameRunsAfter) {
  const int before = TDXForm::Count();
  Frame();
  Key(27);
  EXPECT_EQ(form->Car, nullptr);
  EXPECT_FALSE(form->DXTimer1->Enabled());
  const int presented = factory.Last->FramesPresented;
  Frame();
  EXPECT_EQ(factory.Last->FramesPresented, presented);
  EXPECT_EQ(dialogs, 0) << "Esc never reaches the Space branch";
  TestApp().ProcessMessages();
  EXPECT_EQ(TDXForm::Count(), before - 1) << "the window released itself";
  form = nullptr;
}

// A whole frame of a fixed car state against the committed picture of it. The
// canvas double paints nothing, so the frame holds only the pictures: the
// track, the car, the frame, the instruments and the minimap.
TEST_F(SimulationTest, GoldenFrame) {
  const TDIB frame = GoldenStateFrame();
  const std::string path = std::string(VELNAR_SOURCE_DIR) + "/tests/sim/golden/frame.bmp";
  if (std::getenv("VELNAR_UPDATE_GOLDEN")) {
    TMemoryStream out;
    frame.SaveToStream(out);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.Bytes().data()),
               static_cast<std::streamsize>(out.Bytes().size()));
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  TMemoryStream stream(std::move(bytes));
  TDIB golden;
  golden.LoadFromStream(stream);
  ASSERT_EQ(golden.Width(), 640);
  ASSERT_EQ(golden.Height(), 480);
  int differences = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (golden.PixelColor(x, y) != frame.PixelColor(x, y) && ++differences <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
  EXPECT_EQ(differences, 0);
}

// The pictures carry the words of the language the window is made in: the
// key legend, the minimap's title and the odometer's unit change, nothing
// else does, and a window made after going back to Polish is Polish again.
TEST_F(SimulationTest, PicturesCarryTheWordsOfTheWindowsLanguage) {
  struct Restore {
    ~Restore() { lesson::SetLanguage(lesson::Language::Polish); }
  } restore;
  const auto remake = [this](lesson::Language language) {
    delete form;
    lesson::SetLanguage(language);
    form = new TVelnarForm1();
    VelnarForm1 = form;
  };
  const auto area = [this](int index, int x, int y) {
    return TRect{x, y, x + Picture(index)->Width(), y + Picture(index)->Height()};
  };
  const TRect legend = area(PictureKlawiszeKostki, 35, 450);
  const TRect minimap = area(PictureMapka, 480, 0);
  const TRect face = area(PictureLicznikDrogi, 480, 160);
  const auto inside = [](const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
  };
  ASSERT_EQ(lesson::CurrentLanguage(), lesson::Language::Polish);
  const TDIB polish = GoldenStateFrame();

  for (lesson::Language language : {lesson::Language::English, lesson::Language::Ukrainian}) {
    remake(language);
    const TDIB translated = GoldenStateFrame();
    int inLegend = 0, inMinimap = 0, inFace = 0, elsewhere = 0;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        if (polish.PixelColor(x, y) == translated.PixelColor(x, y)) continue;
        int& count = inside(legend, x, y)    ? inLegend
                     : inside(minimap, x, y) ? inMinimap
                     : inside(face, x, y)    ? inFace
                                             : elsewhere;
        ++count;
      }
    const char* code = lesson::Info(language).Code;
    EXPECT_GT(inLegend, 0) << code;
    EXPECT_GT(inMinimap, 0) << code;
    if (language == lesson::Language::Ukrainian) {
      EXPECT_GT(inFace, 0) << "км";
    }
    EXPECT_EQ(elsewhere, 0) << code;
  }

  remake(lesson::Language::Polish);
  const TDIB again = GoldenStateFrame();
  int differences = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) differences += polish.PixelColor(x, y) != again.PixelColor(x, y);
  EXPECT_EQ(differences, 0);
}
