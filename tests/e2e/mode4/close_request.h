#pragma once

#include <string>

namespace cardwedge::e2e {

// Sends WM_DELETE_WINDOW to the top-level window with this title (which may go on after a space
// with the window's state), as a window manager does when the user clicks the window's close
// button. False when the display has no such window.
bool AskWindowToClose(const std::string& display, const std::string& title);

}  // namespace cardwedge::e2e
