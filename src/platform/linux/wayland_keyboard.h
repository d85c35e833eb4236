#pragma once

#include <memory>
#include <string>

#include "platform/keyboard.h"

namespace cardwedge {

// Keyboard input through the compositor's virtual keyboard (the zwp_virtual_keyboard_manager_v1
// protocol of wlroots-based desktops such as sway): the keys go to whichever surface the
// compositor has focused, a native Wayland window or one of Xwayland's. The keyboard is created
// once, with a US keymap of its own, and kept: the compositor loses the first key of a keyboard
// created just before typing. Its keymap makes the digits and letters the same on any desktop
// layout, and it carries its own modifier state, so keys held on the physical keyboard do not
// mix into it. Its keys reach nothing while no window is active, which the compositor tells
// through the foreign-toplevel protocol (zwlr_foreign_toplevel_manager_v1); a compositor that
// does not tell is not used, since success could not be told from keys lost.
class WaylandKeyboard : public Keyboard {
 public:
  // Connects to $WAYLAND_DISPLAY and creates the virtual keyboard; unavailableReason says why
  // when that cannot be done.
  WaylandKeyboard();
  ~WaylandKeyboard() override;
  WaylandKeyboard(const WaylandKeyboard&) = delete;
  WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

  // Maps the whole sequence first and sends nothing when a key is missing. A connection that
  // breaks mid-way ends in TypingError, and the keyboard stays unavailable: the compositor
  // destroys the virtual keyboard of a client that is gone, with whatever it held.
  void Send(const std::vector<KeyEvent>& events) override;
  // Refuses without a virtual keyboard, and while the compositor has no window active.
  void CheckFocusedWindow() override;

  // Empty when keys can be sent; otherwise why not.
  const std::string& unavailableReason() const { return unavailableReason_; }

 private:
  struct Connection;

  std::unique_ptr<Connection> connection_;
  std::string unavailableReason_;
};

}  // namespace cardwedge
