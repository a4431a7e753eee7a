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

}  // namespace
