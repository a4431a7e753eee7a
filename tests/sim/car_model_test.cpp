#include "sim/car_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "sim/track_map.h"

namespace {
const TDXInputStates None{};
const TDXInputStates Up{isUp};
const TDXInputStates Down{isDown};
const TDXInputStates Left{isLeft};
const TDXInputStates Right{isRight};

// A car standing on the start tile, as it is after its first move step.
CarModel CarOnStartTile() {
  CarModel car;
  car.LocateTile();
  return car;
}
}  // namespace

TEST(CarModel, InitialState) {
  CarModel car;
  EXPECT_EQ(car.X, 192.0);
  EXPECT_EQ(car.Y, 550.0);
  EXPECT_EQ(car.StartX, 192);
  EXPECT_EQ(car.StartY, 550);
  EXPECT_EQ(car.Heading, 0.0);
  EXPECT_EQ(car.Speed, 0.0);
  EXPECT_EQ(car.Distance, 0.0);
  EXPECT_FALSE(car.Started);
  EXPECT_EQ(car.TimeCount, 0);
  EXPECT_EQ(car.TimeText, "0");
  EXPECT_EQ(car.TileIndex, 0);
  EXPECT_EQ(car.RxText, "");
  EXPECT_EQ(car.RLengthText, "");
}

TEST(CarModel, FirstStepUsesOffRoadLimitsThenRoad) {
  CarModel car;
  car.Advance(500, Up);  // TileIndex 0 is ground: -150 is cut to -50
  EXPECT_EQ(car.Speed, -50.0);
  car.LocateTile();
  EXPECT_EQ(car.TileIndex, 161);

  CarModel onRoad = CarOnStartTile();
  double expected = 0;
  for (int i = 0; i < 300; ++i) {
    onRoad.Advance(10, Up);
    expected = std::max(expected - 3, -700.0);
    ASSERT_NEAR(onRoad.Speed, expected, 1e-9) << "step " << i;
    onRoad.X = StartX;  // keep it on the start tile
    onRoad.Y = StartY;
  }
  EXPECT_EQ(onRoad.Speed, -700.0);

  // Reverse is limited to 150 on road.
  CarModel reverse = CarOnStartTile();
  for (int i = 0; i < 100; ++i) reverse.Advance(10, Down);
  EXPECT_EQ(reverse.Speed, 150.0);
  EXPECT_TRUE(reverse.Started);  // reversing counts time as driving forward does

  // Both keys together leave the speed and still count as throttle.
  CarModel both = CarOnStartTile();
  both.Advance(10, TDXInputStates{isUp, isDown});
  EXPECT_NEAR(both.Speed, 0.0, 1e-12);
  EXPECT_TRUE(both.Started);
}

TEST(CarModel, LeavingTheRoadCutsTheSpeedInOneStep) {
  CarModel car;
  car.X = 96;  // column 0: ground
  car.Y = 550;
  car.TileIndex = 161;
  car.Speed = -700;
  car.Advance(1, None);
  EXPECT_EQ(car.Speed, -700.0);  // still the tile of the previous step
  car.LocateTile();
  EXPECT_FALSE(IsRoad(car.TileIndex));
  car.Advance(1, None);
  EXPECT_EQ(car.Speed, -50.0);
  car.Speed = 100;
  car.Advance(1, None);
  EXPECT_EQ(car.Speed, 20.0);
}

TEST(CarModel, SteeringAndHeadingWrap) {
  CarModel car = CarOnStartTile();
  car.Advance(10, Right);
  EXPECT_NEAR(car.Heading, 2.0, 1e-12);
  EXPECT_EQ(car.Speed, 0.0);  // steering works at rest
  EXPECT_EQ(car.Distance, 0.0);
  EXPECT_EQ(car.X, 192.0);
  EXPECT_EQ(car.Y, 550.0);

  car.Heading = 254;
  car.Advance(10, Right);  // 256 -> 0, the overshoot is dropped
  EXPECT_EQ(car.Heading, 0.0);
  car.Heading = 1;
  car.Advance(10, Left);  // -1 -> 255
  EXPECT_EQ(car.Heading, 255.0);
  car.Heading = 255;
  car.Advance(1, Right);  // 255.2 > 255 -> 0
  EXPECT_EQ(car.Heading, 0.0);
}

TEST(CarModel, MotionStepFromTheStartPoint) {
  CarModel car = CarOnStartTile();
  car.Speed = -700;
  car.Advance(10, None);
  EXPECT_NEAR(car.X, 192.0, 1e-12);
  EXPECT_EQ(car.Y, 543.0);
  EXPECT_DOUBLE_EQ(car.Ry, 1.3398434);
  EXPECT_NEAR(car.Rx, 0.0, 1e-12);
  EXPECT_DOUBLE_EQ(car.RLength, 1.3398434);
  EXPECT_DOUBLE_EQ(car.Distance, 7 * 0.1914062);
  EXPECT_EQ(car.RyText, "1");
  EXPECT_EQ(car.RLengthText, "1.3");
  EXPECT_EQ(car.OldX, car.X);
  EXPECT_EQ(car.OldY, 543.0);

  // Heading 64 drives to the right; 63.5 truncates to the same direction.
  CarModel right = CarOnStartTile();
  right.Heading = 64;
  right.Speed = -100;
  right.Advance(10, None);
  EXPECT_NEAR(right.X, 193.0, 1e-12);
  EXPECT_NEAR(right.Y, 550.0, 1e-12);
  CarModel almost = CarOnStartTile();
  almost.Heading = 63.5;
  almost.Speed = -100;
  almost.Advance(10, None);
  EXPECT_EQ(almost.X, right.X);
  EXPECT_EQ(almost.Y, right.Y);
}

