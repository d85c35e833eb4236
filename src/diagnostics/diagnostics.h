#pragma once

#include <functional>
#include <string_view>

namespace cardwedge {

// One line for each change of state a person may need to see when something goes wrong (a
// roster loaded, a reader lost and found, the smart-card service back, a value that could not be
// typed, the host gone), never one per poll.
void Diagnose(std::string_view line);

// Gives the lines handed on so far a short time to be written: called before the program ends
// at once.
void FlushDiagnostics();

// Where the lines go: stderr until a platform sets its own (diagnostics/diagnostics_log.h). Set
// once at start-up, before any window opens; a test may capture the lines.
void SetDiagnosticsSink(std::function<void(std::string_view line)> sink,
                        std::function<void()> flush = {});

}  // namespace cardwedge
