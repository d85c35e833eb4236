#pragma once

#include <set>
#include <string>

#include "roster/roster.h"

namespace cardwedge {

// The lines of the roster faults shown in the log at most, after the summary line.
inline constexpr int kMaxRosterFaultLogLines = 20;

// Says in the log how many faults the roster has, then the first kMaxRosterFaultLogLines of them
// and how many more there are. A report already in `logged` is not said again (both windows
// load the same roster at a start); the report said is added to it.
void LogRosterFaults(const Roster& roster, std::set<std::string>& logged);

}  // namespace cardwedge
