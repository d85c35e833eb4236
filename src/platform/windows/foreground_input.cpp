#include "platform/windows/foreground_input.h"

#include <imm.h>

#include <optional>

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

}  // namespace

ForegroundInput::Ime Win32ForegroundInput::FocusedIme() {
  const HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return Ime::kOff;
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  const DWORD thread = GetWindowThreadProcessId(foreground, nullptr);
  const HWND focused =
      GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr ? info.hwndFocus : foreground;
  const HWND imeWindow = ImmGetDefaultIMEWnd(focused);
  if (imeWindow == nullptr) return Ime::kOff;
  DWORD_PTR open = 0;
  if (!SendMessageTimeoutW(imeWindow, WM_IME_CONTROL, kImcGetOpenStatus, 0,
                           SMTO_ABORTIFHUNG | SMTO_BLOCK, kImeAnswerMilliseconds, &open)) {
    return Ime::kNoAnswer;
  }
  return open != 0 ? Ime::kOn : Ime::kOff;
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
  for (const int key : {VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN}) {
    if ((GetAsyncKeyState(key) & 0x8000) != 0) return true;
  }
  return false;
}

UINT Win32ForegroundInput::Send(std::vector<INPUT>& inputs) {
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace cardwedge
