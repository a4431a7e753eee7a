#include "platform/frame_pacer.h"

#include <gtest/gtest.h>

namespace {

TEST(FramePacer, DeadlinesKeepTheirBeatAndResyncWhenFarBehind) {
  FramePacer pacer(50.0);
  ASSERT_EQ(pacer.PeriodNs(), 20000000);
  const std::int64_t start = 1000000000;
  const std::int64_t first = pacer.NextDeadline(start);
  EXPECT_EQ(first, start) << "the first frame need not wait";
  // Late wake-ups do not push the beat back: the next deadline is a whole
  // period after the previous deadline, not after the late call.
  EXPECT_EQ(pacer.NextDeadline(first + 7000000), first + 20000000);
  EXPECT_EQ(pacer.NextDeadline(first + 26000000), first + 40000000);
  // A frame that took far longer than a period: start again from now rather
  // than firing a burst of frames to catch up.
  const std::int64_t late = first + 500000000;
  EXPECT_EQ(pacer.NextDeadline(late), late + 20000000);

  // Nonsense rates fall back to 60 Hz.
  pacer.SetRate(0.0);
  EXPECT_EQ(pacer.PeriodNs(), 16666667);
  pacer.SetRate(144.0);
  EXPECT_EQ(pacer.PeriodNs(), 6944444);
}

}  // namespace
