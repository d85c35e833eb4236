#include "platform/windows/wts_session.h"

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <wtsapi32.h>
// clang-format on

#include <versionhelpers.h>
#include <string>
#include <utility>

#include "diagnostics/diagnostics.h"
#include "platform/windows/library_loading.h"

namespace cardwedge {
namespace {

constexpr wchar_t kWindowClass[] = L"CardwedgeSessionWatch";
constexpr auto kRegisterInterval = std::chrono::seconds(1);

using QuerySession = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
using FreeMemory = void(WINAPI*)(PVOID);

HMODULE Wtsapi32() {
  static const HMODULE module = LoadSystemLibrary(L"wtsapi32.dll");
  return module;
}

template <typename Function>
Function Find(const char* name) {
  const HMODULE module = Wtsapi32();
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// WTSQuerySessionInformationW for this session: `read` answers from the information, then it is
// freed. False when the system does not answer.
template <typename Read>
bool QueryOwnSession(WTS_INFO_CLASS what, Read read) {
  static const auto query = Find<QuerySession>("WTSQuerySessionInformationW");
  static const auto freeMemory = Find<FreeMemory>("WTSFreeMemory");
  LPWSTR buffer = nullptr;
  DWORD bytes = 0;
  if (query == nullptr || freeMemory == nullptr ||
      !query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, what, &buffer, &bytes)) {
    return false;
  }
  const bool answer = read(buffer, bytes);
  freeMemory(buffer);
  return answer;
}

// WTSConnectState: WTSActive while a user is connected, at the console or remotely;
// WTSDisconnected once fast user switching or the remote client left.
// https://learn.microsoft.com/windows/win32/api/wtsapi32/ne-wtsapi32-wts_connectstate_class
bool SessionDisconnected() {
  return QueryOwnSession(WTSConnectState, [](const void* buffer, DWORD bytes) {
    return bytes >= sizeof(WTS_CONNECTSTATE_CLASS) &&
           *static_cast<const WTS_CONNECTSTATE_CLASS*>(buffer) == WTSDisconnected;
  });
}

// The tool chain's header lacks WTSINFOEXW: its start, as far as the session's flags.
// https://learn.microsoft.com/windows/win32/api/wtsapi32/ns-wtsapi32-wtsinfoexw
struct SessionInfoEx {
  DWORD level;
  alignas(8) ULONG sessionId;  // WTSINFOEX_LEVEL1_W, which holds 8-byte times, from here on
  WTS_CONNECTSTATE_CLASS sessionState;
  LONG sessionFlags;
};
constexpr auto kSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
constexpr LONG kSessionStateLock = 0;
constexpr LONG kSessionStateUnlock = 1;

// WTSSessionInfoEx's flags, which Windows 7 gives the wrong way round ("Due to a code defect",
// https://learn.microsoft.com/windows/win32/api/wtsapi32/ns-wtsapi32-wtsinfoex_level1_w);
// unknown flags, or none, count as unlocked.
bool SessionLocked() {
  const LONG lockedFlag = IsWindows8OrGreater() ? kSessionStateLock : kSessionStateUnlock;
  return QueryOwnSession(kSessionInfoEx, [lockedFlag](const void* buffer, DWORD bytes) {
    const auto* info = static_cast<const SessionInfoEx*>(buffer);
    return bytes >= sizeof(SessionInfoEx) && info->level == 1 && info->sessionFlags == lockedFlag;
  });
}

const char* Describe(SessionState state) {
  switch (state) {
    case SessionState::kAtDesk:
      return "the session is at the desk again: cards are typed";
    case SessionState::kLocked:
      return "the screen is locked: cards are not typed until it is unlocked";
    case SessionState::kAway:
      return "this session is not at the desk (another user has the console, or the remote "
             "desktop left): cards are not typed until it is back";
    case SessionState::kUnknown:
      break;
  }
  return "session notifications are not available: cards are not typed, since a locked screen "
         "could not be told; trying again every second";
}

}  // namespace

SessionCalls SystemSessionCalls() {
  return {
      .registerNotification = Find<BOOL(WINAPI*)(HWND, DWORD)>("WTSRegisterSessionNotification"),
      .unregisterNotification = Find<BOOL(WINAPI*)(HWND)>("WTSUnRegisterSessionNotification"),
      .disconnected = SessionDisconnected,
      .locked = SessionLocked,
  };
}

WtsSession::WtsSession(std::function<void()> onDevicesChanged, SessionCalls calls)
    : onDevicesChanged_(std::move(onDevicesChanged)), calls_(calls) {
  ProcessIdToSessionId(GetCurrentProcessId(), &sessionId_);
  Register();
}

// Top-level and never shown: no WS_VISIBLE, and ShowWindow is never called on it, so it takes
// neither the focus nor the launcher's start state.
void WtsSession::CreateWatchWindow() {
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass);
  }();
  (void)atom;
  window_ = CreateWindowExW(0, kWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) return;
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // https://learn.microsoft.com/windows/win32/api/winuser/nf-winuser-registerdevicenotificationw
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  devices_ = RegisterDeviceNotificationW(
      window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
}

