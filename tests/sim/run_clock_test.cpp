// The run's figures (the clock, the distance, the car) against what a pupil
// does besides driving: keys held through Space, a stalled process, switching
// to another window. Frames run through the real frame timer on a manual
// application and clock, so each idle pass is one frame of known lag.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/doubles.h"
#include "platform/headless_display.h"
#include "platform/key_state_table.h"
#include "platform/qt_application.h"
#include "platform/virtual_keys.h"
#include "sim/track_map.h"
#include "sim/velnar_form.h"
#include "tests/common/test_app.h"
#include "tests/engine/input_doubles.h"
#include "tests/gfx/recording_canvas.h"

namespace {

class RunClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();  // the Qt side of the windows; it installs its own ports
    SetIntervalTimerFactory(&timers);
    SetCanvasBackend(&canvas);
    SetDisplayDeviceFactory(&factory);
    app = std::make_unique<ManualApplication>();
    form = new TVelnarForm1();
    VelnarForm1 = form;
  }
  void TearDown() override {
    TVelnarForm1::ShowTaskDialog() = nullptr;
    delete form;
    app.reset();
    SetApplication(&TestApp());
    SetDisplayDeviceFactory(nullptr);
    RealKeyStateTable().SetFocusForm(nullptr);
  }

  // One idle pass ms milliseconds after the last: one frame.
  void FrameAfter(std::uint32_t ms) {
    clock.Now += ms;
    ASSERT_TRUE(app->RunIdle());
  }
  void Drive(int frames, std::uint32_t ms = 16) {
    for (int i = 0; i < frames; ++i) FrameAfter(ms);
  }
  void Key(std::uint16_t key) { form->FormKeyDown(form, key, {}); }
  const CarModel& Car() { return form->Car->Model; }

  HeadlessDisplayFactory factory;
  RecordingCanvasBackend canvas;
  ManualClock clock;
  ManualIntervalTimers timers;  // Timer1 is the only interval timer made
  std::unique_ptr<ManualApplication> app;
  TVelnarForm1* form = nullptr;
};

// Holding Up (or any driving key) while pressing Space: the dialog's frames
// must not see the key, although the window system reports the focus change
// only later, and after the dialog the key counts once pressed again.
TEST_F(RunClockTest, KeysHeldThroughSpaceDoNothingWhileTheTaskIsOpenOrAfter) {
  KeyStateTable& table = RealKeyStateTable();
  table.SetFocusForm(form);
  table.KeyPressed(vk::Up, false, 111);
  table.KeyPressed(vk::Left, false, 113);
  Drive(40);
  ASSERT_TRUE(form->Timer1->Enabled());
  timers.FireAll();
  timers.FireAll();

  int framesInDialog = 0;
  double x = 0, y = 0, distance = 0;
  double heading = 0;
  int timeCount = 0;
  TVelnarForm1::ShowTaskDialog() = [&] {
    TestApp().ExecModal([&] {
      x = form->Car->X;
      y = form->Car->Y;
      heading = Car().Heading;
      distance = Car().Distance;
      timeCount = Car().TimeCount;
      // The focus still reads as the simulation's: the focus-out is on its
      // way, and meanwhile the held keys may still repeat into its window.
      EXPECT_EQ(table.FocusForm(), form);
      table.KeyPressed(vk::Up, false, 111);
      table.KeyPressed(vk::Left, false, 113);
      for (; framesInDialog < 30; ++framesInDialog) FrameAfter(16);
      timers.FireAll();
      return 0;
    });
  };
  Key(vk::Space);
  ASSERT_EQ(framesInDialog, 30);
  EXPECT_EQ(form->Car->X, x);
  EXPECT_EQ(form->Car->Y, y);
  EXPECT_EQ(Car().Heading, heading) << "Left steered inside the dialog";
  EXPECT_EQ(Car().Distance, distance);
  EXPECT_EQ(Car().TimeCount, timeCount);
  EXPECT_EQ(timeCount, 2);
  EXPECT_FALSE(form->Timer1->Enabled()) << "the throttle switched the clock on again";
  EXPECT_EQ(Car().Speed, 0.0);

  // Back from the dialog with Up and Left still held: nothing moves.
  Drive(10);
  EXPECT_EQ(Car().Distance, distance);
  EXPECT_EQ(Car().Heading, heading);
  EXPECT_FALSE(form->Timer1->Enabled());
  // Pressed again, Up drives and starts the clock.
  table.KeyPressed(vk::Up, false, 111);
  Drive(10);
  EXPECT_GT(Car().Distance, distance);
  EXPECT_TRUE(form->Timer1->Enabled());
}

