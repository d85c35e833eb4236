// processCheck's session listing and the single-instance claim, between real processes.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/windows/mutex_instance_guard.h"
#include "platform/windows/wts_processes.h"
#include "windows_child_process.h"

namespace cardwedge {
namespace {

using wintest::WindowsChildProcess;
using wintest::WindowsPath;

constexpr char kHoldClaim[] = "--hold-instance-claim";
constexpr wchar_t kTestMutex[] = L"Local\\cardwedge-instance-test";

// Polls until the process list gives the expected answer; false when it never does.
bool WaitForIsRunning(WtsProcesses& processes, const std::string& name, bool expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((processes.Presence(name) == ProcessPresence::kRunning) != expected) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(WtsProcessesTest, AHostCountsByItsImageNameInAnyCaseUntilItEnds) {
  WtsProcesses processes;
  EXPECT_EQ(processes.Presence("Rollbook.exe"), ProcessPresence::kNotRunning);
  {
    WindowsChildProcess host(WindowsPath(CARDWEDGE_ROLLBOOK));
    ASSERT_TRUE(WaitForIsRunning(processes, "Rollbook.exe", true));
    for (const char* name : {"ROLLBOOK.EXE", "rollbook.exe"}) {
      EXPECT_EQ(processes.Presence(name), ProcessPresence::kRunning) << name;
    }
    for (const char* name : {"Rollbook", "Rollbook.ex", "", "Rollbook.exe "}) {
      EXPECT_EQ(processes.Presence(name), ProcessPresence::kNotRunning) << name;
    }
    // Ended as a user closes it, once its window is up: under Wine, a window's process that is
    // killed can leave the desktop process, and so the Wine server, running for good.
    HWND window = nullptr;
    for (int i = 0; i < 2000 && !(window = FindWindowW(L"Rollbook", nullptr)); ++i) Sleep(10);
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.Wait());
  }
  EXPECT_EQ(processes.Presence("Rollbook.exe"), ProcessPresence::kNotRunning);
}

// Wine runs every process in one session; a real PC with fast user switching or remote desktop
// has a host per user, each in its own session.
TEST(WtsProcessesTest, OnlyAHostInThisProgramsSessionCounts) {
  DWORD own = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &own));
  const auto listing = [own](std::optional<std::vector<SessionProcess>> processes) {
    return WtsProcesses([=](DWORD session) { return session == own ? processes : std::nullopt; });
  };
  const SessionProcess self{own, L"windows_processes_test.exe"};
  EXPECT_EQ(listing({{self, {own + 1, L"Rollbook.exe"}}}).Presence("Rollbook.exe"),
            ProcessPresence::kNotRunning);
  EXPECT_EQ(listing({{self, {own, L"ROLLBOOK.EXE"}}}).Presence("Rollbook.exe"),
            ProcessPresence::kRunning);
  // A listing that fails, or lacks even this program, leaves the host counted.
  EXPECT_EQ(listing(std::nullopt).Presence("Rollbook.exe"), ProcessPresence::kUnknown);
  EXPECT_EQ(listing(std::vector<SessionProcess>{}).Presence("Rollbook.exe"),
            ProcessPresence::kUnknown);
}

// The claim of another process holds until that process ends, even when it is killed.
TEST(MutexInstanceGuardTest, AnotherProcessHoldsTheClaimUntilItIsKilled) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring flag(std::begin(kHoldClaim), std::end(kHoldClaim) - 1);
  WindowsChildProcess first(L"\"" + std::wstring(self) + L"\" " + flag);
  ASSERT_TRUE(first.WaitForLine("claimed"));

  EXPECT_TRUE(MutexInstanceGuard(kTestMutex).AnotherInstanceRunning());
  first.Kill();
  MutexInstanceGuard guard(kTestMutex);
  EXPECT_FALSE(guard.AnotherInstanceRunning());
}

TEST(MutexInstanceGuardTest, AskingAgainFindsNoOtherInstanceAndKeepsTheClaim) {
  MutexInstanceGuard guard(kTestMutex);
  EXPECT_FALSE(guard.AnotherInstanceRunning());
  EXPECT_FALSE(guard.AnotherInstanceRunning());
  EXPECT_TRUE(MutexInstanceGuard(kTestMutex).AnotherInstanceRunning());
}

}  // namespace
}  // namespace cardwedge

// With kHoldClaim the program claims the instance, says so, and holds the claim until killed.
int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == cardwedge::kHoldClaim) {
    cardwedge::MutexInstanceGuard guard(cardwedge::kTestMutex);
    if (guard.AnotherInstanceRunning()) return 1;
    std::puts("claimed");
    std::fflush(stdout);
    Sleep(INFINITE);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
