#include "close_request.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string_view>

namespace cardwedge::e2e {

bool AskWindowToClose(const std::string& display, const std::string& title) {
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) return false;
  const Window root = DefaultRootWindow(connection);
  Window rootReturn = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  bool sent = false;
  if (XQueryTree(connection, root, &rootReturn, &parent, &children, &count) != 0) {
    for (unsigned int i = 0; i < count && !sent; ++i) {
      char* name = nullptr;
      if (XFetchName(connection, children[i], &name) == 0 || name == nullptr) continue;
      const std::string_view found(name);
      const bool match = found == title || found.starts_with(title + " ");
      XFree(name);
      if (!match) continue;
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = children[i];
      event.xclient.message_type = XInternAtom(connection, "WM_PROTOCOLS", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] =
          static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));
      event.xclient.data.l[1] = CurrentTime;
      sent = XSendEvent(connection, children[i], False, NoEventMask, &event) != 0;
    }
    if (children != nullptr) XFree(children);
  }
  XSync(connection, False);
  XCloseDisplay(connection);
  return sent;
}

}  // namespace cardwedge::e2e
