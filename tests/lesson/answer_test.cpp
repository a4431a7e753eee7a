#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "lesson/answer_check.h"
#include "lesson/answer_input.h"

namespace {

std::string MessageOf(std::string_view text) {
  try {
    ConvertAnswer(text);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(AnswerCheck, BoundsAreInclusiveAroundOneMetreOverTheTime) {
  // 121 m in 10 ticks: right from 12 to 12.2.
  EXPECT_EQ(CheckAnswer("12", 121, 10), true);
  EXPECT_EQ(CheckAnswer("12.1", 121, 10), true);
  EXPECT_EQ(CheckAnswer("12.2", 121, 10), true);
  EXPECT_EQ(CheckAnswer("11.9", 121, 10), false);
  EXPECT_EQ(CheckAnswer("12.3", 121, 10), false);
  EXPECT_EQ(CheckAnswer("-3", 121, 10), false);
  // A short run has a lower bound below zero, so a negative answer can be right.
  EXPECT_EQ(CheckAnswer("-0.1", 0.5, 5), true);
}

TEST(AnswerCheck, WithNoTimeOnlyZeroIsRight) {
  EXPECT_EQ(CheckAnswer("0", 35.5, 0), true);
  EXPECT_EQ(CheckAnswer("-0", 35.5, 0), true);
  EXPECT_EQ(CheckAnswer("0.0", 35.5, 0), true);
  EXPECT_EQ(CheckAnswer("0.001", 35.5, 0), false);
  EXPECT_EQ(CheckAnswer("35.5", 35.5, 0), false);
}

TEST(AnswerCheck, EmptyAndPointFirstAnswersAreNotJudged) {
  EXPECT_EQ(CheckAnswer("", 121, 10), std::nullopt);
  EXPECT_EQ(CheckAnswer(".5", 121, 10), std::nullopt);
  EXPECT_EQ(CheckAnswer(".", 121, 10), std::nullopt);
  EXPECT_EQ(CheckAnswer("..", 121, 10), std::nullopt);
}

TEST(AnswerCheck, NotANumberRaisesEZamiana) {
  EXPECT_THROW(CheckAnswer("1.2.3", 121, 10), EZamiana);
  EXPECT_EQ(MessageOf("1.2.3"), "Błędnie podana liczba.");
  // EZamiana is a conversion error and, through it, one of the program's errors.
  EXPECT_THROW(ConvertAnswer("abc"), EConvertError);
  EXPECT_THROW(ConvertAnswer("abc"), Exception);
}

// The forms that count as numbers beyond plain ones, and those that do not.
TEST(AnswerCheck, WhichTextsAreNumbers) {
  EXPECT_DOUBLE_EQ(ConvertAnswer("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(ConvertAnswer("-3"), -3);
  EXPECT_DOUBLE_EQ(ConvertAnswer("007"), 7);
  EXPECT_DOUBLE_EQ(ConvertAnswer("12."), 12);      // a trailing point
  EXPECT_DOUBLE_EQ(ConvertAnswer("-.5"), -0.5);    // a minus before the point
  EXPECT_DOUBLE_EQ(ConvertAnswer(".5"), 0.5);      // only the check skips these
  EXPECT_TRUE(std::signbit(ConvertAnswer("-0")));  // negative zero is still zero
  // Far too small to tell from zero is zero; far too large is not a number.
  EXPECT_EQ(ConvertAnswer("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_THROW(ConvertAnswer("1" + std::string(400, '0')), EZamiana);

  for (const char* bad : {"-", "-.", ".", "1-2", "--1", "+1", "1e3", " 1", "1 ", "12,5", "0x1",
                          "inf", "nan", "1.2.3"})
    EXPECT_THROW(ConvertAnswer(bad), EZamiana) << bad;
}

TEST(AnswerInput, KeysTakenAndRefused) {
  EXPECT_EQ(FilterAnswerKey(U','), U'.');
  for (char32_t c : {U'0', U'5', U'9', U'-', U'.', char32_t{8}}) EXPECT_EQ(FilterAnswerKey(c), c);
  // Letters, blanks, Polish letters and the copy, paste and undo shortcuts' characters.
  for (char32_t c : {U'a', U'E', U' ', U'ś', U'+', char32_t{3}, char32_t{22}, char32_t{26},
                     char32_t{13}, char32_t{127}})
    EXPECT_EQ(FilterAnswerKey(c), std::nullopt) << static_cast<int>(c);
}
