#include "sim/run_recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "sim/car_model.h"
#include "sim/minimap.h"
#include "sim/track_map.h"
#include "sim/velnar_form.h"
#include "tests/common/scripted_drive.h"
#include "tests/common/test_app.h"
#include "tests/engine/input_doubles.h"
#include "tests/gfx/recording_canvas.h"

namespace {

constexpr int VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40;

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    SetCanvasBackend(&canvas);
    SetDisplayDeviceFactory(&factory);
    form = new TVelnarForm1();
    VelnarForm1 = form;
  }
  void TearDown() override {
    delete form;
    SetDisplayDeviceFactory(nullptr);
  }

  // Frames of 16 ms with the clock ticking every 300 ms while it is on, as
  // the two timers interleave in the running program; the car's figures are
  // kept at every tick.
  void Drive(int frames) {
    for (int i = 0; i < frames; ++i) {
      form->DXTimer1Timer(form, 16);
      clockMs += 16;
      if (!form->Timer1->Enabled()) {
        clockMs = 0;
        continue;
      }
      if (clockMs >= 300) {
        clockMs -= 300;
        form->Timer1Timer(form->Timer1);
        const CarModel& m = form->Car->Model;
        expected.push_back(
            {m.TimeCount, 0, m.Distance, m.Rx, m.Ry, m.RLength, form->Car->X, form->Car->Y});
      }
    }
  }
  void Key(std::uint16_t key) { form->FormKeyDown(form, key, {}); }
  int OrangeLines() const {
    int n = 0;
    for (const auto& c : canvas.Calls) n += c.Kind == "line" && c.Color == MinimapPathColor;
    return n;
  }

  HeadlessDisplayFactory factory;
  ScriptedKeyState keys;
  ScriptedJoystick joystick;
  RecordingCanvasBackend canvas;
  TVelnarForm1* form = nullptr;
  int clockMs = 0;
  std::vector<RunSample> expected;
};

}  // namespace

TEST_F(RecordingTest, TicksHoldTheCarsFiguresAndThePathFollowsTheCar) {
  // Standing: no tick, one point at the start.
  Drive(5);
  EXPECT_TRUE(form->Recording.Samples().empty());
  ASSERT_EQ(form->Recording.PathSize(), 1u);
  EXPECT_EQ(form->Recording.PathAt(0).X, 192.0);
  EXPECT_EQ(form->Recording.PathAt(0).Y, 550.0);

  // Up the left straight, through the bend to the right, on along the top.
  keys.Press(VK_UP);
  Drive(110);
  keys.Press(VK_RIGHT);
  Drive(24);
  keys.Release(VK_RIGHT);
  Drive(60);
  keys.Release(VK_UP);
  // Space between two ticks: the tick counted last takes the figures the task
  // judges, and the path ends where the car stands.
  ASSERT_NE(clockMs, 0) << "Space must fall between two ticks";
  Key(32);
  const CarModel& car = form->Car->Model;
  std::size_t stopPoint = 0;
  ASSERT_GT(car.Distance, expected.back().Distance) << "the car moved since the last tick";
  expected.back() = {car.TimeCount, 0, car.Distance, car.Rx, car.Ry, car.RLength, car.X, car.Y};
  {
    const RunSample& end = form->Recording.Samples().back();
    EXPECT_EQ(end.Tick, car.TimeCount);
    EXPECT_EQ(end.Distance, car.Distance);
    EXPECT_EQ(end.Rx, car.Rx);
    EXPECT_EQ(end.Ry, car.Ry);
    EXPECT_EQ(end.RLength, car.RLength);
    const PathPoint p = form->Recording.PathAt(end.PathPoints - 1);
    EXPECT_NEAR(p.X, car.X, 1 / RunRecording::PointScale);
    EXPECT_NEAR(p.Y, car.Y, 1 / RunRecording::PointScale);
    stopPoint = end.PathPoints - 1;
  }
  // Reversing after the task goes on counting from there.
  clockMs = 0;
  keys.Press(VK_DOWN);
  Drive(20);
  keys.Release(VK_DOWN);
  keys.Press(VK_UP);
  Drive(40);
  keys.Release(VK_UP);

  const std::vector<RunSample>& samples = form->Recording.Samples();
  ASSERT_EQ(samples.size(), expected.size());
  ASSERT_GE(samples.size(), 12u);
  std::uint32_t lastPoints = 0;
  for (std::size_t i = 0; i < samples.size(); ++i) {
    SCOPED_TRACE(i);
    const RunSample& s = samples[i];
    EXPECT_EQ(s.Tick, i + 1) << "one sample a tick, the count going on after the stop";
    EXPECT_EQ(s.Distance, expected[i].Distance);
    EXPECT_EQ(s.Rx, expected[i].Rx);
    EXPECT_EQ(s.Ry, expected[i].Ry);
    EXPECT_EQ(s.RLength, expected[i].RLength);
    EXPECT_EQ(s.X, expected[i].X);
    EXPECT_EQ(s.Y, expected[i].Y);
    EXPECT_GE(s.Distance, s.RLength - 1e-9) << "the distance is never below the displacement";
    // The path up to a tick ends where the car was at that tick.
    ASSERT_GE(s.PathPoints, lastPoints);
    ASSERT_GT(s.PathPoints, 0u);
    const PathPoint p = form->Recording.PathAt(s.PathPoints - 1);
    EXPECT_LT(std::hypot(p.X - s.X, p.Y - s.Y), RunRecording::PointSpacing + 0.1);
    lastPoints = s.PathPoints;
  }
  EXPECT_GT(samples.back().RLength, 50.0);
  EXPECT_GT(samples.back().Distance, samples.back().RLength + 10) << "the bend makes s exceed |R|";

  // The path: points at least half a pixel apart (but where Space stopped the
  // car), and together as long as the distance driven.
  double length = 0;
  for (std::size_t i = 1; i < form->Recording.PathSize(); ++i) {
    const PathPoint a = form->Recording.PathAt(i - 1), b = form->Recording.PathAt(i);
    const double step = std::hypot(b.X - a.X, b.Y - a.Y);
    if (i != stopPoint) {
      EXPECT_GE(step, RunRecording::PointSpacing - 0.1);
    }
    length += step;
  }
  const double metres = length * static_cast<double>(MetresPerPixel);
  EXPECT_NEAR(metres, form->Car->Model.Distance, form->Car->Model.Distance * 0.01);
}

