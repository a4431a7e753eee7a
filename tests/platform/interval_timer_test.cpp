#include "platform/interval_timer.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/doubles.h"

namespace {

TEST(IntervalTimer, RunsOnlyWhenEnabledWithAnIntervalAndAfterLoading) {
  ManualIntervalTimers timers;
  ManualApplication app;
  TComponent form;
  auto* timer = new TTimer(&form);  // freed by the form
  int fired = 0;
  timer->OnTimer = [&](TComponent* sender) {
    EXPECT_EQ(sender, timer);
    if (++fired == 2) throw std::runtime_error("tick failed");
  };
  EXPECT_EQ(timers.IntervalOf(0), 1000u) << "enabled, 1000 ms by default";

  // The simulation's description: disabled, 300 ms.
  form.BeginLoading();
  timer->SetEnabled(false);
  timer->SetInterval(300);
  timer->SetEnabled(true);
  EXPECT_EQ(timers.Running(), 0) << "nothing runs while the description is read";
  form.EndLoading();
  EXPECT_EQ(timers.IntervalOf(0), 300u);

  timers.FireAll();
  timers.FireAll();
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(app.Messages, (std::vector<std::string>{"tick failed"}));

  timer->SetInterval(0);
  EXPECT_EQ(timers.Running(), 0) << "an interval of 0 never fires";
  timer->SetInterval(300);
  timer->SetEnabled(false);
  timers.FireAll();
  EXPECT_EQ(fired, 2);
}

TEST(IntervalTimer, PauseKeepsTheBrokenOffIntervalAndHoldsBackChanges) {
  ManualIntervalTimers timers;
  ManualApplication app;
  TTimer timer;
  timer.SetInterval(300);
  int fired = 0;
  timer.OnTimer = [&](TComponent*) { ++fired; };

  timers.SetRemaining(0, 80);
  timer.SetPaused(true);
  EXPECT_TRUE(timer.Enabled()) << "a pause is not a switch-off";
  EXPECT_EQ(timers.Running(), 0);
  timers.FireAll();
  EXPECT_EQ(fired, 0);
  timer.SetPaused(false);
  EXPECT_EQ(timers.FirstDelayOf(0), 80u);
  EXPECT_EQ(timers.IntervalOf(0), 300u);

  // Due at the moment of the pause: it fires at once when the pause ends.
  timers.SetRemaining(0, 0);
  timer.SetPaused(true);
  timer.SetPaused(false);
  EXPECT_EQ(timers.FirstDelayOf(0), 1u);

  // Switched off and on during a pause: nothing runs until the pause ends,
  // then a whole interval.
  timers.SetRemaining(0, 50);
  timer.SetPaused(true);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  EXPECT_EQ(timers.Running(), 0);
  timer.SetPaused(false);
  EXPECT_EQ(timers.FirstDelayOf(0), 300u);

  // Paused while off: switching on does not start it.
  timer.SetEnabled(false);
  timer.SetPaused(true);
  timer.SetEnabled(true);
  EXPECT_EQ(timers.Running(), 0);
  timer.SetPaused(false);
  EXPECT_EQ(timers.Running(), 1);
}

}  // namespace
