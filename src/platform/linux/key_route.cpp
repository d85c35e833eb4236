#include "platform/linux/key_route.h"

namespace cardwedge {

KeyRoute RouteKeys(XFocus focus, const Desktop& desktop) {
  if (focus == XFocus::kWindow) return KeyRoute::kXtest;
  if (desktop.wayland) {
    if (desktop.waylandKeyboard) return KeyRoute::kWayland;
    throw TypingError(
        "no X11 window has the keyboard focus: a native Wayland window has it, or none does, and "
        "this desktop does not accept typed input from programs for native Wayland windows; use "
        "an X11 session, or run the host under Xwayland",
        TypingError::Cause::kNativeWayland);
  }
  if (focus == XFocus::kNone) {
    throw TypingError("no window has the keyboard focus: click the host's field",
                      TypingError::Cause::kNoFocusedWindow);
  }
  return KeyRoute::kXtest;
}

}  // namespace cardwedge
