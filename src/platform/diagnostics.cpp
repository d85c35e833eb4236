#include "platform/diagnostics.h"

#include <cstdio>
#include <string>
#include <utility>

namespace cardwedge {
namespace {

void WriteToStderr(std::string_view line) {
  const std::string text = "cardwedge: " + std::string(line) + "\n";
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

std::function<void(std::string_view)>& Sink() {
  static std::function<void(std::string_view)> sink = WriteToStderr;
  return sink;
}

}  // namespace

void Diagnose(std::string_view line) { Sink()(line); }

void SetDiagnosticsSink(std::function<void(std::string_view line)> sink) {
  Sink() = sink ? std::move(sink) : WriteToStderr;
}

}  // namespace cardwedge
