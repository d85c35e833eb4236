// The session watch as Windows drives it: WM_WTSSESSION_CHANGE for this session and another one
// (https://learn.microsoft.com/windows/win32/termserv/wm-wtssession-change), WM_DEVICECHANGE
// (https://learn.microsoft.com/windows/win32/devio/wm-devicechange), and a
// WTSRegisterSessionNotification that fails while Remote Desktop Services start up.

#include "platform/windows/wts_session.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <wtsapi32.h>
// clang-format on

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace cardwedge {
namespace {

DWORD OwnSession() {
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  return session;
}

TEST(WtsSession, FollowsThisSessionsLockAndConnectionAndHandsOnDeviceArrivalsAndRemovals) {
  int deviceChanges = 0;
  WtsSession session([&] { ++deviceChanges; });
  ASSERT_NE(session.window(), nullptr);
  EXPECT_EQ(session.State(), SessionState::kAtDesk);
  struct Step {
    WPARAM event;
    LPARAM sessionId;
    SessionState state;
  };
  const LPARAM own = OwnSession();
  for (const Step& step : {
           Step{WTS_SESSION_LOCK, own + 1, SessionState::kAtDesk},  // another session
           Step{WTS_SESSION_LOCK, own, SessionState::kLocked},
           Step{WTS_CONSOLE_DISCONNECT, own, SessionState::kAway},  // switched to another user
           Step{WTS_CONSOLE_CONNECT, own, SessionState::kLocked},   // back, at the lock screen
           Step{WTS_SESSION_UNLOCK, own, SessionState::kAtDesk},
           Step{WTS_REMOTE_DISCONNECT, own, SessionState::kAway},
           Step{WTS_SESSION_LOGON, own, SessionState::kAway},
           Step{WTS_REMOTE_CONNECT, own, SessionState::kAtDesk},
       }) {
    SCOPED_TRACE("event " + std::to_string(step.event));
    SendMessageW(session.window(), WM_WTSSESSION_CHANGE, step.event, step.sessionId);
    EXPECT_EQ(session.State(), step.state);
  }

  DEV_BROADCAST_DEVICEINTERFACE_W device{};
  device.dbcc_size = sizeof(device);
  device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  const auto address = reinterpret_cast<LPARAM>(&device);
  for (const WPARAM event : {WPARAM{DBT_DEVICEARRIVAL}, WPARAM{DBT_DEVICEQUERYREMOVE},
                             WPARAM{DBT_DEVICEREMOVECOMPLETE}, WPARAM{DBT_DEVNODES_CHANGED}}) {
    SendMessageW(session.window(), WM_DEVICECHANGE, event,
                 event == DBT_DEVNODES_CHANGED ? 0 : address);
  }
  EXPECT_EQ(deviceChanges, 2);
}

// Refused until the second try, which comes a second after the first; the session is then found
// locked.
BOOL WINAPI RegisterOnSecondTry(HWND, DWORD) {
  static int tries = 0;
  SetLastError(RPC_S_INVALID_BINDING);
  return ++tries > 1;
}
BOOL WINAPI Unregister(HWND) { return TRUE; }

TEST(WtsSession, UnknownUntilTheRegistrationSucceedsThenAsTheSystemSays) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&](std::string_view line) { lines.emplace_back(line); });
  WtsSession session(nullptr, {.registerNotification = RegisterOnSecondTry,
                               .unregisterNotification = Unregister,
                               .disconnected = [] { return false; },
                               .locked = [] { return true; }});
  EXPECT_EQ(session.State(), SessionState::kUnknown);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (session.State() == SessionState::kUnknown && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_EQ(session.State(), SessionState::kLocked);
  SetDiagnosticsSink(nullptr);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "session notifications are not available: cards are not typed, since a "
                       "locked screen could not be told; trying again every second (error 1702)",
                       "the screen is locked: cards are not typed until it is unlocked"}));
}

}  // namespace
}  // namespace cardwedge
