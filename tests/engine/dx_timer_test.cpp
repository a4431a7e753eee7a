#include "engine/dx_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/doubles.h"

namespace {

class DXTimerTest : public ::testing::Test {
 protected:
  // A timer as a window description leaves it: Interval and ActiveOnly set,
  // then loaded, which starts it when enabled.
  std::unique_ptr<TDXTimer> MakeTimer(std::uint32_t interval, bool enabled = true) {
    auto timer = std::make_unique<TDXTimer>();
    timer->BeginLoading();
    timer->SetInterval(interval);
    timer->SetEnabled(enabled);
    timer->EndLoading();
    timer->OnTimer = [this](TComponent*, std::int32_t lag) { lags.push_back(lag); };
    return timer;
  }

  ManualApplication app;
  ManualClock clock;
  std::vector<std::int32_t> lags;
};

TEST_F(DXTimerTest, IntervalZeroFiresOnEveryIdleCallWithLagAtLeastOne) {
  auto timer = MakeTimer(0);
  ASSERT_TRUE(timer->Running());
  ASSERT_TRUE(app.RunIdle());
  EXPECT_FALSE(app.LastDone) << "the tick must ask to be called again at once";
  clock.Now += 7;
  app.RunIdle();
  app.RunIdle();  // same millisecond
  EXPECT_EQ(lags, (std::vector<std::int32_t>{1, 7, 1}));
}

TEST_F(DXTimerTest, IntervalTwentyWaitsAndDropsTheRemainder) {
  auto timer = MakeTimer(20);
  clock.Now += 19;
  app.RunIdle();
  EXPECT_TRUE(lags.empty());
  clock.Now += 26;  // 45 ms after the start
  app.RunIdle();
  ASSERT_EQ(lags, (std::vector<std::int32_t>{2}));
  // The old time moved to the tick itself: 5 ms later is not yet 20 ms on.
  clock.Now += 15;
  app.RunIdle();
  EXPECT_EQ(lags.size(), 1u);
  clock.Now += 5;
  app.RunIdle();
  EXPECT_EQ(lags, (std::vector<std::int32_t>{2, 1}));
}

TEST_F(DXTimerTest, MaxLagCountCapsTheLagOfATickAfterAStall) {
  auto timer = MakeTimer(20);
  clock.Now += 5000;
  app.RunIdle();
  timer->SetMaxLagCount(3);
  clock.Now += 45;
  app.RunIdle();
  clock.Now += 5000;
  app.RunIdle();
  clock.Now += 19;
  app.RunIdle();  // still too early: the limit does not make ticks come sooner
  EXPECT_EQ(lags, (std::vector<std::int32_t>{250, 2, 3})) << "no limit by default";
}

TEST_F(DXTimerTest, FrameRateIsMeasuredOverASecondAndStartsAgain) {
  auto timer = MakeTimer(0);
  EXPECT_EQ(timer->FrameRate(), 0);
  for (int i = 0; i < 250; ++i) {
    clock.Now += 4;
    app.RunIdle();
    if (i < 249) {
      EXPECT_EQ(timer->FrameRate(), 0) << "measured too early at tick " << i;
    }
  }
  EXPECT_EQ(timer->FrameRate(), 250);
  // The next second runs at a different pace and is measured afresh.
  for (int i = 0; i < 100; ++i) {
    clock.Now += 10;
    app.RunIdle();
  }
  EXPECT_EQ(timer->FrameRate(), 100);
  // A period longer than a second is divided by its true length: 3 ticks in
  // 1200 ms are 2.5 per second, rounded to the even neighbour.
  for (int i = 0; i < 3; ++i) {
    clock.Now += 400;
    app.RunIdle();
  }
  EXPECT_EQ(timer->FrameRate(), 2);
}

TEST_F(DXTimerTest, ClockWrapStillGivesTheTrueElapsedTime) {
  clock.Now = 0xFFFFFFF0u;
  auto timer = MakeTimer(0);
  clock.Now = 0x00000010u;  // 32 ms later, past the wrap
  app.RunIdle();
  EXPECT_EQ(lags, (std::vector<std::int32_t>{32}));
  // The frame rate span wraps too: one second across the wrap is measured.
  for (int i = 0; i < 9; ++i) {
    clock.Now += 100;
    app.RunIdle();
  }
  clock.Now += 68;  // 1000 ms since the start
  app.RunIdle();
  EXPECT_EQ(timer->FrameRate(), 11);
}

TEST_F(DXTimerTest, EnabledStartsOnlyOutsideLoadingAndOnChange) {
  auto timer = std::make_unique<TDXTimer>();
  EXPECT_TRUE(timer->Enabled());
  EXPECT_FALSE(timer->Initialized()) << "a timer made in code waits for Enabled";

  EXPECT_EQ(timer->Interval(), 1000u);
  timer->BeginLoading();
  timer->SetInterval(0);
  timer->SetEnabled(false);
  timer->SetEnabled(true);
  EXPECT_FALSE(app.HasOnIdle()) << "loading must not start the timer";
  timer->EndLoading();
  EXPECT_TRUE(app.HasOnIdle());
  EXPECT_TRUE(timer->Initialized());

  // Writing the current value changes nothing: the lag measurement goes on.
  clock.Now += 30;
  timer->SetEnabled(true);
  timer->OnTimer = [this](TComponent*, std::int32_t lag) { lags.push_back(lag); };
  app.RunIdle();
  EXPECT_EQ(lags, (std::vector<std::int32_t>{30}));

  timer->SetEnabled(false);
  EXPECT_FALSE(app.HasOnIdle());
  EXPECT_FALSE(timer->Initialized());

  // Enabled off in the description: loading leaves it stopped.
  auto stopped = MakeTimer(0, false);
  EXPECT_FALSE(stopped->Initialized());
  EXPECT_FALSE(app.HasOnIdle());
}

TEST_F(DXTimerTest, ActiveOnlySuspendsWhileInactiveAndResumesWithAFreshOldTime) {
  auto timer = MakeTimer(0);
  int activated = 0, deactivated = 0;
  timer->OnActivate = [&](TComponent*) { ++activated; };
  timer->OnDeactivate = [&](TComponent*) { ++deactivated; };

  app.SetActive(false);
  EXPECT_EQ(deactivated, 1);
  EXPECT_FALSE(app.HasOnIdle());
  EXPECT_TRUE(timer->Initialized());

  clock.Now += 60000;  // a minute in another application
  app.SetActive(true);
  EXPECT_EQ(activated, 1);
  clock.Now += 16;
  app.RunIdle();
  EXPECT_EQ(lags, (std::vector<std::int32_t>{16}));

  // Started while the application is inactive: suspended until it returns.
  timer->SetEnabled(false);
  app.SetActive(false);
  timer->SetEnabled(true);
  EXPECT_TRUE(timer->Initialized());
  EXPECT_FALSE(app.HasOnIdle());
  app.SetActive(true);
  EXPECT_TRUE(app.HasOnIdle());

  // Without ActiveOnly the timer keeps running through a switch, and a stopped
  // timer is not woken by activation.
  timer->SetActiveOnly(false);
  app.SetActive(false);
  EXPECT_TRUE(app.HasOnIdle());
  timer->SetEnabled(false);
  app.SetActive(true);
  EXPECT_FALSE(app.HasOnIdle());
}

TEST_F(DXTimerTest, HandlerMayStopTheTimerAndDestructionReleasesTheSlot) {
  auto timer = MakeTimer(0);
  timer->OnTimer = [&](TComponent* sender, std::int32_t) {
    EXPECT_EQ(sender, timer.get());
    timer->SetEnabled(false);
  };
  app.RunIdle();
  EXPECT_FALSE(app.HasOnIdle());
  timer->SetEnabled(true);
  timer.reset();
  EXPECT_FALSE(app.HasOnIdle());
  app.SetActive(false);  // the hook is gone with the timer
  app.SetActive(true);
}

}  // namespace