TEST(CarModel, TextsOfTheDisplacement) {
  CarModel car = CarOnStartTile();
  car.Advance(1, None);
  EXPECT_EQ(car.RxText, "0");
  EXPECT_EQ(car.RyText, "0");
  EXPECT_EQ(car.RLengthText, "0.0");

  // Rx = -0.3 m is shown as "-0".
  car.X = 192 - 0.3 / 0.1914062;
  car.Advance(1, None);
  EXPECT_EQ(car.RxText, "-0");
}

TEST(CarModel, WorldBoundsKeepTheCarAndTheTileInTheTable) {
  CarModel car;
  car.X = 100;
  car.Y = 20;
  car.Heading = 224;  // up and to the left
  car.TileIndex = 161;
  car.Speed = -700;
  for (int i = 0; i < 50; ++i) {
    car.Advance(16, None);
    car.LocateTile();
    ASSERT_GE(car.TileIndex, 0);
    ASSERT_LT(car.TileIndex, 400);
  }
  EXPECT_EQ(car.X, 96.0);
  EXPECT_EQ(car.Y, 16.0);
  EXPECT_EQ(car.Speed, -50.0);  // hitting the bound keeps the speed

  car.X = 1320;
  car.Y = 1230;
  car.Heading = 96;  // down and to the right
  car.Speed = -50;
  for (int i = 0; i < 50; ++i) car.Step(16, None);
  EXPECT_EQ(car.X, 1328.0);
  EXPECT_EQ(car.Y, 1232.0);
  EXPECT_EQ(car.TileIndex, 399);
}

TEST(CarModel, OdometerStandsStillAgainstTheWorldEdge) {
  CarModel car;
  car.X = 96;
  car.Y = 550;
  car.Heading = 192;  // straight left, into the bound
  car.Speed = -50;
  car.LocateTile();
  car.Advance(10, None);
  const double before = car.Distance;
  EXPECT_NEAR(car.Y, 550, 1e-9);
  for (int i = 0; i < 20; ++i) car.Step(10, None);
  EXPECT_EQ(car.X, 96.0);
  EXPECT_NEAR(car.Distance, before, 1e-9);
}

TEST(CarModel, DistanceIsTheSameAtAnyFrameRate) {
  // The same straight path driven at 200 frames per second and at 40.
  CarModel fast = CarOnStartTile(), slow = CarOnStartTile();
  fast.Speed = slow.Speed = -500;
  for (int i = 0; i < 200; ++i) fast.Advance(5, None);
  for (int i = 0; i < 40; ++i) slow.Advance(25, None);
  EXPECT_NEAR(fast.Y, slow.Y, 1e-9);
  EXPECT_NEAR(fast.Distance, slow.Distance, 1e-9);
  EXPECT_NEAR(fast.Distance, 500 * 0.1914062, 1e-9);  // 500 px in one second
  EXPECT_NEAR(fast.Distance, fast.RLength, 1e-9);
}

TEST(CarModel, DistanceNeverFallsBelowTheDisplacement) {
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int> key(0, 15);
  std::uniform_int_distribution<int> lag(1, 40);
  std::uniform_int_distribution<int> hold(1, 60);
  CarModel car;
  long double path = 0;
  for (int run = 0; run < 400; ++run) {
    TDXInputStates s;
    const int k = key(rng);
    if (k & 1) s.Include(isUp);
    if ((k & 2) && (k & 4)) s.Include(isDown);
    if (k & 8) s.Include(k & 4 ? isLeft : isRight);
    const int frames = hold(rng);
    for (int f = 0; f < frames; ++f) {
      const double x0 = car.X, y0 = car.Y;
      car.Step(static_cast<std::uint32_t>(lag(rng)), s);
      path += std::hypot(car.X - x0, car.Y - y0) * 0.1914062L;
      ASSERT_GE(car.Distance + 1e-9, car.RLength) << "run " << run << " frame " << f;
      ASSERT_GE(car.X, 96.0);
      ASSERT_LE(car.X, 1328.0);
      ASSERT_GE(car.Y, 16.0);
      ASSERT_LE(car.Y, 1232.0);
    }
  }
  EXPECT_GT(car.Distance, 50.0);
  EXPECT_NEAR(car.Distance, static_cast<double>(path), 1e-6);
}

TEST(CarModel, TimeCounterStartAndStop) {
  CarModel car = CarOnStartTile();
  int starts = 0;
  car.OnStartTimeCounter = [&] { ++starts; };
  car.Advance(10, Left);
  EXPECT_EQ(starts, 0);  // steering alone moves nothing
  car.Advance(10, Down);
  car.Advance(10, Up);
  EXPECT_EQ(starts, 1);  // only the first throttle switches the timer on
  EXPECT_TRUE(car.Started);

  car.TimeTick();
  car.TimeTick();
  const double x = car.X, y = car.Y, heading = car.Heading, distance = car.Distance;
  car.Stop();
  EXPECT_EQ(car.Speed, 0.0);
  EXPECT_FALSE(car.Started);
  EXPECT_EQ(car.X, x);
  EXPECT_EQ(car.Y, y);
  EXPECT_EQ(car.Heading, heading);
  EXPECT_EQ(car.Distance, distance);
  EXPECT_EQ(car.TimeCount, 2);
  EXPECT_EQ(car.TimeText, "2");

  car.Advance(10, Down);  // reversing after the task counts time too
  EXPECT_EQ(starts, 2);
  EXPECT_EQ(car.TimeCount, 2);

  car.TimeCount = 65535;
  car.TimeTick();
  EXPECT_EQ(car.TimeCount, 0);
  EXPECT_EQ(car.TimeText, "0");
}
