#pragma once

// What one soak or fault scenario reports: one figure line and whether nothing was lost.

#include <string>

namespace cardwedge::soak {

struct ScenarioResult {
  std::string name;
  std::string figures;
  bool passed = false;
};

}  // namespace cardwedge::soak