// A stall (the process stopped, the machine asleep) moves the car as a
// quarter of a second of driving would, and adds the same to the odometer.
TEST_F(RunClockTest, AStallMovesTheCarNoFurtherThanAQuarterSecond) {
  ScriptedKeyState keys;
  keys.Press(vk::Up);
  Drive(50);
  const double x = form->Car->X, y = form->Car->Y, distance = Car().Distance;
  ASSERT_NE(Car().Speed, 0.0);

  FrameAfter(5000);
  const double moved = std::hypot(form->Car->X - x, form->Car->Y - y);
  const double metresPerPixel = (Car().Distance - distance) / moved;
  // At most the speed after the step times 0.25 s, in pixels.
  EXPECT_GT(moved, 0.0);
  EXPECT_LE(moved, std::fabs(Car().Speed) * 0.25 + 1e-9);
  EXPECT_NEAR(metresPerPixel, static_cast<double>(MetresPerPixel), 1e-9)
      << "the odometer counts the same step";
}

// Normal frame rates never reach the limit: every step is the one it would
// be without it.
TEST_F(RunClockTest, LagsBelowTheLimitPassUnchanged) {
  std::vector<std::int32_t> lags;
  form->DXTimer1->OnTimer = [&](TComponent*, std::int32_t lag) { lags.push_back(lag); };
  for (std::uint32_t ms : {1u, 16u, 50u, 249u, 250u, 251u, 5000u}) FrameAfter(ms);
  EXPECT_EQ(lags, (std::vector<std::int32_t>{1, 16, 50, 249, 250, 250, 250}));
}

// While the program is not in front, the frames stop and so does the clock;
// back in front, the interval that was broken off runs out first.
TEST_F(RunClockTest, TheClockStandsWhileTheProgramIsNotInFront) {
  ScriptedKeyState keys;
  keys.Press(vk::Up);
  Drive(5);
  ASSERT_TRUE(form->Timer1->Enabled());
  ASSERT_EQ(timers.IntervalOf(0), 300u);
  timers.FireAll();
  ASSERT_EQ(Car().TimeCount, 1);

  timers.SetRemaining(0, 120);
  app->SetActive(false);
  EXPECT_FALSE(app->HasOnIdle()) << "frames stop";
  EXPECT_EQ(timers.Running(), 0) << "and so does the clock";
  timers.FireAll();
  EXPECT_EQ(Car().TimeCount, 1);

  app->SetActive(true);
  EXPECT_TRUE(app->HasOnIdle());
  EXPECT_EQ(timers.Running(), 1);
  EXPECT_EQ(timers.FirstDelayOf(0), 120u) << "the broken-off interval runs out first";
  EXPECT_EQ(timers.IntervalOf(0), 300u);
  timers.FireAll();
  EXPECT_EQ(Car().TimeCount, 2);

  // Away while the clock is off (after Space): it stays off on return.
  Key(vk::Space);
  app->SetActive(false);
  app->SetActive(true);
  EXPECT_EQ(timers.Running(), 0);
  EXPECT_FALSE(form->Timer1->Enabled());
}

// Reversing moves the car, so it counts time: from the first step of a run
// begun in reverse, and again after the task.
TEST_F(RunClockTest, ReversingCountsTimeFromTheFirstStepAndAfterTheTask) {
  ScriptedKeyState keys;
  keys.Press(vk::Down);
  Drive(20);
  ASSERT_GT(Car().Distance, 0.0);
  EXPECT_TRUE(form->Timer1->Enabled());
  timers.FireAll();
  EXPECT_EQ(Car().TimeCount, 1);

  Key(vk::Space);
  ASSERT_FALSE(form->Timer1->Enabled());
  keys.Release(vk::Down);
  Drive(2);
  keys.Press(vk::Down);
  Drive(20);
  EXPECT_TRUE(form->Timer1->Enabled());
  timers.FireAll();
  EXPECT_EQ(Car().TimeCount, 2);
}

}  // namespace
