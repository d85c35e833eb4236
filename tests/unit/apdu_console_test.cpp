#include "pcsc/apdu_console.h"

#include <gtest/gtest.h>

namespace cardwedge {
namespace {

TEST(ApduConsoleTest, KeyFilterPassesHexDigitsInUpperCaseAndControlKeys) {
  struct Case {
    int key;
    int passed;
  };
  for (const Case& c :
       {Case{'a', 'A'}, Case{'f', 'F'}, Case{'0', '0'}, Case{'C', 'C'}, Case{8, 8}, Case{'g', 0},
        Case{'x', 0}, Case{'G', 0}, Case{'!', 0}, Case{' ', 0}, Case{200, 0}}) {
    int key = c.key;
    FilterHexKey(key);
    EXPECT_EQ(key, c.passed) << c.key;
  }
}

TEST(ApduConsoleTest, CommandsAreAssembledFromTheFields) {
  using Bytes = std::vector<std::uint8_t>;
  struct Case {
    ConsoleFields fields;
    Bytes bytes;
  };
  for (const Case& c : {
           Case{{"00", "A4", "04", "00", "02", "", "3F 00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "02", "10", "3F00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00, 0x10}},
           Case{{"80", "", "", "01", "02", "03", "zz"}, {0x80}},
           Case{{"80", "CA", "", "", "", "", ""}, {0x80, 0xCA}},
           Case{{"80", "", "01", "02", "", "", ""}, {0x80, 0x00, 0x01, 0x02}},
           Case{{"FF", "CA", "00", "00", "", "20", ""}, {0xFF, 0xCA, 0x00, 0x00, 0x20}},
           Case{{"FF", "CA", "00", "00", "00", "20", "zz"}, {0xFF, 0xCA, 0x00, 0x00, 0x00, 0x20}},
           Case{{"00", "A4", "04", "00", "02", "", "3F\r\n00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "02", "", "   3F00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "01", "", "3F00"}, {0x00, 0xA4, 0x04, 0x00, 0x01, 0x3F}},
           Case{{"a", "b", "c", "d", "", "", ""}, {0x0A, 0x0B, 0x0C, 0x0D}},
       }) {
    const auto assembled = AssembleConsoleCommand(c.fields);
    ASSERT_TRUE(std::holds_alternative<ConsoleCommand>(assembled)) << c.fields.Data;
    EXPECT_EQ(std::get<ConsoleCommand>(assembled), c.bytes);
  }
}

TEST(ApduConsoleTest, InputTheConsoleCannotHandleIsRefusedAtItsField) {
  struct Case {
    ConsoleFields fields;
    ConsoleRefusal refusal;
  };
  const std::string longData(100, 'A');
  for (const Case& c : {
           Case{{"", "A4", "04", "00", "", "", ""}, {"tbCLA", true}},
           Case{{"00", "A4", "04", "", "", "", ""}, {"tbP2", true}},
           Case{{"00", "A4", "04", "00", "02", "", "3F"}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "32", "", std::string(99, 'A')}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "01", "", longData}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "02", "", "3G00"}, {"tbData"}},
           Case{{"0x", "A4", "", "", "", "", ""}, {"tbCLA"}},
           Case{{"00", "A4", "04", "00", "", "!", ""}, {"tbLe"}},
           Case{{"00", "A4", "04", "00", "2", "", "3F 0"}, {"tbData"}},
       }) {
    const auto assembled = AssembleConsoleCommand(c.fields);
    ASSERT_TRUE(std::holds_alternative<ConsoleRefusal>(assembled)) << c.fields.Data;
    EXPECT_EQ(std::get<ConsoleRefusal>(assembled), c.refusal) << c.fields.Data;
  }
}

}  // namespace
}  // namespace cardwedge
