#include "roster/host_watch.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "fake_platform.h"

namespace cardwedge {
namespace {

constexpr int kUnchanged = 5;  // a read mode no switch value sets, to see it kept

class HostWatchTest : public ::testing::Test {
 protected:
  // The read mode after one switch-file tick starting from kUnchanged, or nothing when the tick
  // ended the program.
  std::optional<int> ReadModeAfterTick(SwitchReading reading) {
    HostWatch watch(fake.platform, fake.state.ProcessCheckOff, reading, "FeliCa");
    int readMode = kUnchanged;
    try {
      watch.SwitchFileTick(readMode);
    } catch (const ProgramEnded& ended) {
      EXPECT_EQ(ended.status, 0);
      return std::nullopt;
    }
    return readMode;
  }

  FakePlatform fake;
};

TEST_F(HostWatchTest, SwitchValuesSetTheReadModeInBothWindows) {
  struct Case {
    const char* content;
    std::optional<int> felica;
    std::optional<int> pcsc;
  };
  for (const Case& c : {
           Case{"0", kLookupMode, kLookupMode},
           Case{"1", kRawIdMode, kRawIdMode},
           Case{"8", kPausedMode, kPausedMode},
           Case{"9", std::nullopt, std::nullopt},
           Case{"5", kUnchanged, kUnchanged},
           Case{"", kLookupMode, kLookupMode},
           Case{"8\r\n0\r\n", kLookupMode, kLookupMode},
           Case{"9,1", kRawIdMode, kRawIdMode},
           Case{"abc", kUnchanged, kLookupMode},
           Case{" 1x", kUnchanged, kRawIdMode},
           Case{"9x", kUnchanged, std::nullopt},
           Case{"1.0", kRawIdMode, kRawIdMode},
       }) {
    fake.files.Write(kSwitchFileName, c.content);
    EXPECT_EQ(ReadModeAfterTick(SwitchReading::kWholeNumber), c.felica) << '"' << c.content << '"';
    EXPECT_EQ(ReadModeAfterTick(SwitchReading::kLeadingNumber), c.pcsc) << '"' << c.content << '"';
  }
}

// Ending the process kills the reader watch thread wherever it stands, even inside the service's
// library: both endings stop the watch first (the fake's End throws, so a later stop never runs).
TEST_F(HostWatchTest, HostGoneAndSwitchNineStopTheReaderWatchBeforeTheEnd) {
  HostWatch watch(fake.platform, fake.state.ProcessCheckOff, SwitchReading::kWholeNumber, "FeliCa");
  fake.smartCard.WatchReader("R", [](ReaderChange) {});
  fake.files.Write(kSwitchFileName, "9");
  int readMode = kLookupMode;
  EXPECT_THROW(watch.SwitchFileTick(readMode), ProgramEnded);
  EXPECT_EQ(fake.smartCard.watchedReader, std::nullopt);

  fake.smartCard.WatchReader("R", [](ReaderChange) {});
  EXPECT_THROW(watch.HostCheck(), ProgramEnded);
  EXPECT_EQ(fake.smartCard.watchedReader, std::nullopt);
}

TEST_F(HostWatchTest, AMissingSwitchFileIsCreatedEmptyAndMeansLookup) {
  ASSERT_FALSE(fake.files.Exists(kSwitchFileName));
  EXPECT_EQ(ReadModeAfterTick(SwitchReading::kLeadingNumber), kLookupMode);
  EXPECT_TRUE(fake.files.Exists(kSwitchFileName));
  EXPECT_EQ(fake.files.Read(kSwitchFileName), "");
}

TEST_F(HostWatchTest, AnUnreadableSwitchFileKeepsTheModeUntilItCanBeRead) {
  fake.files.MakeFolder(kSwitchFileName);
  EXPECT_EQ(ReadModeAfterTick(SwitchReading::kWholeNumber), kUnchanged);
  fake.files.Remove(kSwitchFileName);

  fake.files.Write(kSwitchFileName, std::string(64 * 1024, ' ') + "9");
  EXPECT_EQ(ReadModeAfterTick(SwitchReading::kLeadingNumber), kUnchanged);

  fake.files.Write(kSwitchFileName, "1");
  EXPECT_EQ(ReadModeAfterTick(SwitchReading::kLeadingNumber), kRawIdMode);
}

// The switch file is read every second: a line tells the first mode it sets and then each change,
// never a reading that leaves the mode as it was.
TEST_F(HostWatchTest, ReadModeLinesTellTheFirstModeAndEachChangeOnly) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&lines](std::string_view line) { lines.emplace_back(line); });
  HostWatch watch(fake.platform, fake.state.ProcessCheckOff, SwitchReading::kLeadingNumber,
                  "PC/SC");
  int readMode = kLookupMode;
  for (const char* content : {"5", "", "0", "8", "8", "5", "1", "1", "0"}) {
    fake.files.Write(kSwitchFileName, content);
    watch.SwitchFileTick(readMode);
  }
  SetDiagnosticsSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{"PC/SC read mode: lookup (switch file 0)",
                                             "PC/SC read mode: paused (switch file 8)",
                                             "PC/SC read mode: raw ID (switch file 1)",
                                             "PC/SC read mode: lookup (switch file 0)"}));
}

// A failed look at the process list says nothing about the host: the program keeps running, and
// says so once, not at every check; a list that says the host is gone still ends it.
TEST_F(HostWatchTest, AProcessListThatCannotBeReadKeepsTheProgramRunningWithOneLine) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&lines](std::string_view line) { lines.emplace_back(line); });
  HostWatch watch(fake.platform, fake.state.ProcessCheckOff, SwitchReading::kWholeNumber, "FeliCa");
  fake.processes.listFails = true;
  for (int tick = 0; tick < 3; ++tick) EXPECT_NO_THROW(watch.HostCheckTick());
  fake.processes.listFails = false;
  fake.processes.running.insert(kHostProcessName);
  watch.HostCheckTick();
  fake.processes.listFails = true;
  watch.HostCheckTick();
  fake.processes.listFails = false;
  fake.processes.running.clear();
  EXPECT_THROW(watch.HostCheckTick(), ProgramEnded);
  SetDiagnosticsSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "the process list cannot be read: the host is taken as running",
                       "the process list cannot be read: the host is taken as running",
                       "the host Rollbook.exe is not running: ending"}));
}

}  // namespace
}  // namespace cardwedge
