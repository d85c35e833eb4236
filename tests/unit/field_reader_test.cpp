#include "roster/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cardwedge {
namespace {

std::vector<std::string> Fields(const std::string& text) {
  FieldReader reader(text);
  std::vector<std::string> fields;
  std::string field;
  while (reader.Next(field)) fields.push_back(field);
  return fields;
}

using Fields_ = std::vector<std::string>;

TEST(FieldReader, CommasAndLineEndsBothSeparateFields) {
  EXPECT_EQ(Fields("a,b\r\nc,d\ne"), (Fields_{"a", "b", "c", "d", "e"}));
  EXPECT_EQ(Fields("a,,b"), (Fields_{"a", "", "b"}));
  EXPECT_EQ(Fields("a,\nb"), (Fields_{"a", "", "b"}));
  EXPECT_EQ(Fields("a,"), (Fields_{"a", ""}));
  EXPECT_EQ(Fields(""), Fields_{});
}

TEST(FieldReader, SpacesAroundUnquotedFieldsAreDropped) {
  EXPECT_EQ(Fields("  a b  ,   c\n d "), (Fields_{"a b", "c", "d"}));
}

TEST(FieldReader, QuotedFieldKeepsCommasSpacesAndLineEnds) {
  EXPECT_EQ(Fields("\" a, b \",\"0012\", \"x\"\n"), (Fields_{" a, b ", "0012", "x"}));
  EXPECT_EQ(Fields("\"two\nlines\",z"), (Fields_{"two\nlines", "z"}));
  // Text between the closing quote and the separator is dropped.
  EXPECT_EQ(Fields("\"a\"junk,b"), (Fields_{"a", "b"}));
  // An unclosed quote runs to the end of the text.
  EXPECT_EQ(Fields("\"open, field"), (Fields_{"open, field"}));
}

TEST(FieldReader, BlankLinesAreSkipped) {
  EXPECT_EQ(Fields("\n\r\na\n\n  \nb\r\n\r\n"), (Fields_{"a", "b"}));
  FieldReader reader("a\n\n\n");
  std::string field;
  ASSERT_TRUE(reader.Next(field));
  EXPECT_TRUE(reader.AtEnd());
}

TEST(FieldReader, MultiByteTextWithBackslashSecondByteStaysWhole) {
  // CP932 "表" is 0x95 0x5C: its second byte is the backslash.
  const std::string hyou = "\x95\x5C";
  EXPECT_EQ(Fields(hyou + "," + hyou + "x"), (Fields_{hyou, hyou + "x"}));
}

TEST(FieldReader, ReportsTheLineOfEachField) {
  FieldReader reader("a,b\n\nc\r\n\"d\ne\",f");
  std::string field;
  std::vector<int> lines;
  while (reader.Next(field)) lines.push_back(reader.Line());
  EXPECT_EQ(lines, (std::vector<int>{1, 1, 3, 4, 5}));
}

TEST(LastField, GivesTheLastFieldOrEmptyText) {
  EXPECT_EQ(LastField(""), "");
  EXPECT_EQ(LastField("C:\\A\r\nD:\\B\r\n"), "D:\\B");
  EXPECT_EQ(LastField("x, y"), "y");
  EXPECT_EQ(LastField("\"/data/a,b\""), "/data/a,b");
}

}  // namespace
}  // namespace cardwedge
