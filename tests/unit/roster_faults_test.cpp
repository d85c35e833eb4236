#include "roster/roster_faults.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "fake_services.h"
#include "roster/roster_fault_log.h"
#include "roster_line.h"

namespace cardwedge {
namespace {

// The non-ASCII characters of the rosters below, in UTF-8 and in CP932.
const std::vector<std::pair<std::string, std::string>> kCp932 = {
    {"佐", "\x8D\xB2"}, {"藤", "\x93\xA1"}, {"山", "\x8E\x52"},
    {"田", "\x93\x63"}, {"０", "\x82\x4F"}, {"　", "\x81\x40"}};

std::string Replaced(std::string text, bool toCp932) {
  for (const auto& [utf8, cp932] : kCp932) {
    const std::string& from = toCp932 ? utf8 : cp932;
    const std::string& to = toCp932 ? cp932 : utf8;
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
      text.replace(at, from.size(), to);
    }
  }
  return text;
}

// Decodes the few CP932 characters above, as the system's code page would.
class Cp932Codec : public PassThroughTextCodec {
 public:
  std::string AnsiToUtf8(std::string_view ansi) override {
    return Replaced(std::string(ansi), false);
  }
};

struct Record {
  std::string value;
  std::string cardId;
};

// A blank first line puts each record on the line after its number.
Roster Load(const std::vector<Record>& records, bool cp932) {
  FakeFiles files;
  PassThroughTextCodec utf8;
  Cp932Codec ansi;
  std::string content = "\r\n";
  for (const Record& record : records) content += RosterLine(record.value, "佐藤", record.cardId);
  files.Write(kRosterFileName, cp932 ? Replaced(content, true) : content);
  return LoadRoster(files, cp932 ? static_cast<TextCodec&>(ansi) : utf8);
}

constexpr auto kError = RosterFaultLevel::kError;
constexpr auto kWarning = RosterFaultLevel::kWarning;
const std::string kIdm = "012E4C3A0F10889B";
const std::string k14 = "山田山田山田山田山田山田山田";  // 14 characters, 42 bytes

std::string HexOf(int i) {
  char text[17];
  std::snprintf(text, sizeof text, "%016X", static_cast<unsigned>(i));
  return text;
}

RosterFault Fault(RosterFaultKind kind, RosterFaultLevel level, int record, int other = 0) {
  return {kind, level, record, record + 1, other, other > 0 ? other + 1 : 0};
}

TEST(RosterFaultsTest, EachRuleFindsItsFaultsInBothEncodings) {
  using K = RosterFaultKind;
  const struct {
    const char* name;
    std::vector<Record> records;
    std::vector<RosterFault> faults;
  } rows[] = {
      {"column titles, then each common shape and an IDm as characters 15 to 30",
       {{"番号", "カードID"},
        {"1", kIdm},
        {"2", "5A3C9E21"},
        {"3", "04A22B1A5C3E80"},
        {"4", "04A22B1A5C3E8011AABB"},
        {"5", "UID:04A22B1A5C3E81"},
        {"6", k14 + "0114B3C2D1E0F789"}},
       {}},
      {"identifiers no reader gives, and an empty one",
       {{"1", "012e4c3a0f10889b"},
        {"2", "012E 4C3A0F10889B"},
        {"3", "０12E4C3A0F10889B"},
        {"4", "012E4C3A0F10889"},
        {"5", ""}},
       {Fault(K::kCardIdNoReaderGives, kError, 1), Fault(K::kCardIdNoReaderGives, kError, 2),
        Fault(K::kCardIdNoReaderGives, kError, 3), Fault(K::kCardIdNoReaderGives, kError, 4),
        Fault(K::kCardIdEmpty, kWarning, 5)}},
      {"lengths no common card gives; a short one is not hidden by a card ending in it",
       {{"1", "0114B3C2D1E0F77C"}, {"2", "7C"}, {"3", "0A1B2C3D4E5F"}},
       {Fault(K::kCardIdUnusualLength, kWarning, 2), Fault(K::kCardIdUnusualLength, kWarning, 3)}},
      {"records an earlier one hides; an empty identifier hides none",
       {{"1", ""},
        {"2", "04A22B1A5C3E80"},
        {"3", kIdm},
        {"4", kIdm},
        {"5", "5A3C9E21"},
        {"6", "5A3C9E21"},
        {"7", k14 + "0114B3C2D1E0F789"},
        {"8", "0114B3C2D1E0F789"},
        {"9", "7C"},
        {"10", "0114B3C2D1E0F77C"}},
       {Fault(K::kCardIdEmpty, kWarning, 1), Fault(K::kNeverFound, kError, 4, 3),
        Fault(K::kNeverFound, kError, 6, 5), Fault(K::kNeverFound, kError, 8, 7),
        Fault(K::kCardIdUnusualLength, kWarning, 9), Fault(K::kNeverFound, kError, 10, 9)}},
      {"the same number twice; a repeated record says so once",
       {{"24001", kIdm}, {"24001", "5A3C9E21"}, {"7", "04A22B1A5C3E80"}, {"7", "04A22B1A5C3E80"}},
       {Fault(K::kSameValue, kWarning, 2, 1), Fault(K::kNeverFound, kWarning, 4, 3)}},
      {"values never typed or read as 0",
       {{"12.5", "5A3C9E01"},
        {"", "5A3C9E02"},
        {"\" 12\"", "5A3C9E03"},
        {"-3", "5A3C9E04"},
        {"0", "5A3C9E05"},
        {"００", "5A3C9E06"}},
       {Fault(K::kValueNotTypeable, kError, 1), Fault(K::kValueNotTypeable, kError, 2),
        Fault(K::kValueNotTypeable, kError, 3), Fault(K::kValueNotTypeable, kError, 4),
        Fault(K::kValueNotTypeable, kError, 5), Fault(K::kValueNotTypeable, kError, 6)}},
  };
  for (const auto& row : rows) {
    for (const bool cp932 : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (cp932 ? ", CP932" : ", UTF-8"));
      EXPECT_EQ(FindRosterFaults(Load(row.records, cp932)), row.faults);
    }
  }
}

