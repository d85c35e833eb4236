#include "diagnostics/run_handler.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

#include "diagnostics/diagnostics.h"

namespace cardwedge {
namespace {

std::function<void(const std::string&)>& Report() {
  static std::function<void(const std::string&)> report;
  return report;
}

std::atomic<bool> ending{false};

[[noreturn]] void EndAfterError(const std::string& what) {
  ending = true;
  const std::string text = "run-time error: " + what;
  Diagnose(text);
  FlushDiagnostics();
  if (Report()) Report()(text);
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace

void RunHandler(const std::function<void()>& handler) {
  if (ending) return;
  try {
    handler();
  } catch (const std::exception& error) {
    EndAfterError(error.what());
  }
}

void SetHandlerErrorReport(std::function<void(const std::string& text)> report) {
  Report() = std::move(report);
}

}  // namespace cardwedge
