#pragma once

#include "platform/keyboard.h"

namespace cardwedge {

// Keyboard input through SendInput, the whole sequence in one call, so no key of another input
// source lands inside it. Each virtual key becomes the key that types its character on the
// keyboard layout of the window in the foreground (VkKeyScanExW), so digits and letters arrive as
// such on any layout; a digit that the layout types with Shift gets Shift held around it. Windows
// itself refuses input into a window of a higher integrity level (UIPI): Send then raises
// TypingError with nothing typed.
class SendInputKeyboard : public Keyboard {
 public:
  void Send(const std::vector<KeyEvent>& events) override;
};

}  // namespace cardwedge
