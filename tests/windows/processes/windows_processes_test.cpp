// processCheck's Toolhelp query and the single-instance claim, between real processes.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

#include "platform/windows/mutex_instance_guard.h"
#include "platform/windows/toolhelp_processes.h"
#include "windows_child_process.h"

namespace cardwedge {
namespace {

using wintest::WindowsChildProcess;
using wintest::WindowsPath;

constexpr char kHoldClaim[] = "--hold-instance-claim";
constexpr wchar_t kTestMutex[] = L"Local\\cardwedge-instance-test";

// Polls until the process list gives the expected answer; false when it never does.
bool WaitForIsRunning(ToolhelpProcesses& processes, const std::string& name, bool expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((processes.Presence(name) == ProcessPresence::kRunning) != expected) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

TEST(ToolhelpProcessesTest, AHostCountsByItsImageNameInAnyCaseUntilItEnds) {
  ToolhelpProcesses processes;
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
  }
  EXPECT_EQ(processes.Presence("Rollbook.exe"), ProcessPresence::kNotRunning);
}

// Wine runs every process in one session; a real PC with fast user switching or remote desktop
// has a host per user, each in its own session.
TEST(ToolhelpProcessesTest, OnlyAHostInThisProgramsSessionCounts) {
  WindowsChildProcess host(WindowsPath(CARDWEDGE_ROLLBOOK));
  ToolhelpProcesses real;
  ASSERT_TRUE(WaitForIsRunning(real, "Rollbook.exe", true));
  const DWORD self = GetCurrentProcessId();
  const auto sessions = [self](std::optional<DWORD> own, std::optional<DWORD> others) {
    return ToolhelpProcesses([=](DWORD id) { return id == self ? own : others; });
  };
  EXPECT_EQ(sessions(1, 2).Presence("Rollbook.exe"), ProcessPresence::kNotRunning);
  EXPECT_EQ(sessions(2, 2).Presence("Rollbook.exe"), ProcessPresence::kRunning);
  // A session that cannot be learned, the host's or this program's, leaves the host counted.
  EXPECT_EQ(sessions(1, std::nullopt).Presence("Rollbook.exe"), ProcessPresence::kRunning);
  EXPECT_EQ(sessions(std::nullopt, 2).Presence("Rollbook.exe"), ProcessPresence::kRunning);
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
