#include "platform/windows/foreground_input.h"

#include <imm.h>

#include <iterator>
#include <optional>
#include <string>

namespace cardwedge {
namespace {

// How long a focused window's thread may take to answer about its input method.
constexpr UINT kImeAnswerMilliseconds = 200;
// imm.h's IMC_GETOPENSTATUS, which the mingw-w64 headers lack.
constexpr WPARAM kImcGetOpenStatus = 0x0005;

// The process's mandatory integrity level (the last sub-authority of its label SID).
std::optional<DWORD> IntegrityOf(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  std::optional<DWORD> level;
  if (size != 0 && GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
    const UCHAR count = *GetSidSubAuthorityCount(label->Label.Sid);
    if (count > 0) level = *GetSidSubAuthority(label->Label.Sid, count - 1);
  }
  CloseHandle(token);
  return level;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = L"";
  const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name, length > 0 ? length : 0);
}

BOOL CALLBACK KeepIfImeWindow(HWND window, LPARAM found) {
  if (ClassOf(window) != L"IME") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// The thread's default IME window, found by the system's IME class ("The operating system
// creates a default IME window for every thread", ImmGetDefaultIMEWnd on learn.microsoft.com):
// for when ImmGetDefaultIMEWnd gives nothing for a window of another process, as under Wine.
HWND ThreadImeWindow(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(thread, KeepIfImeWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

}  // namespace

FocusedWindowFacts Win32ForegroundInput::FocusedWindow() {
  FocusedWindowFacts facts;
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return facts;
  facts.foregroundExists = true;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
  const HWND focused =
      GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr ? info.hwndFocus : foreground;
  facts.classNames = {ClassOf(foreground), ClassOf(focused)};
  HWND imeWindow = ImmGetDefaultIMEWnd(focused);
  if (imeWindow == nullptr) imeWindow = ThreadImeWindow(GetWindowThreadProcessId(focused, nullptr));
  if (imeWindow == nullptr) return facts;
  facts.imeWindowFound = true;
  DWORD_PTR open = 0;
  if (SendMessageTimeoutW(imeWindow, WM_IME_CONTROL, kImcGetOpenStatus, 0,
                          SMTO_ABORTIFHUNG | SMTO_BLOCK, kImeAnswerMilliseconds, &open)) {
    facts.imeOpen = open != 0;
  }
  return facts;
}

// A process that cannot be asked (OpenProcess or its token refused) counts as unreadable: that
// is how an elevated or protected process looks from a standard one.
ForegroundInput::Integrity Win32ForegroundInput::ForegroundIntegrity() {
  const HWND foreground = GetForegroundWindow();
  DWORD processId = 0;
  if (foreground == nullptr || GetWindowThreadProcessId(foreground, &processId) == 0) {
    return Integrity::kNotHigher;
  }
  const std::optional<DWORD> own = IntegrityOf(GetCurrentProcess());
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return Integrity::kUnreadable;
  const std::optional<DWORD> theirs = IntegrityOf(process);
  CloseHandle(process);
  if (!own || !theirs) return Integrity::kUnreadable;
  return *theirs > *own ? Integrity::kHigher : Integrity::kNotHigher;
}

bool Win32ForegroundInput::ModifierHeld() {
  for (const int key : {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
    if ((GetAsyncKeyState(key) & 0x8000) != 0) return true;
  }
  return false;
}

// The low bit of GetKeyState is the toggle: Caps Lock is on (GetKeyState, learn.microsoft.com).
// It is this thread's view of the keyboard, which the documentation says follows the key messages
// this thread reads, not those of other threads; attaching to the focused thread to read its view
// would reset that thread's key state (AttachThreadInput), so it is not done. The Caps Lock step
// of docs/windows-checks.md checks it on a real PC.
bool Win32ForegroundInput::CapsLockOn() { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

UINT Win32ForegroundInput::Send(std::vector<INPUT>& inputs) {
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace cardwedge
