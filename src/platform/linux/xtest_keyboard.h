#pragma once

#include <optional>
#include <string>

#include "platform/keyboard.h"

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for Display

namespace cardwedge {

// Keyboard input through the X server's XTest extension. Each virtual key becomes the keycode
// that carries its character on the keymap in force at the moment of sending, so digits and
// letters arrive as such on any layout; a digit that the layout types with Shift gets Shift held
// around it. While Control, Alt or Super is held the digits would be shortcuts: Send waits up to
// half a second for them to be released, else raises TypingError with nothing sent.
class XtestKeyboard : public Keyboard {
 public:
  // Connects to $DISPLAY. When that fails, says so once on stderr; every Send then raises
  // TypingError.
  XtestKeyboard();
  ~XtestKeyboard() override;
  XtestKeyboard(const XtestKeyboard&) = delete;
  XtestKeyboard& operator=(const XtestKeyboard&) = delete;

  void Send(const std::vector<KeyEvent>& events) override;
  // X delivers to any focused window alike: only a missing keyboard output is refused here.
  void CheckFocusedWindow() override;

  // Empty when keys can be sent; otherwise why not.
  const std::string& unavailableReason() const { return unavailableReason_; }

 private:
  _XDisplay* display_ = nullptr;
  std::string unavailableReason_;
  // The modifier-mask bits held keys must not carry while digits are sent (ShortcutModifiers).
  std::optional<unsigned> shortcutModifiers_;
};

}  // namespace cardwedge
