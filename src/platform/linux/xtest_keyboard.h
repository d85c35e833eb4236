#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/keyboard.h"
#include "platform/linux/key_route.h"

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for Display

namespace cardwedge {

class XErrorTrap;

// Keyboard input through the X server's XTest extension. Each virtual key becomes the keycode
// that carries its character on the keymap in force at the moment of sending, so digits and
// letters arrive as such on any layout; a digit that the layout types with Shift gets Shift held
// around it. While Shift, Control, Alt or Super is held the digits would be symbols or
// shortcuts: Send waits up to half a second for them to be released, else raises TypingError
// with nothing sent. Letters are refused while Caps Lock is on, which would turn their case.
// The value's keys are checked with the server before its Enter is sent: a key event the server
// refuses keeps the Enter back and ends in TypingError with the keys released; a server that goes
// away ends in TypingError too, and the keyboard stays unavailable.
class XtestKeyboard : public Keyboard {
 public:
  // Connects to $DISPLAY. When that fails, says so once on stderr; every Send then raises
  // TypingError.
  XtestKeyboard();
  ~XtestKeyboard() override;
  XtestKeyboard(const XtestKeyboard&) = delete;
  XtestKeyboard& operator=(const XtestKeyboard&) = delete;

  void Send(const std::vector<KeyEvent>& events) override;
  // Only a missing keyboard output is refused here: which window has the focus is for the
  // caller to judge (FocusedWindow), since what it means depends on the desktop.
  void CheckFocusedWindow() override;

  // What the X server says has the keyboard focus; kNoDisplay without a usable display.
  XFocus FocusedWindow();

  // Empty when keys can be sent; otherwise why not.
  const std::string& unavailableReason() const { return unavailableReason_; }

 protected:
  // One XTest key event; a test puts a refused one in its place.
  virtual void FakeKeyEvent(unsigned char keycode, bool down);

 private:
  // Keycodes, each pressed (true) or released.
  using KeyPlan = std::vector<std::pair<unsigned char, bool>>;

  void LoseDisplay();
  void SendBatch(const KeyPlan& plan, KeyPlan::const_iterator begin, KeyPlan::const_iterator end,
                 const XErrorTrap& trap, const char* outcomeOnRefusal);

  _XDisplay* display_ = nullptr;
  std::string unavailableReason_;
  // The modifier-mask bits held keys must not carry while a value is sent (HeldKeyModifiers).
  std::optional<unsigned> heldKeyModifiers_;
};

}  // namespace cardwedge
