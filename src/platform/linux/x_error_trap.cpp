#include "platform/linux/x_error_trap.h"

namespace cardwedge {
namespace {

XErrorTrap* activeTrap = nullptr;

// Returning from the exit handler leaves the display marked broken, and every later call on it
// returns at once (libX11 1.7 and later).
void StayAlive(Display*, void*) {}

}  // namespace

XErrorTrap::XErrorTrap(Display* display)
    : display_(display),
      previousError_(XSetErrorHandler(&XErrorTrap::OnError)),
      previousIoError_(XSetIOErrorHandler(&XErrorTrap::OnIoError)),
      outer_(activeTrap) {
  if (outer_ != nullptr) {  // the handlers before the outermost trap
    previousError_ = outer_->previousError_;
    previousIoError_ = outer_->previousIoError_;
  }
  activeTrap = this;
}

XErrorTrap::~XErrorTrap() {
  activeTrap = outer_;
  if (outer_ != nullptr) return;  // the outer trap's handlers stay
  XSetErrorHandler(previousError_);
  XSetIOErrorHandler(previousIoError_);
}

void XErrorTrap::KeepProcessOnLoss(Display* display) {
  XSetIOErrorExitHandler(display, &StayAlive, nullptr);
}

// The handlers are installed only while a trap lives; Xlib hands back its defaults as the
// previous handlers when none was set, so there is always one to pass other connections on to.
int XErrorTrap::OnError(Display* display, XErrorEvent* event) {
  XErrorTrap& trap = *activeTrap;
  if (display != trap.display_) return trap.previousError_(display, event);
  if (trap.firstError_ == 0) trap.firstError_ = event->error_code;
  return 0;
}

int XErrorTrap::OnIoError(Display* display) {
  XErrorTrap& trap = *activeTrap;
  if (display != trap.display_) return trap.previousIoError_(display);
  trap.displayLost_ = true;
  return 0;
}

}  // namespace cardwedge