TEST_F(RecordingTest, PathOnTheMinimapOnlyOnRequest) {
  keys.Press(VK_UP);
  form->Recording.RecordPosition(192, 550);
  canvas.Calls.clear();
  Drive(40);
  EXPECT_EQ(OrangeLines(), 0) << "off at start: the screen is the usual one";

  Key('T');
  canvas.Calls.clear();
  Drive(1);
  // The straight up from the start is one pixel wide on the minimap: one run
  // a row, from the start's row up to the car's.
  const MapPoint from = MinimapPoint(192, 550), to = MinimapPoint(form->Car->X, form->Car->Y);
  std::vector<int> rows;
  for (const auto& c : canvas.Calls)
    if (c.Kind == "line" && c.Color == MinimapPathColor) {
      EXPECT_EQ(c.Y0, c.Y1);
      EXPECT_EQ(c.X1, c.X0 + 1);
      EXPECT_EQ(c.X0, from.X);
      rows.push_back(c.Y0);
    }
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows.front(), to.Y);
  EXPECT_EQ(rows.back(), from.Y);
  EXPECT_EQ(static_cast<int>(rows.size()), from.Y - to.Y + 1) << "no gaps in the line";

  // The path is drawn after the arrows and before the read-outs.
  int lastGreen = -1, firstOrange = -1, firstText = -1;
  for (int i = 0; i < static_cast<int>(canvas.Calls.size()); ++i) {
    const auto& c = canvas.Calls[i];
    if (c.Kind == "line" && c.Color == 0x00FF00) lastGreen = i;
    if (c.Kind == "line" && c.Color == MinimapPathColor && firstOrange < 0) firstOrange = i;
    if (c.Kind == "text" && firstText < 0) firstText = i;
  }
  EXPECT_LT(lastGreen, firstOrange);
  EXPECT_LT(firstOrange, firstText);

  Key('T');
  canvas.Calls.clear();
  Drive(1);
  EXPECT_EQ(OrangeLines(), 0);
}

TEST(RunRecording, ResetStartsANewRun) {
  RunRecording r;
  CarModel car;
  car.TimeTick();
  r.RecordPosition(192, 550);
  r.RecordPosition(192.3, 550);  // under half a pixel: not a new point
  r.RecordPosition(192, 549.4);
  r.RecordTick(car);
  EXPECT_EQ(r.PathSize(), 2u);
  ASSERT_EQ(r.Samples().size(), 1u);
  EXPECT_EQ(r.Samples()[0].PathPoints, 2u);
  EXPECT_FALSE(r.MinimapRuns().empty());

  r.Reset();
  EXPECT_TRUE(r.Samples().empty());
  EXPECT_EQ(r.PathSize(), 0u);
  EXPECT_TRUE(r.MinimapRuns().empty());
  r.RecordPosition(300, 300);
  EXPECT_EQ(r.PathSize(), 1u) << "the first point of a new run is always taken";
  ASSERT_EQ(r.MinimapRuns().size(), 1u);
  EXPECT_EQ(r.MinimapRuns()[0].Left, MinimapPoint(300, 300).X);
}

TEST(RunRecording, AnHourOfDrivingStaysSmall) {
  // An hour at 60 frames a second, laps round the track at full speed: one
  // path point a frame, a tick every 300 ms. Turning right a little every
  // eighth frame keeps the car circling on the road area.
  ScriptedDrive d;
  constexpr int Frames = 60 * 3600;
  for (int i = 0; i < Frames / 8; ++i) {
    d.Frames(1, TDXInputStates{isUp, isRight}, 17);
    d.Frames(7, TDXInputStates{isUp}, 17);
  }
  const RunRecording& r = d.Recording;
  EXPECT_GT(r.PathSize(), static_cast<std::size_t>(Frames) * 9 / 10);
  EXPECT_GT(r.Samples().size(), 11000u);
  EXPECT_LT(r.MemoryBytes(), 20u << 20);
  // The minimap picture stays a handful of runs however long the drive.
  EXPECT_LT(r.MinimapRuns().size(), 160u * 20);
}
