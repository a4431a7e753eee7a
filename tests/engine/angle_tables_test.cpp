#include "engine/angle_tables.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

TEST(AngleTables, ExactEntriesAndWrapping) {
  EXPECT_EQ(Cos256(0), 1.0);
  EXPECT_EQ(Cos256(128), -1.0);
  EXPECT_EQ(Sin256(64), 1.0);
  EXPECT_EQ(Sin256(192), -1.0);

  EXPECT_EQ(Cos256(-64), Cos256(192));
  EXPECT_EQ(Sin256(-64), Sin256(192));
  EXPECT_EQ(Cos256(256), Cos256(0));
  EXPECT_EQ(Cos256(-1), CosTable[255]);
  EXPECT_EQ(Sin256(0), CosTable[192]);
}

TEST(AngleTables, QuarterTurnsAreTinyButNotZero) {
  // The entries of a quarter and three quarters of a turn are the cosines of
  // the rounded argument, not special-cased zeros.
  EXPECT_NE(CosTable[64], 0.0);
  EXPECT_NE(CosTable[192], 0.0);
  EXPECT_LT(std::fabs(CosTable[64]), 1e-15);
  EXPECT_LT(std::fabs(Sin256(0)), 1e-15);
}

TEST(AngleTables, EveryEntryFollowsTheRule) {
  const double before = CosTable[37];
  InitCosTable();  // a second fill changes nothing
  EXPECT_EQ(CosTable[37], before);
  for (int i = 0; i < 256; ++i) {
    // The rule's own arithmetic is the x87's; elsewhere long double is another
    // format, and the table keeps the x87's values all the same.
    if constexpr (LDBL_MANT_DIG == 64) {
      const long double x =
          static_cast<long double>(i) / 256 * 2 * 3.141592653589793238462643383279502884L;
      EXPECT_EQ(CosTable[i], static_cast<double>(std::cos(x))) << i;
    }
    EXPECT_NEAR(CosTable[i], std::cos(i * 2 * M_PI / 256), 1e-15) << i;
  }
}

TEST(AngleTables, AnglesAtTheEndsOfTheIntRangeWrap) {
  // INT_MAX is 255 modulo 256, INT_MIN is 0: a quarter turn on wraps through
  // the ends of the range like any other angle.
  constexpr int max = std::numeric_limits<int>::max();
  constexpr int min = std::numeric_limits<int>::min();
  EXPECT_EQ(Cos256(max), CosTable[255]);
  EXPECT_EQ(Cos256(min), CosTable[0]);
  EXPECT_EQ(Sin256(max), CosTable[(255 + 192) & 255]);
  EXPECT_EQ(Sin256(max - 191), CosTable[0]);
  EXPECT_EQ(Sin256(min), CosTable[192]);
}
