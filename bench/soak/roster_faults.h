#pragma once

#include "scenario.h"

namespace cardwedge::soak {

// The real program started against each bad roster of a table: each must end with status 3 and
// a line on stderr naming the file and, where one applies, the record and its line.
ScenarioResult BadRosters();

}  // namespace cardwedge::soak
