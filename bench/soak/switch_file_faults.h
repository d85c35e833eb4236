#pragma once

#include "scenario.h"

namespace cardwedge::soak {

// The switch file rewritten `rewrites` times, between lookup and raw-ID mode, while PC/SC cards
// flow through `cardwedge 1 4` (both windows read the file): written whole, truncated and then
// written, and by a writer that holds it open half-written. Every card must be typed once, as its
// number or its identifier; a pause, an end or a crash is a failure.
ScenarioResult SwitchFileRewrites(int rewrites);

}  // namespace cardwedge::soak
