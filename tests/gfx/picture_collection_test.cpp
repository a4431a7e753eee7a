#include "gfx/picture_collection.h"

#include <gtest/gtest.h>

#include <memory>

#include "gfx/display.h"
#include "gfx/image_list.h"
#include "platform/headless_display.h"
#include "platform/qt_application.h"
#include "tests/common/headless_display_test.h"

namespace {

// A 24-bit picture whose pixel (x, y) has red x, green y and blue 7, except
// the key colour (magenta) on the main diagonal.
TPicture MakePicture(int width, int height) {
  TDIB dib;
  dib.SetSize(width, height, 24);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      dib.SetPixels(x, y, x == y ? 0xFF00FFu : (0x07u << 16) | ((y & 255u) << 8) | (x & 255u));
  TPicture picture;
  picture.SetGraphic(dib);
  return picture;
}

class PictureCollectionTest : public HeadlessDisplayTest {
 protected:
  void SetUp() override {
    HeadlessDisplayTest::SetUp();
    list = new TDXImageList(form.get());
    list->SetDXDraw(draw);
  }

  TPictureCollectionItem* AddItem(const char* name, int w, int h, int pw, int ph) {
    TPictureCollectionItem* item = list->Items().Add();
    item->SetName(name);
    item->SetPicture(MakePicture(w, h));
    item->PatternWidth = pw;
    item->PatternHeight = ph;
    item->SetTransparentColor(0xFF00FF);
    return item;
  }

  TDXImageList* list = nullptr;
};

}  // namespace

TEST_F(PictureCollectionTest, FindByNameIgnoringCaseAndTheMissingNameMessage) {
  TPictureCollectionItem* car = AddItem("wyscigowka", 40, 64, 40, 64);
  AddItem("Droga", 512, 512, 64, 64);
  EXPECT_EQ(list->Items().Find("WYSCIGOWKA"), car);
  EXPECT_EQ(list->Items().Find("droga")->Index(), 1);
  try {
    list->Items().Find("Mapka");
    FAIL() << "found a missing picture";
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "Image 'Mapka' not found");
  }
  EXPECT_THROW(list->Items().Items(2), EListError);
}

TEST_F(PictureCollectionTest, PatternGridsAndBlocks) {
  TPictureCollectionItem* car = AddItem("car", 40, 64, 40, 64);
  TPictureCollectionItem* whole = AddItem("whole", 160, 135, 0, 0);
  TPictureCollectionItem* track = AddItem("track", 512, 512, 64, 64);
  TPictureCollectionItem* boxes = AddItem("boxes", 79, 79, 39, 39);
  TPictureCollectionItem* digits = AddItem("digits", 9, 154, 9, 14);
  TPictureCollectionItem* tooBig = AddItem("big", 5, 8, 6, 8);
  EXPECT_EQ(track->PatternCount(), 0) << "no patterns before the display is up";

  draw->Initialize();
  EXPECT_TRUE(list->Items().Initialized());

  EXPECT_EQ(car->PatternCount(), 1);
  EXPECT_EQ(car->Surfaces().size(), 1u);
  EXPECT_EQ(car->PatternRects(0), Rect(0, 0, 40, 64));

  EXPECT_EQ(whole->Width(), 160);
  EXPECT_EQ(whole->Height(), 135);
  EXPECT_EQ(whole->PatternCount(), 1);

  EXPECT_EQ(track->PatternCount(), 64);
  EXPECT_EQ(track->Surfaces().size(), 1u);
  EXPECT_EQ(track->PatternRects(9), Rect(64, 64, 128, 128));
  EXPECT_EQ(track->PatternRects(63), Rect(448, 448, 512, 512));
  EXPECT_EQ(track->PatternRects(64), Rect(0, 0, 0, 0));
  EXPECT_EQ(track->PatternSurfaces(-1), nullptr);

  // Two blocks across (78 and 1 pixels) and two down; every cell in block 0.
  EXPECT_EQ(boxes->PatternCount(), 4);
  ASSERT_EQ(boxes->Surfaces().size(), 4u);
  EXPECT_EQ(boxes->Surfaces()[0]->Width(), 78);
  EXPECT_EQ(boxes->Surfaces()[1]->Width(), 1);
  EXPECT_EQ(boxes->Surfaces()[2]->Height(), 1);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(boxes->PatternSurfaces(p), boxes->Surfaces()[0].get());
  EXPECT_EQ(boxes->PatternRects(3), Rect(39, 39, 78, 78));

  EXPECT_EQ(digits->PatternCount(), 11);
  EXPECT_EQ(digits->PatternRects(10), Rect(0, 140, 9, 154));

  EXPECT_EQ(tooBig->PatternCount(), 0);

  // The copies carry the picture's pixels in the display's format (a 24-bit
  // raw value is blue, green, red from the low byte up).
  TDirectDrawSurface* s = track->PatternSurfaces(9);
  EXPECT_EQ(s->Pixels(70, 65), ((7u >> 3) << 11) | ((65u >> 2) << 5) | (70u >> 3));

  draw->Finalize();
  EXPECT_EQ(track->PatternCount(), 0);
  EXPECT_TRUE(track->Surfaces().empty());
  EXPECT_FALSE(list->Items().Initialized());
}

