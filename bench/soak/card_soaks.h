#pragma once

// Cards laid on the readers of the running tool, thousands of times: everything expected is
// typed once and whole, nothing else is typed, and the tool holds no more at the end.

#include "scenario.h"

namespace cardwedge::soak {

// `cardwedge 1 3`: roster cards, unknown cards, cards answering 6A 81 and quick swaps.
ScenarioResult SoakPcsc(int presentations);

// `cardwedge 1 2`: roster cards, unknown cards and quick swaps on the emulated reader.
ScenarioResult SoakFelica(int presentations);

// `cardwedge 1 4`: a roster card on each reader at once, `presentations` on each.
ScenarioResult SoakBothReaders(int presentations);

}  // namespace cardwedge::soak