// Each registration has its unregistration before the window goes.
// https://learn.microsoft.com/windows/win32/api/wtsapi32/nf-wtsapi32-wtsunregistersessionnotification
WtsSession::~WtsSession() {
  if (window_ == nullptr) return;
  if (registered_ && calls_.unregisterNotification != nullptr) {
    calls_.unregisterNotification(window_);
  }
  if (devices_ != nullptr) UnregisterDeviceNotification(devices_);
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
}

// Registered first, then asked: a change between the two is not missed.
// https://learn.microsoft.com/windows/win32/api/wtsapi32/nf-wtsapi32-wtsregistersessionnotification
void WtsSession::Register() {
  lastRegisterAttempt_ = std::chrono::steady_clock::now();
  if (window_ == nullptr) CreateWatchWindow();
  registered_ = window_ != nullptr && calls_.registerNotification != nullptr &&
                calls_.registerNotification(window_, NOTIFY_FOR_THIS_SESSION);
  if (!registered_) {
    if (told_ != SessionState::kUnknown) {
      Diagnose(std::string(Describe(SessionState::kUnknown)) + " (error " +
               std::to_string(GetLastError()) + ")");
      told_ = SessionState::kUnknown;
    }
    return;
  }
  away_ = calls_.disconnected != nullptr && calls_.disconnected();
  locked_ = calls_.locked != nullptr && calls_.locked();
  Note(State());
}

SessionState WtsSession::State() {
  if (!registered_ &&
      std::chrono::steady_clock::now() - lastRegisterAttempt_ >= kRegisterInterval) {
    Register();
  }
  if (!registered_) return SessionState::kUnknown;
  if (away_) return SessionState::kAway;
  return locked_ ? SessionState::kLocked : SessionState::kAtDesk;
}

SessionState WtsSession::Note(SessionState state) {
  if (state != told_) Diagnose(Describe(state));
  told_ = state;
  return state;
}

// https://learn.microsoft.com/windows/win32/termserv/wm-wtssession-change
void WtsSession::OnSessionChange(WPARAM event, LPARAM sessionId) {
  if (static_cast<DWORD>(sessionId) != sessionId_) return;
  switch (event) {
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
      away_ = false;
      break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
      away_ = true;
      break;
    case WTS_SESSION_LOCK:
      locked_ = true;
      break;
    case WTS_SESSION_UNLOCK:
      locked_ = false;
      break;
    default:
      return;
  }
  Note(State());
}

// A device interface that arrives or goes is handed on at once and nothing else is done here: the
// system waits for the answer to a device message.
// https://learn.microsoft.com/windows/win32/devio/wm-devicechange
LRESULT CALLBACK WtsSession::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<WtsSession*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == WM_WTSSESSION_CHANGE) {
    self->OnSessionChange(wParam, lParam);
    return 0;
  }
  if (self != nullptr && message == WM_DEVICECHANGE) {
    if ((wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
        self->onDevicesChanged_) {
      self->onDevicesChanged_();
    }
    return TRUE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace cardwedge
