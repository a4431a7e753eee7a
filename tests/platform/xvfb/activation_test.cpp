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
  // Generous limits: the X server and a loaded machine may be slow to tell.
  ASSERT_TRUE(RunUntil([&] { return app.Active() && ticks > 20; }, 15000));
  EXPECT_GE(activations, app.Active() ? 0 : 1);

  form.Hide();
  ASSERT_TRUE(RunUntil([&] { return !app.Active(); }, 15000));
  EXPECT_GE(deactivations, 1);
  EXPECT_FALSE(app.HasOnIdle());
  const int stopped = ticks;
  RunUntil([] { return false; }, 50);
  EXPECT_EQ(ticks, stopped);

  form.Show();
  ASSERT_TRUE(RunUntil([&] { return ticks > stopped + 20; }, 15000));
  EXPECT_GE(activations, 1);
}

}  // namespace
