#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "sim/picture_catalogue.h"
#include "tests/assets/bitmap_reader.h"

namespace {

int red(std::uint32_t c) {
  return int(c >> 16 & 0xFF);
}
int green(std::uint32_t c) {
  return int(c >> 8 & 0xFF);
}
int blue(std::uint32_t c) {
  return int(c & 0xFF);
}

bool seenAsKey(std::uint32_t c) {
  return red(c) >= 248 && green(c) < 8 && blue(c) >= 248;
}

struct Rect {
  int left, top, right, bottom;  // inclusive
  bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

// Every pixel of the region is exact magenta (see-through) or none is.
void expectRegion(const BitmapFile& bmp, int x0, int y0, Rect r, bool seeThrough) {
  for (int y = r.top; y <= r.bottom; ++y) {
    for (int x = r.left; x <= r.right; ++x) {
      ASSERT_EQ(bmp.rgb(x0 + x, y0 + y) == Magenta, seeThrough)
          << "at " << x0 + x << ", " << y0 + y;
    }
  }
}

}  // namespace

TEST(PictureFeatures, NoOpaquePixelLooksLikeTheKeyOnA16BitScreen) {
  for (int i = 0; i < int(PictureCount); ++i) {
    if (!PictureCatalogue()[std::size_t(i)].Transparent) continue;
    const BitmapFile bmp = readBitmap(pictureFilePath(i));
    for (int y = 0; y < bmp.height; ++y) {
      for (int x = 0; x < bmp.width; ++x) {
        const std::uint32_t c = bmp.rgb(x, y);
        ASSERT_TRUE(c == Magenta || !seenAsKey(c)) << "picture " << i << " at " << x << ", " << y;
      }
    }
  }
}

TEST(PictureFeatures, DrogaFramePiecesAreSeeThroughInsideAndSolidPatternsAreExact) {
  const BitmapFile droga = readBitmap(pictureFilePath(PictureDroga));
  auto at = [](int pattern) { return std::pair{(pattern % 8) * 64, (pattern / 8) * 64}; };
  // Sides: a 9-pixel bar on the outer edge, the rest see-through.
  auto [lx, ly] = at(56);
  expectRegion(droga, lx, ly, {0, 0, 8, 63}, false);
  expectRegion(droga, lx, ly, {9, 0, 63, 63}, true);
  auto [rx, ry] = at(57);
  expectRegion(droga, rx, ry, {55, 0, 63, 63}, false);
  expectRegion(droga, rx, ry, {0, 0, 54, 63}, true);
  auto [tx, ty] = at(58);
  expectRegion(droga, tx, ty, {0, 0, 63, 8}, false);
  expectRegion(droga, tx, ty, {0, 9, 63, 63}, true);
  auto [bx, by] = at(59);
  expectRegion(droga, bx, by, {0, 55, 63, 63}, false);
  expectRegion(droga, bx, by, {0, 0, 63, 54}, true);
  // Corners: both outer bars solid, a plate round the corner, open inside.
  const int corners[4] = {23, 31, 39, 47};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(corners[k]);
    auto [cx, cy] = at(corners[k]);
    const bool right = k % 2 == 1;
    const bool bottom = k >= 2;
    const Rect vertical = right ? Rect{55, 0, 63, 63} : Rect{0, 0, 8, 63};
    const Rect horizontal = bottom ? Rect{0, 55, 63, 63} : Rect{0, 0, 63, 8};
    expectRegion(droga, cx, cy, vertical, false);
    expectRegion(droga, cx, cy, horizontal, false);
    const Rect inner{right ? 0 : 32, bottom ? 0 : 32, right ? 31 : 63, bottom ? 31 : 63};
    expectRegion(droga, cx, cy, inner, true);
    // The plate widens the bar near the corner: a pixel diagonal from the
    // corner, beyond the bars, is still metal.
    const int px = right ? 63 - 14 : 14;
    const int py = bottom ? 63 - 14 : 14;
    EXPECT_NE(droga.rgb(cx + px, cy + py), Magenta);
  }
  auto [bk, bky] = at(55);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) ASSERT_EQ(droga.rgb(bk + x, bky + y), 0x000000u);
  }
  for (int pattern = 60; pattern < 64; ++pattern) {
    auto [wx, wy] = at(pattern);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) ASSERT_EQ(droga.rgb(wx + x, wy + y), 0xFFFFFFu) << pattern;
    }
  }
  // Nothing of the track is see-through.
  for (int pattern = 0; pattern < 55; ++pattern) {
    if (pattern == 23 || pattern == 31 || pattern == 39 || pattern == 47) continue;
    auto [px, py] = at(pattern);
    expectRegion(droga, px, py, {0, 0, 63, 63}, false);
  }
}

