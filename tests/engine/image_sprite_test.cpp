#include "engine/image_sprite.h"

#include <gtest/gtest.h>

#include "gfx/direct_draw.h"
#include "gfx/surface.h"

namespace {

class ImageSpriteTest : public ::testing::Test {
 protected:
  ImageSpriteTest() {
    surface.SetSize(640, 480);
    engine.SetSurface(&surface);
  }

  TDirectDraw ddraw;
  TDirectDrawSurface surface{&ddraw};
  TSpriteEngine engine;
};

}  // namespace

TEST_F(ImageSpriteTest, AnimationStepsAndWraps) {
  auto* s = new TImageSprite(&engine);

  // The car's values: no animation, and every step ends at 0.
  s->AnimPos = 2.5;
  engine.Move(16);
  EXPECT_EQ(s->AnimPos, 0);
  EXPECT_EQ(s->AnimSpeed, 0);
  EXPECT_EQ(s->DrawImageIndex(), 0);

  // Played once: stops on the last frame.
  s->AnimCount = 4;
  s->AnimSpeed = 0.75;
  s->AnimStart = 10;
  engine.Move(2);
  EXPECT_DOUBLE_EQ(s->AnimPos, 1.5);
  EXPECT_EQ(s->DrawImageIndex(), 11);
  engine.Move(2);
  engine.Move(2);
  EXPECT_DOUBLE_EQ(s->AnimPos, 3);
  EXPECT_EQ(s->AnimSpeed, 0);
  EXPECT_EQ(s->DrawImageIndex(), 13);
  // Played backwards past the start: stops on frame 0.
  s->AnimSpeed = -1;
  engine.Move(5);
  EXPECT_EQ(s->AnimPos, 0);
  EXPECT_EQ(s->AnimSpeed, 0);

  // Looped: wraps both ways into 0 .. AnimCount.
  s->AnimLooped = true;
  s->AnimPos = 5.5;
  engine.Move(1);
  EXPECT_DOUBLE_EQ(s->AnimPos, 1.5);
  s->AnimPos = -0.5;
  engine.Move(1);
  EXPECT_DOUBLE_EQ(s->AnimPos, 3.5);
  s->AnimPos = 0;
  s->AnimSpeed = 1;
  engine.Move(8);
  EXPECT_DOUBLE_EQ(s->AnimPos, 0);
  s->AnimSpeed = 0;
  s->AnimCount = 3;
  s->AnimPos = -1e300;  // far beyond any whole count of turns as an integer
  engine.Move(1);
  EXPECT_GE(s->AnimPos, 0);
  EXPECT_LT(s->AnimPos, 3);
  s->AnimCount = 0;
  s->AnimPos = 3;
  engine.Move(1);
  EXPECT_EQ(s->AnimPos, 0);
}

TEST_F(ImageSpriteTest, TiledBoundsWrapRoundTheSurface) {
  auto* s = new TImageSprite(&engine);
  s->Width = 40;
  s->Height = 64;
  s->X = -0.5;
  s->Y = 700.9;
  EXPECT_EQ(s->BoundsRect(), Rect(0, 700, 40, 764));

  s->Tile = true;
  // Wrapped modulo surface + sprite size (680 across, 544 down).
  s->X = -50;
  s->Y = 0;
  EXPECT_EQ(s->BoundsRect(), Rect(630, 0, 670, 64));
  // Past the right edge it comes back in from the left, partly shown.
  s->X = 670;
  s->Y = 500;
  EXPECT_EQ(s->BoundsRect(), Rect(-10, -44, 30, 20));
  s->X = 640;
  EXPECT_EQ(s->BoundsRect().Left, 640);  // on the edge stays

  // Nothing to wrap round: no division by zero.
  TImageSprite loose(nullptr);
  loose.Tile = true;
  loose.X = 5;
  EXPECT_EQ(loose.BoundsRect(), Rect(5, 0, 5, 0));
  EXPECT_EQ(loose.DrawRect(), loose.BoundsRect());
}
