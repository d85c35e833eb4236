#pragma once

#include <functional>

namespace cardwedge {

// Runs an event handler. An error the window logic did not handle ends the program with a
// report on stderr, as a run-time error does; it never unwinds into the Qt event loop.
void RunHandler(const std::function<void()>& handler);

}  // namespace cardwedge
