#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/windows/input_method_check.h"

namespace cardwedge {

// What the keyboard asks of the system about the window that would get the keys, and the call
// that sends them: the Win32 calls themselves, or a test's stand-in.
class ForegroundInput {
 public:
  enum class Integrity { kNotHigher, kHigher, kUnreadable };

  virtual ~ForegroundInput() = default;

  // What the foreground window, its focused window and its IME window answer.
  virtual FocusedWindowFacts FocusedWindow() = 0;
  // The integrity level of the foreground window's process against this process's own.
  virtual Integrity ForegroundIntegrity() = 0;
  // Whether Shift, Ctrl, Alt or a Windows key is down.
  virtual bool ModifierHeld() = 0;
  // Whether Caps Lock is on.
  virtual bool CapsLockOn() = 0;
  virtual void Pause(DWORD milliseconds) = 0;
  // SendInput: the number of events that went out.
  virtual UINT Send(std::vector<INPUT>& inputs) = 0;
  virtual DWORD LastError() = 0;
};

// The real Win32 calls.
class Win32ForegroundInput : public ForegroundInput {
 public:
  FocusedWindowFacts FocusedWindow() override;
  Integrity ForegroundIntegrity() override;
  bool ModifierHeld() override;
  bool CapsLockOn() override;
  void Pause(DWORD milliseconds) override { Sleep(milliseconds); }
  UINT Send(std::vector<INPUT>& inputs) override;
  DWORD LastError() override { return GetLastError(); }
};

}  // namespace cardwedge
