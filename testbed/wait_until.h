#pragma once

#include <chrono>
#include <thread>

#include "child_process.h"

namespace cardwedge::testbed {

// Checks `done` every `period` until it holds; false when `timeout` passes first.
template <class Done>
bool WaitUntil(Done&& done, Duration timeout = kEventTimeout, Duration period = Duration{10}) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(period);
  }
  return true;
}

}  // namespace cardwedge::testbed
