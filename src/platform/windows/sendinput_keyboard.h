#pragma once

#include "platform/keyboard.h"
#include "platform/windows/foreground_input.h"

namespace cardwedge {

// Keyboard input through SendInput, the whole sequence in one call, so no key of another input
// source lands inside it. Each virtual key becomes the key that types its character on the
// keyboard layout of the window in the foreground (VkKeyScanExW), so digits and letters arrive as
// such on any layout; a digit that the layout types with Shift gets Shift held around it.
//
// Nothing is sent, and Send raises TypingError, where the keys would not arrive as the value:
// the foreground program runs at a higher integrity level (Windows drops the keys without a
// word); the focused field's input method is on, or cannot be known to be off (see
// JudgeInputMethod: the digits would go into its composition, and turning it off could lose what
// a person is writing there), both of which CheckFocusedWindow also tells beforehand; Shift,
// Ctrl, Alt or a Windows key stays held for half a second (SendInput does not reset the keyboard
// state: the digits would be symbols or shortcuts); or Caps Lock is on and the value has letters.
// When the system takes only part of the sequence, the keys it pressed are released and Send
// raises TypingError.
class SendInputKeyboard : public Keyboard {
 public:
  SendInputKeyboard() : SendInputKeyboard(win32_) {}
  explicit SendInputKeyboard(ForegroundInput& input) : input_(input) {}

  void Send(const std::vector<KeyEvent>& events) override;
  void CheckFocusedWindow() override;

 private:
  void WaitForModifiersUp();
  void SendAll(std::vector<INPUT>& inputs);

  Win32ForegroundInput win32_;
  ForegroundInput& input_;
};

}  // namespace cardwedge
