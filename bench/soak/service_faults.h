#pragma once

// The services under the tool taken away and given back: after each time, a card must be read
// within a bound, with nobody touching the tool.

#include "scenario.h"

namespace cardwedge::soak {

// pcscd killed (SIGKILL) `kills` times and stopped (SIGTERM) `stops` times, each time started
// again with a card on the reader: typed within 3 s of pcscd being back.
ScenarioResult PcscdOutages(int kills, int stops);

// The emulated FeliCa reader killed and a fresh one put on the same link `losses` times: a card
// on it typed within 2 s.
ScenarioResult FelicaReaderLosses(int losses);

}  // namespace cardwedge::soak
