#include "common/number_text.h"

#include <gtest/gtest.h>

namespace cardwedge {
namespace {

TEST(ParseNumber, ReadsWholeTextsByValue) {
  EXPECT_EQ(ParseNumber("01"), 1.0);
  EXPECT_EQ(ParseNumber("2.0"), 2.0);
  EXPECT_EQ(ParseNumber(" 3 "), 3.0);
  EXPECT_EQ(ParseNumber("-4"), -4.0);
  EXPECT_EQ(ParseNumber("1e1"), 10.0);
  EXPECT_EQ(ParseNumber(".5"), 0.5);
  for (const char* bad : {"", " ", "x", "1x", "1 2", ".", "-", "0x10", "inf", "nan", "1e"}) {
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
  }
}

TEST(LeadingNumber, ReadsUpToTheFirstCharacterThatCannotContinue) {
  EXPECT_EQ(LeadingNumber("1x"), 1.0);
  EXPECT_EQ(LeadingNumber(" 8"), 8.0);
  EXPECT_EQ(LeadingNumber("abc"), 0.0);
  EXPECT_EQ(LeadingNumber(""), 0.0);
  EXPECT_EQ(LeadingNumber("9.5z"), 9.5);
}

TEST(IsDigitsOnly, AcceptsOnlyNonEmptyDigitTexts) {
  EXPECT_TRUE(IsDigitsOnly("00123"));
  for (const char* bad : {"", " 12", "12.5", "-3", "1e3", "１２"}) {
    EXPECT_FALSE(IsDigitsOnly(bad)) << bad;
  }
}

}  // namespace
}  // namespace cardwedge
