#pragma once

#include <X11/Xlib.h>

namespace cardwedge {

// Catches the errors of one X connection while it lives, so that a key event the server refuses
// or a server that went away ends as a failure the caller can report instead of ending the
// process (Xlib's default handlers exit). Errors of other connections, such as the toolkit's
// own, go on to the handlers that were installed before. Traps nest (the innermost catches) and
// live on one thread.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;

  // Makes a lost connection return to the caller instead of exiting; once per connection.
  static void KeepProcessOnLoss(Display* display);

  // The code of the first error the server sent since the trap was set (after XSync), 0 if none.
  int firstError() const { return firstError_; }
  // Whether the connection broke: the display can no longer be used, only closed.
  bool displayLost() const { return displayLost_; }

 private:
  static int OnError(Display* display, XErrorEvent* event);
  static int OnIoError(Display* display);

  Display* display_;
  int firstError_ = 0;
  bool displayLost_ = false;
  XErrorHandler previousError_;
  XIOErrorHandler previousIoError_;
  XErrorTrap* outer_;
};

}  // namespace cardwedge
