#include "platform/qt/qt_handler.h"

#include <unistd.h>

#include <cstdio>
#include <exception>

namespace cardwedge {

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "cardwedge: run-time error: %s\n", error.what());
    std::fflush(nullptr);
    ::_exit(1);
  }
}

}  // namespace cardwedge
