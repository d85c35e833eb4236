#include "pcscd_when_free.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "interruption.h"

namespace cardwedge::bench {

void StartPcscdWhenFree(std::optional<testbed::Pcscd>& pcscd, testbed::Duration timeout) {
  constexpr testbed::Duration kLockStep{1'000};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  bool told = false;
  for (;;) {
    ThrowIfInterrupted();
    try {
      pcscd.emplace(testbed::Pcscd::Options{.lock_timeout = kLockStep});
      return;
    } catch (const testbed::TestbedError& error) {
      const bool locked = std::string(error.what()).find("lock") != std::string::npos;
      if (!locked || std::chrono::steady_clock::now() > deadline) throw;
      if (!told) std::fprintf(stderr, "waiting for another test run to free pcscd...\n");
      told = true;
    }
  }
}

}  // namespace cardwedge::bench
