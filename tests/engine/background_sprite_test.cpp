#include "engine/background_sprite.h"

#include <gtest/gtest.h>

#include <vector>

#include "gfx/direct_draw.h"
#include "gfx/surface.h"

namespace {

using Cell = TBackgroundSprite::Cell;

class BackgroundTest : public ::testing::Test {
 protected:
  BackgroundTest() {
    surface.SetSize(640, 480);
    engine.SetSurface(&surface);
  }

  // A 20 x 20 map whose cell (k, j) names pattern j * 100 + k, so a drawn
  // pattern tells which cell it came from.
  TBackgroundSprite* NumberedMap(int w = 20, int h = 20) {
    auto* bg = new TBackgroundSprite(&engine);
    bg->SetMapSize(w, h);
    for (int j = 0; j < h; ++j)
      for (int k = 0; k < w; ++k) bg->SetChips(k, j, j * 100 + k);
    return bg;
  }

  static std::vector<Cell> Walk(const TBackgroundSprite& bg) {
    std::vector<Cell> cells;
    bg.ForEachVisibleCell(64, 64, [&](const Cell& c) { cells.push_back(c); });
    return cells;
  }

  TDirectDraw ddraw;
  TDirectDrawSurface surface{&ddraw};
  TSpriteEngine engine;
};

}  // namespace

TEST_F(BackgroundTest, MapSizeRulesAndCellAccess) {
  TBackgroundSprite bg(&engine);
  EXPECT_FALSE(bg.Collisioned);
  EXPECT_EQ(bg.MapWidth(), 0);
  EXPECT_EQ(bg.Chips(0, 0), -1);

  // The window's set-up sequence: 1 x 1, then 20 x 1, then 20 x 20.
  bg.SetMapSize(1, 1);
  bg.SetChips(0, 0, 7);
  bg.SetMapWidth(20);
  EXPECT_EQ(bg.MapHeight(), 1);
  EXPECT_EQ(bg.Chips(0, 0), 0);  // a resize clears the cells
  bg.SetMapHeight(20);
  EXPECT_EQ(bg.MapWidth(), 20);
  EXPECT_EQ(bg.MapHeight(), 20);

  bg.SetChips(19, 19, 5);
  bg.SetChips(3, 2, -4);
  EXPECT_EQ(bg.Chips(19, 19), 5);
  EXPECT_EQ(bg.Chips(3, 2), -4);
  EXPECT_TRUE(bg.CollisionMap(19, 19));

  // Outside the map: reads -1 and false, writes change nothing.
  bg.SetChips(20, 0, 9);
  bg.SetChips(0, -1, 9);
  EXPECT_EQ(bg.Chips(20, 0), -1);
  EXPECT_EQ(bg.Chips(0, 20), -1);
  EXPECT_EQ(bg.Chips(-1, 0), -1);
  EXPECT_FALSE(bg.CollisionMap(20, 0));
  EXPECT_EQ(bg.Chips(0, 1), 0);
  EXPECT_EQ(bg.Chips(1, 0), 0);

  // The same size keeps the cells.
  bg.SetMapSize(20, 20);
  EXPECT_EQ(bg.Chips(19, 19), 5);

  // A size that cannot be had is refused and the map stays.
  EXPECT_THROW(bg.SetMapSize(1 << 20, 1 << 20), ESpriteError);
  EXPECT_EQ(bg.MapWidth(), 20);
  EXPECT_EQ(bg.Chips(19, 19), 5);

  // Zero or negative in either direction empties the map.
  bg.SetMapSize(0, 5);
  EXPECT_EQ(bg.MapWidth(), 0);
  EXPECT_EQ(bg.MapHeight(), 0);
  bg.SetMapSize(4, 4);
  bg.SetMapSize(-1, 3);
  EXPECT_EQ(bg.MapWidth(), 0);
  EXPECT_EQ(bg.MapHeight(), 0);
  EXPECT_EQ(bg.Chips(0, 0), -1);
  EXPECT_TRUE(Walk(bg).empty());
}

TEST_F(BackgroundTest, CellWalkWithTheMapPartlyOffTheLeftAndTop) {
  TBackgroundSprite* bg = NumberedMap();
  // The camera puts the map's top-left at (-300, -100).
  engine.X = -300;
  engine.Y = -100;
  std::vector<Cell> cells = Walk(*bg);
  ASSERT_FALSE(cells.empty());
  // First drawn: map column 4 at x = -44, map row 1 at y = -36.
  EXPECT_EQ(cells.front().pattern, 104);
  EXPECT_EQ(cells.front().x, -44);
  EXPECT_EQ(cells.front().y, -36);
  // 12 columns by 9 rows cover the 640 x 480 surface.
  EXPECT_EQ(cells.size(), 12u * 9u);
  EXPECT_EQ(cells.back().pattern, 9 * 100 + 15);
  EXPECT_EQ(cells.back().x, -44 + 11 * 64);
  EXPECT_EQ(cells.back().y, -36 + 8 * 64);

  // An empty cell is passed over.
  bg->SetChips(4, 1, -1);
  cells = Walk(*bg);
  EXPECT_EQ(cells.front().pattern, 105);
  EXPECT_EQ(cells.front().x, 20);
}

TEST_F(BackgroundTest, CellWalkWithTheMapRightOfTheSurfaceEdge) {
  TBackgroundSprite* bg = NumberedMap();
  bg->X = 100;
  std::vector<Cell> cells = Walk(*bg);
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells.front().pattern, 0);
  EXPECT_EQ(cells.front().x, 100);
  EXPECT_EQ(cells.front().y, 0);
  for (const Cell& c : cells) EXPECT_GE(c.x, 100) << c.pattern;
  EXPECT_EQ(cells.size(), 11u * 9u);

  // A small map ends where the map ends.
  TBackgroundSprite* small = NumberedMap(2, 3);
  small->X = 100;
  small->Y = 10;
  cells = Walk(*small);
  ASSERT_EQ(cells.size(), 6u);
  EXPECT_EQ(cells.back().pattern, 201);
  EXPECT_EQ(cells.back().x, 164);
  EXPECT_EQ(cells.back().y, 138);

  // Wholly off the surface: nothing.
  small->X = -1000;
  EXPECT_TRUE(Walk(*small).empty());
}

TEST_F(BackgroundTest, TiledMapRepeatsRoundTheSurface) {
  TBackgroundSprite* bg = NumberedMap(3, 2);
  bg->Tile = true;
  EXPECT_EQ(bg->BoundsRect(), engine.SurfaceRect());
  engine.X = -300;
  engine.Y = -100;
  std::vector<Cell> cells = Walk(*bg);
  // One extra ring of cells round the 12 x 9 that cover the surface.
  EXPECT_EQ(cells.size(), 14u * 11u);
  EXPECT_EQ(cells.front().x, -44 - 64);
  EXPECT_EQ(cells.front().y, -36 - 64);
  // Screen column -1 is map column (4 - 1) mod 3 = 0, row (1 - 1) mod 2 = 0.
  EXPECT_EQ(cells.front().pattern, 0);
  EXPECT_EQ(cells[1].pattern, 1);
  EXPECT_EQ(cells[2].pattern, 2);
  EXPECT_EQ(cells[3].pattern, 0);
  EXPECT_EQ(cells[14].pattern, 100);
}
