// The picture sprites drawing through a real picture list onto the back
// buffer of a headless display.
#include <gtest/gtest.h>

#include <memory>

#include "engine/background_sprite.h"
#include "engine/dx_sprite_engine.h"
#include "engine/image_sprite.h"
#include "gfx/display.h"
#include "gfx/image_list.h"
#include "gfx/surface.h"
#include "platform/form.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "tests/common/headless_display_test.h"

namespace {

// 24-bit picture values are 0xRRGGBB; on the 5-6-5 back buffer they become:
constexpr std::uint32_t kRed = 0xF800, kGreen = 0x07E0, kBlack = 0;
constexpr std::uint32_t kKey = 0xFF00FF;

// Pattern p of a W-wide strip is filled with colours[p], its top-left pixel
// in the key colour.
TPicture Strip(int patternSize, std::initializer_list<std::uint32_t> colours) {
  TDIB dib;
  dib.SetSize(patternSize * int(colours.size()), patternSize, 24);
  int p = 0;
  for (std::uint32_t c : colours) {
    for (int y = 0; y < patternSize; ++y)
      for (int x = 0; x < patternSize; ++x)
        dib.SetPixels(p * patternSize + x, y, x == 0 && y == 0 ? kKey : c);
    ++p;
  }
  TPicture picture;
  picture.SetGraphic(dib);
  return picture;
}

class PictureSpriteTest : public HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    list = new TDXImageList(form.get());
    list->SetDXDraw(draw);
    sprites = new TDXSpriteEngine(form.get());
    sprites->SetDXDraw(draw);
    cells = AddItem("cells", Strip(64, {0xFF0000, 0x00FF00}), 64);
    dots = AddItem("dots", Strip(8, {0xFF0000, 0x00FF00}), 8);
  }

  TPictureCollectionItem* AddItem(const char* name, const TPicture& picture, int pattern) {
    TPictureCollectionItem* item = list->Items().Add();
    item->SetName(name);
    item->SetPicture(picture);
    item->PatternWidth = pattern;
    item->PatternHeight = pattern;
    item->SetTransparentColor(0xFF00FF);
    return item;
  }

  void Frame() {
    TDirectDrawSurface* back = draw->Surface();
    back->Fill(0);
    sprites->Draw();
  }
  std::uint32_t At(int x, int y) { return draw->Surface()->Pixels(x, y); }

  TDXImageList* list = nullptr;
  TDXSpriteEngine* sprites = nullptr;
  TPictureCollectionItem* cells = nullptr;
  TPictureCollectionItem* dots = nullptr;
};

}  // namespace

TEST_F(PictureSpriteTest, BackgroundDrawsItsCellsAtTheCameraOffset) {
  auto* bg = new TBackgroundSprite(&sprites->Engine());
  bg->Image = cells;
  draw->Initialize();
  ASSERT_EQ(cells->PatternCount(), 2);
  bg->SetMapSize(3, 2);
  bg->SetChips(1, 0, 1);
  bg->SetChips(2, 0, -1);
  bg->SetChips(0, 1, 1);
  bg->X = 100;
  bg->Y = 50;
  EXPECT_EQ(bg->BoundsRect(), Rect(100, 50, 292, 178));
  Frame();
  EXPECT_EQ(At(100, 50), kBlack);  // the key pixel is left out
  EXPECT_EQ(At(101, 50), kRed);
  EXPECT_EQ(At(99, 51), kBlack);  // nothing left of the map
  EXPECT_EQ(At(165, 51), kGreen);
  EXPECT_EQ(At(229, 51), kBlack);  // empty cell
  EXPECT_EQ(At(101, 115), kGreen);
  EXPECT_EQ(At(229, 115), kRed);
  EXPECT_EQ(At(229, 178), kBlack);  // below the map

  // The root's position moves it, partly off the surface.
  sprites->Engine().X = -150;
  sprites->Engine().Y = -60;
  // The map's corner is now at (-50, -10).
  Frame();
  EXPECT_EQ(At(0, 0), kRed);
  EXPECT_EQ(At(14, 0), kGreen);
  EXPECT_EQ(At(80, 0), kBlack);
  EXPECT_EQ(At(0, 60), kGreen);
  EXPECT_EQ(At(142, 60), kBlack);
}

TEST_F(PictureSpriteTest, ImageSpriteDrawsItsPatternCentred) {
  draw->Initialize();
  auto* s = new TImageSprite(&sprites->Engine());
  s->Image = dots;
  s->Width = 12;
  s->Height = 13;
  s->AnimStart = 1;
  s->X = 10;
  s->Y = 20;
  // A 12 x 13 sprite centres an 8 x 8 pattern 2 across and 2 down.
  EXPECT_EQ(s->DrawRect(), Rect(12, 22, 24, 35));
  Frame();
  EXPECT_EQ(At(12, 22), kBlack);  // key
  EXPECT_EQ(At(13, 22), kGreen);
  EXPECT_EQ(At(19, 29), kGreen);
  EXPECT_EQ(At(20, 29), kBlack);
  EXPECT_EQ(At(11, 23), kBlack);

  // A pattern beyond the picture's draws nothing.
  s->AnimStart = 2;
  Frame();
  EXPECT_EQ(At(13, 22), kBlack);
  EXPECT_EQ(sprites->Engine().DrawCount(), 1);

  // Smaller than its picture: offsets cut towards zero.
  s->AnimStart = 0;
  s->Width = 3;
  s->Height = 4;
  EXPECT_EQ(s->DrawRect(), Rect(8, 18, 11, 22));
}

TEST_F(PictureSpriteTest, PixelCheckedCollisions) {
  draw->Initialize();
  auto make = [&](double x, double y) {
    auto* s = new TImageSprite(&sprites->Engine());
    s->Image = dots;
    s->Width = s->Height = 8;
    s->X = x;
    s->Y = y;
    return s;
  };
  TImageSprite* a = make(0, 0);
  TImageSprite* b = make(7, 7);  // overlaps only at a's (7, 7) and b's key pixel
  EXPECT_EQ(a->Collision(), 1);  // rectangles alone
  a->PixelCheck = true;
  EXPECT_EQ(a->Collision(), 0);
  b->X = 6;  // now a's (7, 7) meets b's (1, 0)
  EXPECT_EQ(a->Collision(), 1);
  b->X = 8;  // touching edges
  a->PixelCheck = false;
  EXPECT_EQ(a->Collision(), 0);

  // A background joins in once Collisioned is set again.
  auto* bg = new TBackgroundSprite(&sprites->Engine());
  bg->Image = cells;
  bg->SetMapSize(2, 2);
  EXPECT_EQ(a->Collision(), 0);
  bg->Collisioned = true;
  EXPECT_EQ(a->Collision(), 1);
  bg->X = 200;
  EXPECT_EQ(a->Collision(), 0);
}
