#include "diagnostics/diagnostics.h"

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

struct Sink {
  std::function<void(std::string_view)> write = WriteToStderr;
  std::function<void()> flush;
};

Sink& CurrentSink() {
  static Sink sink;
  return sink;
}

}  // namespace

void Diagnose(std::string_view line) { CurrentSink().write(line); }

void FlushDiagnostics() {
  if (CurrentSink().flush) CurrentSink().flush();
}

void SetDiagnosticsSink(std::function<void(std::string_view line)> sink,
                        std::function<void()> flush) {
  CurrentSink() = sink ? Sink{std::move(sink), std::move(flush)} : Sink{};
}

}  // namespace cardwedge
