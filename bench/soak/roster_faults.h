#pragma once

#include "scenario.h"

namespace cardwedge::soak {

// The real program started against each roster of a table: each bad one must end with status 3
// and a line on stderr naming the file and, where one applies, the record and its line; one
// whose unused fields carry NUL padding must load.
ScenarioResult BadRosters();

}  // namespace cardwedge::soak
