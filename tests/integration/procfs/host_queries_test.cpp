// processCheck and fFileExist of the host watch on real processes and real files.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "fake_platform.h"
#include "platform/linux/procfs_processes.h"
#include "roster/host_watch.h"
#include "temp_folder_files.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using testbed::ChildProcess;

class HostQueriesTest : public ::testing::Test {
 protected:
  // A copy of sleep under the given name in the test's folder.
  std::string CopyOfSleep(const std::string& name) {
    const std::filesystem::path copy = files.PathOf(name);
    std::filesystem::copy_file("/bin/sleep", copy);
    return copy.string();
  }

  // Polls until processCheck gives the expected answer; false when it never does.
  bool WaitForProcessCheck(const std::string& name, bool expected) {
    return testbed::WaitUntil(
        [&] { return (watch.processCheck(name) == ProcessPresence::kRunning) == expected; });
  }

  FakePlatform fake;
  ProcfsProcesses processes;
  TempFolderFiles files;
  Platform platform{fake.toolkit, files,      fake.clock, fake.keyboard,  fake.sound,
                    processes,    fake.guard, fake.codec, fake.smartCard, fake.felica};
  HostWatch watch{platform, fake.state.ProcessCheckOff, SwitchReading::kLeadingNumber, "PC/SC"};
};

TEST_F(HostQueriesTest, AHostStartedByItsExecutableCountsUntilItExits) {
  EXPECT_EQ(watch.processCheck(kHostProcessName), ProcessPresence::kNotRunning);
  {
    ChildProcess host({CopyOfSleep(kHostProcessName), "100"});
    EXPECT_TRUE(WaitForProcessCheck(kHostProcessName, true));
    EXPECT_EQ(watch.processCheck("ROLLBOOK.EXE"), ProcessPresence::kRunning);
    EXPECT_EQ(watch.processCheck("Rollbook"), ProcessPresence::kNotRunning);
    EXPECT_EQ(watch.processCheck(""), ProcessPresence::kNotRunning);
  }
  EXPECT_EQ(watch.processCheck(kHostProcessName), ProcessPresence::kNotRunning);
}

TEST_F(HostQueriesTest, AHostStartedUnderAWindowsPathInItsFirstArgumentCounts) {
  ChildProcess host({"bash", "-c", "exec -a 'C:\\x\\Rollbook.exe' sleep 100"});
  EXPECT_TRUE(WaitForProcessCheck(kHostProcessName, true));
  host.Kill();
  ASSERT_TRUE(host.Wait(testbed::kEventTimeout));
  EXPECT_EQ(watch.processCheck(kHostProcessName), ProcessPresence::kNotRunning);
}

TEST_F(HostQueriesTest, ANameTooLongForTheCommandNameIsFoundByTheExecutable) {
  const std::string name = "AttendanceRollbookHost.exe";
  ChildProcess host({"bash", "-c", "exec -a other \"$0\" 100", CopyOfSleep(name)});
  EXPECT_TRUE(WaitForProcessCheck("attendancerollbookhost.EXE", true));
}

TEST_F(HostQueriesTest, AProcessRenamedByItsCommandNameCounts) {
  ChildProcess host({"bash", "-c", "printf Rollbook.exe >/proc/$$/comm && read -r line"});
  EXPECT_TRUE(WaitForProcessCheck(kHostProcessName, true));
}

TEST_F(HostQueriesTest, AnEndedHostThatIsNotYetReapedDoesNotCount) {
  const std::string path = CopyOfSleep(kHostProcessName);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::execl(path.c_str(), path.c_str(), "100", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const bool started = WaitForProcessCheck(kHostProcessName, true);
  ::kill(pid, SIGKILL);
  siginfo_t info{};
  // Waits for the end without reaping, so the process stays a zombie.
  ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
  EXPECT_TRUE(started);
  EXPECT_EQ(watch.processCheck(kHostProcessName), ProcessPresence::kNotRunning);
  ::waitpid(pid, nullptr, 0);
}

// On a shared machine another person's host must not keep this user's program running.
TEST_F(HostQueriesTest, AHostRunByAnotherUserDoesNotCount) {
  if (::getuid() != 0) GTEST_SKIP() << "starting a process as another user needs root";
  ChildProcess host({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "bash", "-c",
                     "exec -a 'C:\\x\\Rollbook.exe' sleep 100"});
  const std::string cmdline = "/proc/" + std::to_string(host.pid()) + "/cmdline";
  ASSERT_TRUE(testbed::WaitUntil([&] {
    std::ifstream file(cmdline);
    std::string first;
    return std::getline(file, first, '\0') && first == "C:\\x\\Rollbook.exe";
  }));
  EXPECT_EQ(watch.processCheck(kHostProcessName), ProcessPresence::kNotRunning);
}

TEST_F(HostQueriesTest, FileExistFindsOnlyPlainVisibleFiles) {
  files.Write("plain.wav", "RIFF");
  files.Write(".hidden.wav", "RIFF");
  std::filesystem::create_directory(files.PathOf("folder.wav"));
  EXPECT_TRUE(watch.fFileExist(files.PathOf("plain.wav")));
  EXPECT_FALSE(watch.fFileExist(files.PathOf(".hidden.wav")));
  EXPECT_FALSE(watch.fFileExist(files.PathOf("folder.wav")));
  EXPECT_FALSE(watch.fFileExist(files.PathOf("missing.wav")));
  EXPECT_FALSE(watch.fFileExist("/no/such/drive/plain.wav"));
}

}  // namespace
}  // namespace cardwedge
