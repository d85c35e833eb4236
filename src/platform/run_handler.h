#pragma once

#include <functional>

namespace cardwedge {

// Runs an event handler for a toolkit. An error the window logic did not handle ends the program
// with a one-line report on stderr and exit status 1, as a run-time error does; it never unwinds
// into the toolkit's event loop.
void RunHandler(const std::function<void()>& handler);

}  // namespace cardwedge
