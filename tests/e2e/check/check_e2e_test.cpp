// `cardwedge --check [SECONDS]` as an IT person runs it in a terminal: the real pcscd with the
// vpcd readers, the emulated FeliCa reader, and a program folder of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "program_copy.h"
#include "testbed.h"

namespace cardwedge::testbed {
namespace {

constexpr char kRoster[] = "メールデータ2.csv";
constexpr int kCheckEnds = 30'000;

std::string Record(const std::string& value, const std::string& text, const std::string& card) {
  std::string line = "r," + value + "," + text;
  for (int field = 4; field <= 50; ++field) line += field == 49 ? "," + card : ",";
  return line + "\r\n";
}

bool AnyLine(const std::vector<std::string>& lines, const std::string& start,
             const std::vector<std::string>& parts) {
  return std::ranges::any_of(lines, [&](const std::string& line) {
    return line.starts_with(start) && std::ranges::all_of(parts, [&](const std::string& part) {
             return line.find(part) != std::string::npos;
           });
  });
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class CheckE2e : public ::testing::Test {
 protected:
  CheckE2e() { pcscd_.Start(); }

  ChildProcess& Check(ProgramCopy& program, const std::vector<std::string>& words) {
    std::vector<std::string> all{"--check"};
    all.insert(all.end(), words.begin(), words.end());
    return program.Start(all, {{"DISPLAY", xvfb_.display()},
                               {"LIBNFC_DEVICE", felicaReader_.connstring()},
                               {"LC_ALL", "C"}});
  }

  Xvfb xvfb_;
  Pcscd pcscd_;
  Pn532Emulator felicaReader_;
};

TEST_F(CheckE2e, ExitStatusTellsWhetherAnythingStopsCards) {
  const struct {
    const char* name;
    bool host;
    const char* roster;  // nullptr: no roster file
    int status;
  } rows[] = {
      {"clean, host running", true, "", 0},
      {"clean, no host", false, "", 1},
      {"two records with one value", true, "same", 1},
      {"no roster", true, nullptr, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ProgramCopy program;
    if (row.host) program.StartHost();
    if (row.roster == nullptr) {
      std::filesystem::remove(program.PathOf(kRoster));
    } else if (std::string(row.roster) == "same") {
      program.Write(kRoster, Record("24001", "a", "012E4C3A0F10889B") +
                                 Record("24001", "b", "0114B3C2D1E0F789"));
    }
    ChildProcess& check = Check(program, {});
    EXPECT_TRUE(ExitedWith(check.Wait(Duration(kCheckEnds)), row.status)) << Joined(check.Lines());
  }
}

TEST_F(CheckE2e, ReportNamesEachRosterFaultBothReadersAndTheCardsLaidDuringTheWait) {
  ProgramCopy program;
  program.Write(kRoster, Record("24001", "佐藤", "012E4C3A0F10889B") +
                             Record("24002", "鈴木", "04a22b1a5c3e80") +
                             Record("24001", "高橋", "0114B3C2D1E0F789") +
                             Record("12.5", "田中", "5A3C9E21") +
                             Record("24005", "渡辺", "012E4C3A0F10889B"));
  VirtualCard card;
  ChildProcess& check = Check(program, {"10"});
  check.WaitForLine(
      [](std::string_view line) { return line.find("waiting 10 seconds") != line.npos; },
      Duration(kCheckEnds), "the wait for cards");
  felicaReader_.Card("0114B3C2D1E0F789");
  card.Insert("5A3C9E21");
  const auto result = check.Wait(Duration(kCheckEnds));
  const std::vector<std::string> lines = check.Lines();
  SCOPED_TRACE(Joined(lines));
  EXPECT_TRUE(ExitedWith(result, 2) || ExitedWith(result, 1));

  for (const char* record : {"record 2", "record 3", "record 4", "record 5"}) {
    SCOPED_TRACE(record);
    EXPECT_TRUE(AnyLine(lines, "", {"roster:", record}));
  }
  EXPECT_TRUE(AnyLine(lines, "OK", {"FeliCa reader:", "the reader is present"}));
  EXPECT_TRUE(
      AnyLine(lines, "OK", {"PC/SC readers:", "\"Virtual PCD 00 00\"", "\"Virtual PCD 00 01\""}));
  EXPECT_TRUE(AnyLine(lines, "OK",
                      {"card on the FeliCa reader", "\"0114B3C2D1E0F789\" is record 3 (line 3",
                       "types 24001 and Enter"}));
  EXPECT_TRUE(AnyLine(lines, "WARNING",
                      {"card on the PC/SC reader \"Virtual PCD 00 00\"",
                       "\"5A3C9E21\" is record 4 (line 4", "never typed"}));
}

}  // namespace
}  // namespace cardwedge::testbed
