#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

#include "platform/session.h"

namespace cardwedge {

// The system calls the session watch makes, so that a test can stand in for them.
struct SessionCalls {
  BOOL(WINAPI* registerNotification)(HWND, DWORD) = nullptr;
  BOOL(WINAPI* unregisterNotification)(HWND) = nullptr;
  // Whether this session is disconnected now: another session has the console, or the remote
  // desktop client left. False when that cannot be asked.
  bool (*disconnected)() = nullptr;
  // Whether this session is locked now. False when that cannot be asked.
  bool (*locked)() = nullptr;
};

// wtsapi32's functions, from the system folder; null where a function is missing.
SessionCalls SystemSessionCalls();

// The session the program runs in, followed through its notifications (WM_WTSSESSION_CHANGE after
// WTSRegisterSessionNotification), and device arrivals and removals (WM_DEVICECHANGE after
// RegisterDeviceNotification for every device interface class), both sent to a hidden top-level
// window of its own on the thread that makes it, which must run a message loop. Session
// notifications go only to a window that registered for them, and the system's device messages
// go to top-level windows, so the toolkit's message-only window would not do. Until the
// registration succeeds (it fails while Remote Desktop Services are starting up) the state is
// unknown, and the window and the registration are tried again at most once a second. Each change
// of state is a diagnostics line.
class WtsSession : public Session {
 public:
  explicit WtsSession(std::function<void()> onDevicesChanged,
                      SessionCalls calls = SystemSessionCalls());
  ~WtsSession() override;
  WtsSession(const WtsSession&) = delete;
  WtsSession& operator=(const WtsSession&) = delete;

  SessionState State() override;

  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateWatchWindow();
  void Register();
  void OnSessionChange(WPARAM event, LPARAM sessionId);
  // The state now, and a line when it differs from the one last told.
  SessionState Note(SessionState state);

  std::function<void()> onDevicesChanged_;
  SessionCalls calls_;
  HWND window_ = nullptr;
  HDEVNOTIFY devices_ = nullptr;
  DWORD sessionId_ = 0;
  bool registered_ = false;
  bool locked_ = false;
  bool away_ = false;
  SessionState told_ = SessionState::kAtDesk;
  std::chrono::steady_clock::time_point lastRegisterAttempt_;
};

}  // namespace cardwedge
