#include "engine/dx_sprite_engine.h"

#include <gtest/gtest.h>

#include <memory>

#include "gfx/display.h"
#include "gfx/surface.h"
#include "platform/form.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "tests/common/headless_display_test.h"

namespace {

class Counted : public TSprite {
 public:
  using TSprite::TSprite;
  int draws = 0;

 protected:
  void DoDraw() override { ++draws; }
};

class DXSpriteEngineTest : public HeadlessDisplayTest {
 protected:
  DXSpriteEngineTest() : HeadlessDisplayTest(800, 600) {}
};

}  // namespace

TEST_F(DXSpriteEngineTest, DrawsOnTheBackBufferOnlyWhileTheDisplayIsUp) {
  auto* sprites = new TDXSpriteEngine(form.get());
  auto* car = new Counted(&sprites->Engine());
  car->Width = 40;
  car->Height = 64;

  // Not bound, then bound but not initialised: nothing is drawn.
  sprites->Draw();
  sprites->SetDXDraw(draw);
  EXPECT_EQ(sprites->DXDraw(), draw);
  sprites->Draw();
  EXPECT_EQ(car->draws, 0);
  EXPECT_EQ(sprites->Engine().Surface(), nullptr);

  draw->Initialize();
  ASSERT_NE(draw->Surface(), nullptr);
  EXPECT_EQ(sprites->Engine().Surface(), draw->Surface());
  EXPECT_EQ(sprites->Engine().Width, 640);
  EXPECT_EQ(sprites->Engine().Height, 480);
  sprites->Move(16);
  sprites->Dead();
  sprites->Draw();
  EXPECT_EQ(car->draws, 1);
  EXPECT_EQ(sprites->Engine().DrawCount(), 1);

  draw->Finalize();
  EXPECT_EQ(sprites->Engine().Surface(), nullptr);
  sprites->Draw();
  EXPECT_EQ(car->draws, 1);

  // Bound to an initialised display later: takes its back buffer at once.
  sprites->SetDXDraw(nullptr);
  draw->Initialize();
  sprites->SetDXDraw(draw);
  EXPECT_EQ(sprites->Engine().Surface(), draw->Surface());
  sprites->Draw();
  EXPECT_EQ(car->draws, 2);
}

TEST_F(DXSpriteEngineTest, FollowsTheBackBufferThroughAResize) {
  draw->SetOptions(draw->Options() - doFullScreen);
  auto* sprites = new TDXSpriteEngine(form.get());
  sprites->SetDXDraw(draw);
  draw->Initialize();
  ASSERT_TRUE(draw->Initialized());
  draw->SetSurfaceWidth(320);
  draw->SetSurfaceHeight(200);
  EXPECT_EQ(sprites->Engine().Surface(), draw->Surface());
  EXPECT_EQ(sprites->Engine().SurfaceRect(), Rect(0, 0, 320, 200));
  auto* far = new Counted(&sprites->Engine());
  far->X = 400;
  far->Width = far->Height = 10;
  sprites->Draw();
  EXPECT_EQ(far->draws, 0);
}

TEST_F(DXSpriteEngineTest, EitherMayGoFirst) {
  // The display goes first: the sprite engine forgets it.
  auto* display = new TDXDraw(form.get());
  auto* sprites = new TDXSpriteEngine(form.get());
  sprites->SetDXDraw(display);
  delete display;
  EXPECT_EQ(sprites->DXDraw(), nullptr);
  EXPECT_EQ(sprites->Engine().Surface(), nullptr);
  sprites->Draw();

  // The sprite engine goes first: the display no longer tells it anything.
  auto* early = new TDXSpriteEngine(form.get());
  new TSprite(&early->Engine());
  early->SetDXDraw(draw);
  delete early;
  draw->Initialize();
  draw->Finalize();
}
