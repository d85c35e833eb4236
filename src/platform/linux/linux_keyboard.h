#pragma once

#include <memory>
#include <string>

#include "platform/keyboard.h"
#include "platform/linux/key_route.h"
#include "platform/linux/wayland_keyboard.h"
#include "platform/linux/xtest_keyboard.h"

namespace cardwedge {

// The keyboard of a Linux desktop: XTest for X11 windows, and in a Wayland session the
// compositor's virtual keyboard for native Wayland windows where it offers one (RouteKeys). The
// desktop is told once, at start-up; the focus is asked before every check and every send.
class LinuxKeyboard : public Keyboard {
 public:
  LinuxKeyboard();

  void Send(const std::vector<KeyEvent>& events) override;
  void CheckFocusedWindow() override;

  // One line for the log: which keyboard types into which windows.
  std::string Description() const;

 private:
  KeyRoute Route();

  XtestKeyboard xtest_;
  std::unique_ptr<WaylandKeyboard> wayland_;  // in a Wayland session only
  Desktop desktop_;
};

}  // namespace cardwedge