TEST(RosterFaultsTest, ARosterNearTheRecordLimitIsReported) {
  for (const int count : {9499, 9500}) {
    SCOPED_TRACE(count);
    std::vector<Record> records;
    for (int i = 1; i <= count; ++i) records.push_back({std::to_string(i), HexOf(i)});
    std::vector<RosterFault> expected;
    if (count >= 9500) expected.push_back({RosterFaultKind::kNearRecordLimit, kWarning});
    EXPECT_EQ(FindRosterFaults(Load(records, false)), expected);
  }
}

// Each text names the record and its line, the other record where there is one, and what to
// write instead where that can be told, on one line in both languages (a quoted field may hold a
// line break, and a field may be long).
TEST(RosterFaultsTest, TextsNameTheRecordsAndWhatToWrite) {
  const Roster roster = Load({{"1", "012e 4c3a-0f10889b"},
                              {"1", "5A3C9E21"},
                              {"2", "5A3C9E21"},
                              {"3", "\"AB\r\nCD\""},
                              {"4", std::string(70, 'x')}},
                             false);
  const auto faults = FindRosterFaults(roster);
  ASSERT_EQ(faults.size(), 5u);
  const struct {
    ReportLanguage language;
    std::vector<std::string> parts;
  } rows[] = {
      {ReportLanguage::kEnglish,
       {"record 1 (line 2): ", "\"012E4C3A0F10889B\"", "record 2 (line 3): ", "record 3 (line 4): ",
        "record 2 (line 3)", "\"AB\\r\\nCD\"", "\"" + std::string(64, 'x') + "...\""}},
      {ReportLanguage::kJapanese,
       {"レコード1 (2行目): ", "\"012E4C3A0F10889B\"",
        "レコード2 (3行目): ", "レコード3 (4行目): ", "レコード2 (3行目)", "\"AB\\r\\nCD\""}},
  };
  for (const auto& row : rows) {
    std::string texts;
    for (const RosterFault& fault : faults) {
      const std::string text = RosterFaultText(fault, roster, row.language);
      EXPECT_EQ(text.find('\n'), std::string::npos) << text;
      texts += text + "\n";
    }
    for (const std::string& part : row.parts) {
      EXPECT_NE(texts.find(part), std::string::npos) << part << " in\n" << texts;
    }
  }
}

TEST(RosterFaultsTest, TheLogTellsTheCountsAScreenfulAndHowManyMoreOncePerReport) {
  std::vector<Record> records;
  for (int i = 1; i <= 25; ++i) records.push_back({"0", HexOf(i)});
  const Roster roster = Load(records, false);
  std::vector<std::string> lines;
  SetDiagnosticsSink([&](std::string_view line) { lines.emplace_back(line); });
  std::set<std::string> logged;
  LogRosterFaults(roster, logged);
  LogRosterFaults(roster, logged);
  SetDiagnosticsSink(nullptr);
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines.front().find("roster: 25 faults (25 errors, 0 warnings) in \""), 0u)
      << lines.front();
  EXPECT_EQ(lines[1].find("roster error: record 1 (line 2): "), 0u) << lines[1];
  EXPECT_EQ(lines.back().find("roster: ... and 5 more"), 0u) << lines.back();
}

}  // namespace
}  // namespace cardwedge
