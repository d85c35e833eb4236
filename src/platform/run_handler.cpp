#include "platform/run_handler.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace cardwedge {

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "cardwedge: run-time error: %s\n", error.what());
    std::fflush(nullptr);
    std::_Exit(1);
  }
}

}  // namespace cardwedge
