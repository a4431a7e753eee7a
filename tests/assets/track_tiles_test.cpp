#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "sim/picture_catalogue.h"
#include "sim/track_map.h"
#include "tests/assets/bitmap_reader.h"

namespace {

const BitmapFile& droga() {
  static const BitmapFile picture = readBitmap(pictureFilePath(PictureDroga));
  return picture;
}

int luma(std::uint32_t c) {
  return (int(c >> 16 & 0xFF) * 3 + int(c >> 8 & 0xFF) * 6 + int(c & 0xFF)) / 10;
}

// Pixel (u, v) of the tile that the track map puts at row r, column c.
std::uint32_t tilePixel(int r, int c, int u, int v) {
  const int pattern = TrackMap[std::size_t(r * MapColumns + c)];
  return droga().rgb((pattern % 8) * 64 + u, (pattern / 8) * 64 + v);
}

bool isRingPiece(int pattern) {
  return pattern / 8 >= 1 && pattern / 8 <= 6 && pattern % 8 <= 5;
}

struct Join {
  int paintBreaks = 0;    // a marking on one side, dark ground on the other
  int surfaceBreaks = 0;  // road on one side, gravel on the other
};

// Compares the pixels on either side of the border between cell (r, c) and
// its neighbour to the right (across) or below (!across), `depth` pixels deep.
Join compareBorder(int r, int c, bool across, int depth) {
  Join join;
  auto pixelA = [&](int t, int depth) {
    return across ? tilePixel(r, c, 63 - depth, t) : tilePixel(r, c, t, 63 - depth);
  };
  auto pixelB = [&](int t, int depth) {
    return across ? tilePixel(r, c + 1, depth, t) : tilePixel(r + 1, c, t, depth);
  };
  for (int t = 0; t < 64; ++t) {
    const int a = luma(pixelA(t, 0));
    const int b = luma(pixelB(t, 0));
    if ((a > 170 && b < 90) || (b > 170 && a < 90)) ++join.paintBreaks;
  }
  // Average ground a few pixels deep in blocks of 8 along the border, leaving
  // out the markings.
  for (int block = 0; block < 8; ++block) {
    int sumA = 0, countA = 0, sumB = 0, countB = 0;
    for (int t = block * 8; t < block * 8 + 8; ++t) {
      for (int d = 0; d < depth; ++d) {
        const int a = luma(pixelA(t, d));
        const int b = luma(pixelB(t, d));
        if (a < 150) sumA += a, ++countA;
        if (b < 150) sumB += b, ++countB;
      }
    }
    // Compare only blocks that are mostly unmarked on both sides; for a single
    // pixel line, only blocks with no marking at all.
    const int needed = depth == 1 ? 8 : 2 * depth;
    if (countA >= needed && countB >= needed && std::abs(sumA / countA - sumB / countB) > 20) {
      ++join.surfaceBreaks;
    }
  }
  return join;
}

}  // namespace

TEST(TrackTiles, EveryRoadTileJoinsItsNeighboursWithoutASeam) {
  int borders = 0;
  for (int r = 0; r < MapRows; ++r) {
    for (int c = 0; c < MapColumns; ++c) {
      for (bool across : {true, false}) {
        const int nr = across ? r : r + 1;
        const int nc = across ? c + 1 : c;
        if (nr >= MapRows || nc >= MapColumns) continue;
        const int a = TrackMap[std::size_t(r * MapColumns + c)];
        const int b = TrackMap[std::size_t(nr * MapColumns + nc)];
        if (a == 0 && b == 0) continue;
        ++borders;
        const std::string where = "row " + std::to_string(r) + " col " + std::to_string(c) +
                                  (across ? " to the right" : " downwards");
        if (isRingPiece(a) && isRingPiece(b)) {
          // Pieces of one bend are cut from the same painted ring, so they
          // join when the map sets them side by side as the picture does.
          EXPECT_EQ(b - a, across ? 1 : 8) << where;
        } else if (a > 0 && b > 0) {
          const Join join = compareBorder(r, c, across, 4);
          EXPECT_EQ(join.paintBreaks, 0) << where;
          EXPECT_EQ(join.surfaceBreaks, 0) << where;
        } else {
          // Against plain ground the road ends in its edge line right on the
          // border, and the gravel of a bend runs on into the ground tile.
          EXPECT_EQ(compareBorder(r, c, across, 1).surfaceBreaks, 0) << where;
        }
      }
    }
  }
  EXPECT_GT(borders, 150);
}

TEST(TrackTiles, LanesCarryEdgeLinesOutsideAndADashedCentreLineBetween) {
  // The plain vertical straight: left lane 5, right lane 6.
  auto column = [](int pattern, int u) {
    int bright = 0;
    for (int v = 0; v < 64; ++v) {
      bright += luma(droga().rgb((pattern % 8) * 64 + u, (pattern / 8) * 64 + v)) > 170;
    }
    return bright;
  };
  auto row = [](int pattern, int v) {
    int bright = 0;
    for (int u = 0; u < 64; ++u) {
      bright += luma(droga().rgb((pattern % 8) * 64 + u, (pattern / 8) * 64 + v)) > 170;
    }
    return bright;
  };
  EXPECT_EQ(column(5, 0), 64);  // solid outer line
  EXPECT_EQ(column(6, 63), 64);
  for (int pattern : {5, 6}) {
    const int inner = column(pattern, pattern == 5 ? 63 : 0);
    EXPECT_GE(inner, 3 * 12) << pattern;  // three dashes of 12 to 13 pixels
    EXPECT_LE(inner, 3 * 13) << pattern;
    EXPECT_EQ(column(pattern, 32), 0) << pattern;  // a plain lane has no marks mid-lane
  }
  EXPECT_EQ(row(46, 0), 64);
  EXPECT_EQ(row(54, 63), 64);
  EXPECT_GE(row(46, 63), 36);
  EXPECT_GE(row(54, 0), 36);
  // Start and finish lines across their tiles.
  EXPECT_EQ(row(7, 34), 64);
  EXPECT_EQ(row(7, 35), 64);
  EXPECT_EQ(row(15, 28), 64);
  EXPECT_EQ(row(15, 29), 64);
}
