#pragma once

#include "platform/keyboard.h"

namespace cardwedge {

// What the X server says has the keyboard focus.
enum class XFocus {
  kWindow,       // an X11 window
  kPointerRoot,  // whatever window is under the pointer
  kNone,         // no window: the server discards key events
  kNoDisplay,    // no X server to ask
};

// The desktop the keys would go to, as told at start-up.
struct Desktop {
  // A Wayland session: its X server, if any, is Xwayland, whose focus is PointerRoot or None
  // whenever a native Wayland window (or nothing) has the compositor's focus. XTest keys then
  // reach no window at all, and the calls still succeed.
  bool wayland = false;
  // The compositor offers a virtual keyboard, which types into whatever surface it focuses.
  bool waylandKeyboard = false;
};

enum class KeyRoute { kXtest, kWayland };

// Which keyboard gets the keys, or TypingError when none of them would reach a window. On a plain
// X server PointerRoot is the usual focus without a window manager, and keys reach the window
// under the pointer; None discards them. Without any display XTest is chosen and says why it
// cannot type.
KeyRoute RouteKeys(XFocus focus, const Desktop& desktop);

}  // namespace cardwedge