TEST(PictureFeatures, InstrumentFaceIsOpaqueExceptTheSixOdometerWindows) {
  const BitmapFile face = readBitmap(pictureFilePath(PictureLicznikDrogi));
  const int windows[6] = {41, 51, 61, 71, 81, 95};
  for (int y = 0; y < face.height; ++y) {
    for (int x = 0; x < face.width; ++x) {
      bool inWindow = false;
      for (int left : windows) inWindow |= x >= left && x <= left + 8 && y >= 105 && y <= 117;
      ASSERT_EQ(face.rgb(x, y) == Magenta, inWindow) << x << ", " << y;
    }
  }
  // The scale: green at its left end and top, red at its right end.
  auto greenish = [](std::uint32_t c) { return green(c) > 150 && red(c) < 120; };
  auto reddish = [](std::uint32_t c) { return red(c) > 180 && green(c) < 80; };
  bool leftGreen = false, topGreen = false, rightRed = false;
  for (int d = -3; d <= 3; ++d) {
    for (int e = -3; e <= 3; ++e) {
      leftGreen |= greenish(face.rgb(6 + d, 66 + e));
      topGreen |= greenish(face.rgb(78 + d, 11 + e));
      rightRed |= reddish(face.rgb(151 + d, 66 + e));
    }
  }
  EXPECT_TRUE(leftGreen);
  EXPECT_TRUE(topGreen);
  EXPECT_TRUE(rightRed);
  // No unit under the scale: the needle shows the car's speed in the run's
  // own units, and a "km/h" there would misread it by about a tenth.
  for (int y = 74; y < 88; ++y)
    for (int x = 50; x < 110; ++x) ASSERT_EQ(face.rgb(x, y), 0u) << x << ", " << y;
}

TEST(PictureFeatures, MinimapAxesCrossAtTheDisplacementOrigin) {
  const BitmapFile map = readBitmap(pictureFilePath(PictureMapka));
  const std::uint32_t darkRed = 0x800000;
  EXPECT_EQ(map.rgb(13, 68), darkRed);
  for (int y = 8; y <= 150; ++y) ASSERT_EQ(map.rgb(13, y), darkRed) << y;
  for (int x = 4; x <= 150; ++x) ASSERT_EQ(map.rgb(x, 68), darkRed) << x;
  // Arrowheads at the top of the y axis and the right end of the x axis.
  int topHead = 0, rightHead = 0;
  for (int d = 1; d <= 6; ++d) {
    topHead += map.rgb(13 - 2, d) == darkRed || map.rgb(13 + 2, d) == darkRed;
    rightHead += map.rgb(159 - d, 66) == darkRed || map.rgb(159 - d, 70) == darkRed;
  }
  EXPECT_GT(topHead, 0);
  EXPECT_GT(rightHead, 0);
  // The yellow caption sits in the upper right.
  int yellowUpperRight = 0, yellowElsewhere = 0;
  for (int y = 0; y < 160; ++y) {
    for (int x = 0; x < 160; ++x) {
      const std::uint32_t c = map.rgb(x, y);
      const bool yellow = red(c) > 200 && green(c) > 200 && blue(c) < 90;
      (x >= 70 && y < 28 ? yellowUpperRight : yellowElsewhere) += yellow;
    }
  }
  EXPECT_GT(yellowUpperRight, 40);
  EXPECT_EQ(yellowElsewhere, 0);
  // The road is darker than the gravel beside it: the middle of the left
  // lane of the left straight against the gravel in the middle of the map.
  auto luma = [&](int x, int y) { return red(map.rgb(x, y)) + green(map.rgb(x, y)); };
  EXPECT_LT(luma(12, 100) + 40, luma(60, 100));
}

