// The real program in a program folder of its own lives as long as its host and obeys the
// switch file.

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "fake_services.h"
#include "program_copy.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "temp_folder_files.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;
using testbed::ChildProcess;
using testbed::Duration;
using testbed::ProcessOptions;

// Longer than one host check (10 s) with room for a busy machine.
constexpr Duration kHostCheckTimeout = 30s;

bool ExitedWithStatusZero(std::optional<int> status) { return testbed::ExitedWith(status, 0); }

// A copy of the program in a folder of its own, run as `cardwedge <flag> 3` (the PC/SC window).
class ProgramCopy {
 public:
  // Its PC/SC window stays off any pcscd that other tests run, so it never reads their cards.
  explicit ProgramCopy(const std::string& flag) {
    copy_.Start({flag, "3"},
                {{"PCSCLITE_CSOCK_NAME", copy_.PathOf("runtime").string() + "/no-pcscd"}});
  }

  bool WaitUntilRunning() { return copy_.WaitUntilRunning(); }
  bool Ended() { return copy_.process().Wait(0ms).has_value(); }
  std::optional<int> WaitForEnd(Duration timeout) { return copy_.process().Wait(timeout); }
  void WriteSwitchFile(const std::string& content) { copy_.Write(kSwitchFileName, content); }

 private:
  testbed::ProgramCopy copy_;
};

// A stand-in for the host: a copy of sleep named like the host's executable.
class Host {
 public:
  Host() {
    const std::filesystem::path executable = folder_.PathOf(kHostProcessName);
    std::filesystem::copy_file("/bin/sleep", executable);
    process_.emplace(std::vector<std::string>{executable.string(), "1000"});
  }

  // Kills the host and reaps it, so it no longer exists at all.
  void Kill() {
    process_->Kill();
    ASSERT_TRUE(process_->Wait(testbed::kEventTimeout).has_value());
  }

 private:
  TempFolderFiles folder_;
  std::optional<ChildProcess> process_;
};

TEST(HostWatchE2e, WithoutTheHostTheProgramEndsAtTheFirstHostCheck) {
  ProgramCopy program("0");
  ASSERT_TRUE(program.WaitUntilRunning());
  EXPECT_TRUE(ExitedWithStatusZero(program.WaitForEnd(kHostCheckTimeout)));
}

TEST(HostWatchE2e, FlagOneKeepsTheProgramRunningWithoutTheHost) {
  ProgramCopy program("1");
  ASSERT_TRUE(program.WaitUntilRunning());
  // A second copy with the watch on, started later, ends at its first host check; by then the
  // first copy has made its own first check.
  ProgramCopy witness("0");
  ASSERT_TRUE(witness.WaitUntilRunning());
  ASSERT_TRUE(ExitedWithStatusZero(witness.WaitForEnd(kHostCheckTimeout)));
  EXPECT_FALSE(program.Ended());
}

TEST(HostWatchE2e, TheProgramLivesWhileTheHostRunsAndEndsAfterItIsKilled) {
  Host host;
  ProgramCopy program("0");
  ASSERT_TRUE(program.WaitUntilRunning());
  // No state shows that a host check has passed, so this waits out the first one: it comes
  // 10 s after the window loads, which was at least 1 s before the switch file appeared.
  EXPECT_FALSE(program.WaitForEnd(11s).has_value());
  host.Kill();
  EXPECT_TRUE(ExitedWithStatusZero(program.WaitForEnd(kHostCheckTimeout)));
}

TEST(HostWatchE2e, NineInTheSwitchFileEndsTheProgram) {
  ProgramCopy program("1");
  ASSERT_TRUE(program.WaitUntilRunning());
  program.WriteSwitchFile("9\r\n");
  EXPECT_TRUE(ExitedWithStatusZero(program.WaitForEnd(testbed::kEventTimeout)));
}

}  // namespace
}  // namespace cardwedge
