#include "sim/number_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

TEST(FormatFixed, RoundsHalfAwayFromZeroAtTheLastDigit) {
  EXPECT_EQ(FormatFixed(2.25, 1), "2.3");
  EXPECT_EQ(FormatFixed(-2.25, 1), "-2.3");
  EXPECT_EQ(FormatFixed(0.5, 0), "1");
  EXPECT_EQ(FormatFixed(1.5, 0), "2");
  EXPECT_EQ(FormatFixed(2.5, 0), "3");
  EXPECT_EQ(FormatFixed(10.5, 0), "11");
  EXPECT_EQ(FormatFixed(9.96, 1), "10.0");
  EXPECT_EQ(FormatFixed(999.95, 1), "1000.0");  // the double lies just above the tie
  EXPECT_EQ(FormatFixed(0.15, 1), "0.1");       // likewise
  EXPECT_EQ(FormatFixed(1234.5, 2), "1234.50");
}

TEST(FormatFixed, ZerosAndSigns) {
  EXPECT_EQ(FormatFixed(0, 0), "0");
  EXPECT_EQ(FormatFixed(0, 1), "0.0");
  EXPECT_EQ(FormatFixed(-0.3, 0), "-0");
  EXPECT_EQ(FormatFixed(-0.04, 1), "-0.0");
  EXPECT_EQ(FormatFixed(-7.6, 0), "-8");
  EXPECT_EQ(FormatFixed(217.4374432, 0), "217");
  EXPECT_EQ(FormatFixed(1e20, 0), "100000000000000000000");
  EXPECT_EQ(FormatFixed(0.05, 1), "0.1");  // just above the tie
  EXPECT_EQ(FormatFixed(0.004, 2), "0.00");
  EXPECT_EQ(FormatFixed(-0.005, 2), "-0.01");  // -0.005000000000000000104
  EXPECT_EQ(FormatFixed(2.675, 2), "2.67");  // 2.67499999999999982236431605997495353221893310546875
  EXPECT_EQ(FormatFixed(0.125, 2), "0.13");
  EXPECT_EQ(FormatFixed(1.0625, 3), "1.063");
  EXPECT_EQ(FormatFixed(1.00005, 4), "1.0001");  // the slow path: more than three decimals
  EXPECT_EQ(FormatFixed(2.5e15, 1), "2500000000000000.0");
}

TEST(FormatFixed, MatchesTheExactDecimalExpansion) {
  // Values on both sides of every tie of the shown digits.
  for (int i = -20000; i <= 20000; ++i) {
    for (int decimals = 0; decimals <= 3; ++decimals) {
      const double v = i / 16.0 + 1e-9 * (i % 3);
      std::string viaString = "reused";
      FormatFixed(v, decimals, viaString);
      char buf[64];
      std::snprintf(buf, sizeof buf, "%.*f", decimals + 25, v);
      std::string s(buf);
      const bool neg = s[0] == '-';
      if (neg) s.erase(0, 1);
      const std::size_t point = s.find('.');
      const char next = s[point + 1 + static_cast<std::size_t>(decimals)];
      const std::string truncated = s.substr(0, point + (decimals ? 1 + decimals : 0));
      const std::string expected = (neg ? "-" : "") + truncated;
      if (next < '5')
        ASSERT_EQ(viaString, expected) << v << " " << decimals;
      else
        ASSERT_NE(viaString, expected) << v << " " << decimals;
    }
  }
}

TEST(FormatFixed, PointWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "pl_PL.UTF-8") || std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
    EXPECT_EQ(FormatFixed(2.25, 1), "2.3");
    EXPECT_EQ(FormatFixed(-1.05, 2), "-1.05");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(FormatFixed(3.75, 1), "3.8");
}
