#include "sim/number_format.h"

#include <gtest/gtest.h>

#include <clocale>

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
