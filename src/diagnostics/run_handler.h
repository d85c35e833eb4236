#pragma once

#include <functional>
#include <string>

namespace cardwedge {

// Runs an event handler for a toolkit. An error the window logic did not handle ends the program
// as a run-time error does: a line in the diagnostics, the error report (a message box where a
// desktop is: a program without a console has no other way to tell its user), then exit status
// 1. It never unwinds into the toolkit's event loop, and from then on no other handler runs, not
// even one the message box's own event loop would dispatch.
void RunHandler(const std::function<void()>& handler);

// How RunHandler shows the error to the user; set once at start-up. Without one, the line alone.
void SetHandlerErrorReport(std::function<void(const std::string& text)> report);

}  // namespace cardwedge