TEST(PictureFeatures, NeedlePointsUpWithItsWhiteTipInColumnFour) {
  const BitmapFile needle = readBitmap(pictureFilePath(PictureWskazowka));
  for (int y = 0; y < 53; ++y) {
    for (int x = 0; x < 9; ++x) {
      std::uint32_t expected = Magenta;
      if (x == 4 && y >= 1 && y <= 18) expected = 0xFFFFFF;
      if (x == 4 && y >= 19 && y <= 26) expected = 0xC0C0C0;
      if (x >= 3 && x <= 5 && y >= 27) expected = 0xC0C0C0;
      ASSERT_EQ(needle.rgb(x, y), expected) << x << ", " << y;
    }
  }
  // The hub: nine pixels across on row 57, nothing beyond rows 53 to 61.
  for (int x = 0; x < 9; ++x) EXPECT_NE(needle.rgb(x, 57), Magenta);
  EXPECT_NE(needle.rgb(4, 53), Magenta);
  EXPECT_NE(needle.rgb(4, 61), Magenta);
  EXPECT_EQ(needle.rgb(0, 53), Magenta);
  EXPECT_EQ(needle.rgb(8, 61), Magenta);
}

TEST(PictureFeatures, CarIsSurroundedBySeeThroughPixelsAndHasNoHoles) {
  const BitmapFile car = readBitmap(pictureFilePath(PictureWyscigowka));
  // Flood the see-through pixels from the border: every magenta pixel must be
  // reached, so magenta lies only outside the car.
  std::vector<char> seen(std::size_t(car.width * car.height), 0);
  std::vector<std::pair<int, int>> todo;
  for (int x = 0; x < car.width; ++x) {
    todo.push_back({x, 0});
    todo.push_back({x, car.height - 1});
  }
  for (int y = 0; y < car.height; ++y) {
    todo.push_back({0, y});
    todo.push_back({car.width - 1, y});
  }
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= car.width || y >= car.height) continue;
    char& mark = seen[std::size_t(y * car.width + x)];
    if (mark || car.rgb(x, y) != Magenta) continue;
    mark = 1;
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  int outside = 0;
  for (int y = 0; y < car.height; ++y) {
    for (int x = 0; x < car.width; ++x) {
      if (car.rgb(x, y) == Magenta) {
        ASSERT_TRUE(seen[std::size_t(y * car.width + x)]) << "hole at " << x << ", " << y;
        ++outside;
      }
    }
  }
  EXPECT_GT(outside, 200);
  EXPECT_NE(car.rgb(20, 32), Magenta);
  // Yellow headlamps at the front (top), a white roundel at the rear.
  int yellowFront = 0, whiteRear = 0, redBody = 0;
  for (int y = 0; y < car.height; ++y) {
    for (int x = 0; x < car.width; ++x) {
      const std::uint32_t c = car.rgb(x, y);
      if (c == Magenta) continue;
      if (red(c) > 200 && green(c) > 180 && blue(c) < 100 && y < 16) ++yellowFront;
      if (red(c) > 230 && green(c) > 230 && blue(c) > 230 && y > 40) ++whiteRear;
      if (red(c) > 150 && green(c) < 80 && blue(c) < 80) ++redBody;
    }
  }
  EXPECT_GT(yellowFront, 4);
  EXPECT_GT(whiteRear, 20);
  EXPECT_GT(redBody, 300);
}

TEST(PictureFeatures, MinimapCarHasOnlyItsTopCornersSeeThrough) {
  const BitmapFile car = readBitmap(pictureFilePath(PictureMaleAuto));
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 5; ++x) {
      const bool corner = y == 0 && (x == 0 || x == 4);
      ASSERT_EQ(car.rgb(x, y) == Magenta, corner) << x << ", " << y;
    }
  }
  EXPECT_GT(blue(car.rgb(2, 3)), red(car.rgb(2, 3)));
  EXPECT_GT(red(car.rgb(2, 1)), 2 * blue(car.rgb(2, 1)));
}

