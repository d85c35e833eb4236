#pragma once

#include <optional>

#include "pcscd.h"

namespace cardwedge::bench {

// Starts the test bed's pcscd once no other test run holds it, waiting up to `timeout` and
// saying once on stderr that it waits; a benchmark interrupted meanwhile throws Interrupted.
void StartPcscdWhenFree(std::optional<testbed::Pcscd>& pcscd, testbed::Duration timeout);

}  // namespace cardwedge::bench
