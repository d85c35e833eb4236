#pragma once

#include <functional>
#include <string_view>

namespace cardwedge {

// One line for each change of state a person may need to see when something goes wrong (a
// roster loaded, a reader lost and found, the smart-card service back, a value that could not be
// typed, the host gone), never one per poll. Nothing is written to a file.
void Diagnose(std::string_view line);

// Where the lines go: stderr until a platform sets its own (Windows adds the debugger output).
// Set once at start-up, before any window opens; a test may capture the lines.
void SetDiagnosticsSink(std::function<void(std::string_view line)> sink);

}  // namespace cardwedge
