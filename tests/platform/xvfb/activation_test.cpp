#include <gtest/gtest.h>

#include "engine/dx_timer.h"
#include "platform/form.h"
#include "tests/common/test_app.h"

namespace {

// The frame timer on the real application: it ticks while one of our windows
// is active and stops when none is.
TEST(Activation, FrameTimerFollowsTheApplicationsActivation) {
  TApplication& app = TestApp();
  RecordingShell shell;
  TForm form;
  TDXTimer timer;
  timer.BeginLoading();
  timer.SetInterval(0);
  timer.EndLoading();
  int ticks = 0, activations = 0, deactivations = 0;
  timer.OnTimer = [&](TComponent*, std::int32_t lag) {
    EXPECT_GE(lag, 1);
    ++ticks;
  };
  timer.OnActivate = [&](TComponent*) { ++activations; };
  timer.OnDeactivate = [&](TComponent*) { ++deactivations; };

  form.Show();
  // The application may still count as active through the window of an
  // earlier test, whose focus-out Qt holds back for a moment. Hidden before
  // its own focus arrives, the form would have its activation sent after it
  // was unmapped, which the X server refuses; without a window manager no
  // focus event then ever comes, and the application stays active. So wait
  // for this form's focus. Generous limits: a loaded machine may be slow.
  ASSERT_TRUE(RunUntil([&] { return form.Focused() && app.Active() && ticks > 20; }, 15000));

  form.Hide();
  ASSERT_TRUE(RunUntil([&] { return !app.Active(); }, 15000));
  EXPECT_GE(deactivations, 1);
  EXPECT_FALSE(app.HasOnIdle());
  const int stopped = ticks;
  RunUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, stopped);

  form.Show();
  ASSERT_TRUE(RunUntil([&] { return form.Focused() && ticks > stopped + 20; }, 15000));
  EXPECT_GE(activations, 1);
}

}  // namespace
