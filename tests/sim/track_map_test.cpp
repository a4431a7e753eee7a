#include "sim/track_map.h"

#include <gtest/gtest.h>

TEST(TrackMap, FrameOfGroundAndKnownTiles) {
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(TrackMap[i], 0) << "row 0";
    EXPECT_EQ(TrackMap[19 * 20 + i], 0) << "row 19";
    EXPECT_EQ(TrackMap[i * 20], 0) << "column 0";
    EXPECT_EQ(TrackMap[i * 20 + 19], 0) << "column 19";
  }
  EXPECT_EQ(TrackMap[8 * 20 + 1], 7);    // start line
  EXPECT_EQ(TrackMap[8 * 20 + 2], 15);   // finish line
  EXPECT_EQ(TrackMap[1 * 20 + 5], 30);   // arrow on the top straight
  EXPECT_EQ(TrackMap[7 * 20 + 12], 38);  // arrow on the middle straight
  EXPECT_EQ(TrackMap[12 * 20 + 18], 4);
  EXPECT_EQ(TrackMap[17 * 20 + 10], 14);
  EXPECT_EQ(TrackMap[11 * 20 + 1], 1);
  EXPECT_EQ(TrackMap[18 * 20 + 18], 53);
  int road = 0;
  for (int v : TrackMap) {
    EXPECT_GE(v, 0);
    road += v > 0;
  }
  EXPECT_EQ(road, 134);
}

TEST(TrackMap, TileRuleAtStartBoundsAndTies) {
  TileLocation t = TileAt(StartX, StartY);
  EXPECT_EQ(t.Col, 1);
  EXPECT_EQ(t.Row, 8);
  EXPECT_EQ(t.Index, 161);
  EXPECT_TRUE(IsRoad(t.Index));

  // Round(-4) div 64 truncates to column 0, not -1.
  EXPECT_EQ(TileAt(96, 550).Col, 0);
  EXPECT_EQ(TileAt(99.4, 550).Col, 0);

  // Ties go to the even neighbour: 63.5 -> 64 (column 1), 62.5 -> 62 (column 0).
  EXPECT_EQ(TileAt(163.5, 550).Col, 1);
  EXPECT_EQ(TileAt(162.5, 550).Col, 0);
  EXPECT_EQ(TileAt(192, 111.5).Row, 2);  // 127.5 -> 128
  EXPECT_EQ(TileAt(192, 110.5).Row, 1);  // 126.5 -> 126

  t = TileAt(1328, 1232);
  EXPECT_EQ(t.Col, 19);
  EXPECT_EQ(t.Row, 19);
  EXPECT_EQ(t.Index, 399);
  EXPECT_FALSE(IsRoad(t.Index));

  t = TileAt(96, 16);
  EXPECT_EQ(t.Index, 0);

  // Bend corners show grass but count as road.
  EXPECT_TRUE(IsRoad(1 * 20 + 1));
  EXPECT_TRUE(IsRoad(3 * 20 + 2));
}

TEST(TrackMap, DisplacementInMetres) {
  Displacement d = DisplacementAt(StartX, StartY);
  EXPECT_EQ(d.Rx, 0.0);
  EXPECT_EQ(d.Ry, 0.0);
  EXPECT_EQ(d.Length, 0.0);

  d = DisplacementAt(1328, 16);
  EXPECT_DOUBLE_EQ(d.Rx, 217.4374432);
  EXPECT_DOUBLE_EQ(d.Ry, 102.2109108);
  EXPECT_NEAR(d.Length, 240.2625897, 1e-7);

  // Up the screen is positive, and the scale is 0.1914062, not 49/256.
  d = DisplacementAt(StartX, StartY - 1000);
  EXPECT_DOUBLE_EQ(d.Ry, 191.4062);
  EXPECT_NE(d.Ry, 1000 * 49.0 / 256);
}
