#include "roster/read_rules.h"

#include <gtest/gtest.h>

namespace cardwedge {
namespace {

TEST(ElapsedSince, CountsAcrossMidnight) {
  EXPECT_DOUBLE_EQ(ElapsedSince(100.0, 90.0), 10.0);
  EXPECT_NEAR(ElapsedSince(3.0, 86398.0), 5.0, 1e-9);
  // An empty last read time counts as 0.
  EXPECT_DOUBLE_EQ(ElapsedSince(36000.0, 0.0), 36000.0);
}

TEST(RepeatAccepted, SameCardNeedsMoreThanTenSecondsOrThreeForRecordTwo) {
  EXPECT_TRUE(RepeatAccepted("A", "B", 0.1, 0));
  EXPECT_TRUE(RepeatAccepted("A", "", 0.0, 0));
  EXPECT_FALSE(RepeatAccepted("A", "A", 10.0, 0));
  EXPECT_TRUE(RepeatAccepted("A", "A", 10.01, 0));
  EXPECT_FALSE(RepeatAccepted("A", "A", 3.0, 1));
  EXPECT_TRUE(RepeatAccepted("A", "A", 3.01, 1));
  EXPECT_FALSE(RepeatAccepted("A", "A", 5.0, 0));
}

TEST(ClassifyFoundValue, OnlyNonZeroDigitTextsAreTyped) {
  EXPECT_EQ(ClassifyFoundValue(std::nullopt), FoundValue::kNotFound);
  EXPECT_EQ(ClassifyFoundValue("0"), FoundValue::kNotFound);
  EXPECT_EQ(ClassifyFoundValue("000"), FoundValue::kNotFound);
  EXPECT_EQ(ClassifyFoundValue("00123"), FoundValue::kTypeable);
  for (const char* bad : {"", "abc", "12.5", "-3", " 12", "1e3"}) {
    EXPECT_EQ(ClassifyFoundValue(std::string(bad)), FoundValue::kUntypeable) << bad;
  }
}

}  // namespace
}  // namespace cardwedge