TEST_F(PictureCollectionTest, DrawHonoursItsGuardsAndTheKey) {
  TPictureCollectionItem* tile = AddItem("tile", 16, 16, 8, 8);
  TDirectDrawSurface dest(nullptr);
  draw->Initialize();
  TDirectDrawSurface* back = draw->Surface();
  back->Fill(0x1234);
  tile->Draw(back, 10, 10, -1);
  tile->Draw(back, 10, 10, tile->PatternCount());
  tile->Draw(nullptr, 10, 10, 0);
  EXPECT_EQ(back->Pixels(10, 10), 0x1234u);
  EXPECT_EQ(back->Pixels(11, 10), 0x1234u);

  tile->Draw(back, 10, 10, 0);
  EXPECT_EQ(back->Pixels(10, 10), 0x1234u) << "the key colour on the diagonal is see-through";
  EXPECT_NE(back->Pixels(11, 10), 0x1234u);
  tile->Transparent = false;
  tile->Draw(back, 10, 10, 0);
  EXPECT_EQ(back->Pixels(10, 10), 0xF81Fu) << "opaque drawing copies the key colour too";

  // Re-keying: the same surfaces, a new key.
  TDirectDrawSurface* before = tile->Surfaces()[0].get();
  tile->SetTransparentColor(0x000000);
  EXPECT_EQ(tile->Surfaces()[0].get(), before);
  EXPECT_EQ(before->ColorKey(), 0u);

  draw->Finalize();
  back = nullptr;
  tile->Draw(draw->Surface(), 0, 0, 0);  // not initialised: nothing happens
}

TEST_F(PictureCollectionTest, InitializeNeedsAnInitialisedDisplay) {
  TPictureCollection loose;
  try {
    loose.Initialize(nullptr);
    FAIL();
  } catch (const EPictureCollectionError& e) {
    EXPECT_STREQ(e.what(), "TPictureCollection cannot be initialized");
  }
  EXPECT_THROW(loose.Initialize(draw), EPictureCollectionError);
  EXPECT_EQ(loose.DXDraw(), draw) << "the display stays bound";
  loose.Finalize();
  EXPECT_EQ(loose.DXDraw(), nullptr);
}

TEST_F(PictureCollectionTest, ImageListFollowsTheDisplay) {
  TPictureCollectionItem* tile = AddItem("tile", 16, 16, 8, 8);
  draw->Initialize();
  ASSERT_EQ(tile->PatternCount(), 4);

  // A late list gets the pictures built at once.
  auto* late = new TDXImageList(form.get());
  TPictureCollectionItem* copy = late->Items().Add();
  copy->Assign(*tile);
  EXPECT_EQ(copy->PatternCount(), 0);
  late->SetDXDraw(draw);
  EXPECT_EQ(copy->PatternCount(), 4);
  late->SetDXDraw(nullptr);
  EXPECT_EQ(copy->PatternCount(), 0);

  // Lost surfaces come back blank; the display's restore has the pictures
  // copied in again.
  TDirectDrawSurface* s = tile->PatternSurfaces(0);
  ASSERT_NE(s->Pixels(12, 9), 0u);
  factory.Last->LoseScreen();
  draw->DDraw()->LoseSurfaces();
  EXPECT_TRUE(draw->CanDraw());
  EXPECT_EQ(tile->PatternCount(), 4);
  EXPECT_TRUE(tile->Initialized());
  EXPECT_NE(tile->PatternSurfaces(0)->Pixels(12, 9), 0u);

  // Assigning a picture into a restored item rebuilds it.
  TPictureCollectionItem* other = AddItem("other", 32, 16, 16, 16);
  tile->Assign(*other);
  EXPECT_EQ(tile->PatternCount(), 2);
  EXPECT_EQ(tile->Name(), "tile");

  // The display going away leaves the list without a display.
  delete draw;
  draw = nullptr;
  EXPECT_EQ(list->DXDraw(), nullptr);
  EXPECT_EQ(tile->PatternCount(), 0);
}
