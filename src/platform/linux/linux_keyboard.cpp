#include "platform/linux/linux_keyboard.h"

#include <cstdlib>

namespace cardwedge {
namespace {

// WAYLAND_DISPLAY names the session's compositor; an X server then is its Xwayland.
bool WaylandSession() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr && *name != '\0';
}

}  // namespace

LinuxKeyboard::LinuxKeyboard() {
  desktop_.wayland = WaylandSession();
  if (desktop_.wayland) {
    wayland_ = std::make_unique<WaylandKeyboard>();
    desktop_.waylandKeyboard = wayland_->unavailableReason().empty();
  }
}

std::string LinuxKeyboard::Description() const {
  const std::string x11 = xtest_.unavailableReason().empty()
                              ? "XTest for X11 windows"
                              : "no XTest (" + xtest_.unavailableReason() + ")";
  if (!desktop_.wayland) return "keyboard: " + x11 + " (an X11 session)";
  const std::string native =
      desktop_.waylandKeyboard
          ? "the compositor's virtual keyboard for native Wayland windows"
          : "native Wayland windows refused (" + wayland_->unavailableReason() + ")";
  return "keyboard: " + x11 + ", " + native + " (a Wayland session)";
}

KeyRoute LinuxKeyboard::Route() { return RouteKeys(xtest_.FocusedWindow(), desktop_); }

void LinuxKeyboard::CheckFocusedWindow() {
  if (Route() == KeyRoute::kWayland) {
    wayland_->CheckFocusedWindow();
  } else {
    xtest_.CheckFocusedWindow();
  }
}

void LinuxKeyboard::Send(const std::vector<KeyEvent>& events) {
  if (Route() == KeyRoute::kWayland) {
    wayland_->Send(events);
  } else {
    xtest_.Send(events);
  }
}

}  // namespace cardwedge
