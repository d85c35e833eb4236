#include "check/site_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "check/check_report.h"
#include "fake_platform.h"
#include "roster_line.h"
#include "startup/command_line.h"

namespace cardwedge {
namespace {

// A program folder the log may always be written to.
class WritableLogFiles : public LogFiles {
 public:
  void Append(const std::string&, std::string_view) override {}
  std::uintmax_t Size(const std::string&) override { return 0; }
  void Replace(const std::string&, const std::string&) override {}
  bool MayWrite(const std::string&) override { return true; }
  std::string UserFolderPath(const std::string& name) override { return name; }
};

class FakeSiteProbes : public SiteProbes {
 public:
  LibraryOrigin FelicaLibraryOrigin() override { return origin; }
  bool FolderExists(const std::string&) override { return true; }
  bool JapaneseUser() override { return false; }
  LogFiles& logFiles() override { return logFiles_; }

  LibraryOrigin origin{.where = "test library"};
  WritableLogFiles logFiles_;
};

std::vector<Finding> CheckReaders(FakePlatform& fake, FakeSiteProbes& probes) {
  std::vector<Finding> findings;
  SiteCheck check(fake.platform, probes, [&](const Finding& f) { findings.push_back(f); });
  check.CheckSetUp();
  return findings;
}

// A desk may serve one reader family only: the other family's faults stop cards only when
// neither family can read.
TEST(SiteCheckTest, AReaderFamilyThatCannotReadIsAnErrorOnlyWhenTheOtherCannotEither) {
  const struct {
    const char* name;
    LibraryLoadFault felicaFault;
    bool pcscReader;
    FindingLevel worstReaderLevel;
  } rows[] = {
      {"both read", LibraryLoadFault::kNone, true, FindingLevel::kOk},
      {"no FeliCa library", LibraryLoadFault::kMissingRuntime, true, FindingLevel::kWarning},
      {"no PC/SC reader", LibraryLoadFault::kNone, false, FindingLevel::kWarning},
      {"neither", LibraryLoadFault::kWrongBitness, false, FindingLevel::kError},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FakePlatform fake;
    fake.files.Write(kRosterFileName, RosterLine("101", "A", "0101010101010101"));
    fake.felica.readerOpen = true;
    if (!row.pcscReader) fake.smartCard.readers.clear();
    FakeSiteProbes probes;
    probes.origin.fault = row.felicaFault;
    FindingLevel worst = FindingLevel::kOk;
    for (const Finding& finding : CheckReaders(fake, probes)) {
      const bool reader = finding.topic.english.starts_with("FeliCa") ||
                          finding.topic.english.starts_with("PC/SC") ||
                          finding.topic.english.starts_with("smart-card");
      if (reader) worst = std::max(worst, finding.level);
    }
    EXPECT_EQ(worst, row.worstReaderLevel);
  }
}

TEST(SiteCheckTest, CheckCommandTakesOneWholeNumberOfSecondsUpToAnHour) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(ReadCheckCommand(Words{}), std::nullopt);
  EXPECT_EQ(ReadCheckCommand(Words{"1", "4"}), std::nullopt);
  EXPECT_EQ(ReadCheckCommand(Words{"--check"}), 0);
  EXPECT_EQ(ReadCheckCommand(Words{"--check", "3600"}), 3600);
  for (const Words& malformed :
       {Words{"--check", "3601"}, Words{"--check", "-1"}, Words{"--check", "1.5"},
        Words{"--check", ""}, Words{"--check", "30", "4"}}) {
    SCOPED_TRACE(malformed.back());
    EXPECT_THROW(ReadCheckCommand(malformed), CommandLineError);
  }
  EXPECT_EQ(CheckExitStatus(false, false), 0);
  EXPECT_EQ(CheckExitStatus(true, false), 1);
  EXPECT_EQ(CheckExitStatus(true, true), 2);
}

}  // namespace
}  // namespace cardwedge
