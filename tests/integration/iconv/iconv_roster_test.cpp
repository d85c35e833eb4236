#include <gtest/gtest.h>

#include "fake_services.h"
#include "platform/linux/iconv_text_codec.h"
#include "roster/roster.h"
#include "roster/roster_faults.h"
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

// A full-width digit in a CP932 card identifier is found as such, and the fix is named.
TEST(IconvRosterTest, Cp932CardIdentifierWithAFullWidthDigitIsAFault) {
  FakeFiles files;
  IconvTextCodec codec;
  files.Write(kRosterFileName, RosterLine("1", "\x8D\xB2",
                                          "\x82\x4F"
                                          "12E4C3A0F10889B"));
  const Roster roster = LoadRoster(files, codec);
  const std::vector<RosterFault> faults = FindRosterFaults(roster);
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].kind, RosterFaultKind::kCardIdNoReaderGives);
  const std::string text = RosterFaultText(faults[0], roster, ReportLanguage::kEnglish);
  EXPECT_NE(text.find("\"０12E4C3A0F10889B\""), std::string::npos) << text;
  EXPECT_NE(text.find("write \"012E4C3A0F10889B\""), std::string::npos) << text;
}

}  // namespace
}  // namespace cardwedge
