// The process handling every test relies on: no leaked descriptors, nothing left running,
// failures reported instead of hangs.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "child_process.h"

namespace cardwedge::testbed {
namespace {

using namespace std::chrono_literals;

// True once the process is gone or a zombie waiting for its new parent to reap it.
bool HasEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pid_field, name, state;
  if (!(stat >> pid_field >> name >> state)) return true;
  return state == "Z" || state == "X";
}

TEST(ChildProcess, GivesTheProgramOnlyItsStandardDescriptors) {
  // Libraries in a test may open descriptors without close-on-exec.
  const int inheritable = open("/dev/null", O_RDONLY);
  ChildProcess cat({"cat"});
  close(inheritable);
  cat.WriteLine("started");
  cat.WaitForLine("started", kEventTimeout);
  std::set<std::string> descriptors;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(cat.pid()) + "/fd")) {
    descriptors.insert(entry.path().filename());
  }
  EXPECT_EQ(descriptors, (std::set<std::string>{"0", "1", "2"}));
}

TEST(ChildProcess, PassesEnvironmentAndReportsExitStatus) {
  ChildProcess shell({"sh", "-c", "echo \"$TESTBED_GREETING\"; exit 3"},
                     ProcessOptions{{{"TESTBED_GREETING", "hello there"}}});
  EXPECT_EQ(shell.WaitForLine("hello", kEventTimeout), "hello there");
  const auto status = shell.Wait(kEventTimeout);
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 3);
}

TEST(ChildProcess, LinesGoToTheProgramAndComeBackInOrder) {
  ChildProcess cat({"cat"});
  cat.WriteLine("first");
  cat.WriteLine("second");
  EXPECT_EQ(cat.WaitForLine("second", kEventTimeout), "second");
  EXPECT_EQ(cat.Lines(), (std::vector<std::string>{"first", "second"}));
  cat.CloseInput();
  EXPECT_TRUE(cat.Wait(kEventTimeout).has_value());
}

TEST(ChildProcess, WaitingForALineFailsAsSoonAsTheOutputEnds) {
  ChildProcess shell({"sh", "-c", "echo only"});
  // The timeout is far beyond the test's own; an ended output must end the wait.
  EXPECT_THROW(shell.WaitForLine("never", 600s), TestbedError);
  EXPECT_EQ(shell.Lines(), std::vector<std::string>{"only"});
}

TEST(ChildProcess, ErrorOutputCanBeReadAsLines) {
  ProcessOptions options;
  options.error_output = ErrorOutput::kIntoLines;
  ChildProcess shell({"sh", "-c", "echo problem >&2"}, options);
  EXPECT_EQ(shell.WaitForLine("problem", kEventTimeout), "problem");
}

TEST(ChildProcess, DestructionEndsEverythingTheProgramStarted) {
  pid_t background;
  {
    ChildProcess shell({"sh", "-c", "sleep 300 & echo $!; wait"});
    background = std::stoi(shell.WaitForLine("", kEventTimeout));
  }
  const auto deadline = std::chrono::steady_clock::now() + kEventTimeout;
  while (!HasEnded(background) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(HasEnded(background));
}

TEST(ChildProcess, AMissingProgramIsReportedAtOnce) {
  EXPECT_THROW(ChildProcess({"/nonexistent/program"}), TestbedError);
  EXPECT_THROW(ChildProcess({"no-such-program-in-path"}), TestbedError);
}

}  // namespace
}  // namespace cardwedge::testbed