TEST(PictureFeatures, VectorLabelsAreLimeStrokesWithTheirSubscripts) {
  const BitmapFile labels = readBitmap(pictureFilePath(PictureRRXRy));
  for (int y = 0; y < 16; ++y) {
    EXPECT_EQ(labels.rgb(54, y), Magenta);
    for (int x = 0; x < 55; ++x) {
      const std::uint32_t c = labels.rgb(x, y);
      ASSERT_TRUE(c == Magenta || c == 0x00FF00) << x << ", " << y;
    }
  }
  auto lime = [&](int pattern, Rect r) {
    int n = 0;
    for (int y = r.top; y <= r.bottom; ++y) {
      for (int x = r.left; x <= r.right; ++x) n += labels.rgb(pattern * 18 + x, y) == 0x00FF00;
    }
    return n;
  };
  for (int pattern = 0; pattern < 3; ++pattern) {
    EXPECT_GT(lime(pattern, {0, 0, 17, 2}), 8) << pattern;   // the vector arrow
    EXPECT_EQ(lime(pattern, {0, 3, 17, 3}), 0) << pattern;   // a clear row under it
    EXPECT_GT(lime(pattern, {0, 4, 9, 11}), 20) << pattern;  // the letter R
  }
  EXPECT_EQ(lime(0, {10, 10, 17, 15}), 0);
  EXPECT_GT(lime(1, {10, 10, 17, 15}), 4);
  EXPECT_GT(lime(2, {10, 10, 17, 15}), 4);
  EXPECT_EQ(lime(1, {10, 15, 17, 15}), 0);  // x sits on the line, y descends
  EXPECT_GT(lime(2, {10, 15, 17, 15}), 0);
}

TEST(PictureFeatures, OdometerStripsHoldTenDistinctDigitsAndZeroAgain) {
  for (int index : {int(PictureCyfryCzerwone), int(PictureCyfryCzarne)}) {
    const BitmapFile strip = readBitmap(pictureFilePath(index));
    const std::uint32_t background = index == PictureCyfryCzerwone ? 0xFF0000 : 0x000000;
    std::set<std::vector<std::uint32_t>> digits;
    std::vector<std::uint32_t> first;
    for (int cell = 0; cell < 11; ++cell) {
      std::vector<std::uint32_t> glyph;
      for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 9; ++x) {
          const std::uint32_t c = strip.rgb(x, cell * 14 + y);
          const bool glyphArea = x >= 2 && x <= 6 && y >= 3 && y <= 10;
          if (!glyphArea)
            ASSERT_EQ(c, background) << index << " cell " << cell;
          else
            ASSERT_TRUE(c == background || c == 0xFFFFFF);
          if (glyphArea) glyph.push_back(c);
        }
      }
      if (cell == 0) first = glyph;
      if (cell < 10) digits.insert(glyph);
      if (cell == 10) {
        EXPECT_EQ(glyph, first);
      }
    }
    EXPECT_EQ(digits.size(), 10u);
  }
}

TEST(PictureFeatures, KeyLegendCapsStandWhereTheLegendPlacesThem) {
  const BitmapFile legend = readBitmap(pictureFilePath(PictureKlawiszeKostki));
  const int caps[6][2] = {{0, 25}, {81, 106}, {151, 176}, {226, 251}, {310, 383}, {474, 505}};
  for (const auto& cap : caps) {
    SCOPED_TRACE(cap[0]);
    for (int x = cap[0] + 2; x <= cap[1] - 2; ++x) {
      ASSERT_NE(legend.rgb(x, 12), Magenta) << x;
    }
    for (int y = 3; y <= 21; ++y) {
      ASSERT_NE(legend.rgb(cap[0], y), Magenta);
      ASSERT_NE(legend.rgb(cap[1], y), Magenta);
    }
    for (int y = 0; y < 25; ++y) {
      if (cap[0] > 0) {
        ASSERT_EQ(legend.rgb(cap[0] - 1, y), Magenta) << y;
      }
      ASSERT_EQ(legend.rgb(cap[1] + 1, y), Magenta) << y;
    }
    // A white label follows each cap.
    int white = 0;
    for (int y = 0; y < 25; ++y) {
      for (int x = cap[1] + 2; x < cap[1] + 40; ++x) white += legend.rgb(x, y) == 0xFFFFFF;
    }
    EXPECT_GT(white, 10);
  }
}
