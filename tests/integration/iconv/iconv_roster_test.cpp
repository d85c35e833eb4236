#include <gtest/gtest.h>

#include "fake_services.h"
#include "platform/linux/iconv_text_codec.h"
#include "roster/roster.h"
#include "roster_line.h"

namespace cardwedge {
namespace {

TEST(IconvRosterTest, Cp932AndUtf8RostersGiveTheSameText) {
  FakeFiles files;
  IconvTextCodec codec;
  // "佐藤表" in CP932 (表 ends with a backslash byte) and in UTF-8.
  files.Write(kRosterFileName, RosterLine("1", "\x8D\xB2\x93\xA1\x95\x5C", "c"));
  EXPECT_EQ(LoadRoster(files, codec).RosterText[1], "佐藤表");
  files.Write(kRosterFileName, RosterLine("1", "佐藤表", "c"));
  EXPECT_EQ(LoadRoster(files, codec).RosterText[1], "佐藤表");
}

}  // namespace
}  // namespace cardwedge
