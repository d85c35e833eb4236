#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cardwedge {

// What the system answers about the window that would get the keys, before they are sent.
struct FocusedWindowFacts {
  bool foregroundExists = false;
  // The window classes of the foreground window and of the window with the keyboard focus.
  std::vector<std::wstring> classNames;
  // The focused thread's default IME window was found.
  bool imeWindowFound = false;
  // That window's answer to IMC_GETOPENSTATUS; none when it did not answer in time.
  std::optional<bool> imeOpen;
};

enum class InputMethodState {
  kOff,                 // the IME window says closed, and the field takes its keys through IMM32
  kOn,                  // the IME window says open: the digits would go into its composition
  kNoAnswer,            // the IME window did not answer in time
  kNoForegroundWindow,  // no window would get the keys
  kNoImeWindow,         // the focused thread has no IME window to ask
  kTextServicesField,   // a field whose input method the IME window may not know
};

// Whether the input method of the focused field is known to be off. Only the IME window's "closed"
// counts as off: the default IME window answers IMC_GETOPENSTATUS from the focused window's IMM
// input context, and the system creates one for every thread (ImmGetDefaultIMEWnd,
// learn.microsoft.com/windows/win32/api/imm/nf-imm-immgetdefaultimewnd; WM_IME_CONTROL). Fields
// of programs that compose through the Text Services Framework (Chrome and Edge, Office, UWP and
// WinUI apps, whose frame window belongs to another process than the field) may keep no IMM
// context, and their IME window then says closed while the IME composes; the TSF keyboard's open
// state (GUID_COMPARTMENT_KEYBOARD_OPENCLOSE) is readable only inside the field's process. Nor
// does the documentation say that an IME leaves KEYEVENTF_UNICODE (VK_PACKET) input alone, and
// Enter would confirm a composition anyway. So such fields are refused by their window class,
// while the IMM32 fields of ordinary Win32 programs, the host's among them, are typed into as
// their IME window says.
InputMethodState JudgeInputMethod(const FocusedWindowFacts& facts);

}  // namespace cardwedge
