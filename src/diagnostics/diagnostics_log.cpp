#include "diagnostics/diagnostics_log.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <utility>

#include "diagnostics/diagnostics.h"
#include "diagnostics/log_file.h"

namespace cardwedge {
namespace {

// Lines that may wait for a slow output; a burst beyond this is counted, not kept.
constexpr std::size_t kWaitingLines = 1000;
constexpr std::chrono::milliseconds kFlushWait{500};

std::string StderrText(std::string_view line) { return "cardwedge: " + std::string(line) + "\n"; }

// What the log file's thread works with; it owns its share, so a thread stalled on a slow disk
// never reaches into a DiagnosticsLog that has gone.
struct FileOutput {
  LogFile file;
  std::shared_ptr<LineWriter> standardError;
  DiagnosticsLog::Output debugOutput;
  bool failed = false;

  void Write(const std::string& stampedLine) {
    if (debugOutput) debugOutput(StderrText(stampedLine));
    if (failed) return;
    try {
      file.Append(stampedLine);
    } catch (const std::exception& error) {
      failed = true;
      standardError->Post(StderrText(std::string("no log file: ") + error.what()));
    }
  }
};

}  // namespace

DiagnosticsLog::DiagnosticsLog(const std::filesystem::path& logPath, Output standardError,
                               Output debugOutput)
    : standardError_(std::make_shared<LineWriter>(std::move(standardError), kWaitingLines)),
      fileLines_([output = std::make_shared<FileOutput>(FileOutput{
                      LogFile(logPath, kLogMaxBytes), standardError_, std::move(debugOutput)})](
                     const std::string& line) { output->Write(line); },
                 kWaitingLines) {
  SetDiagnosticsSink([this](std::string_view line) { Write(line); }, [this] { Flush(); });
}

DiagnosticsLog::~DiagnosticsLog() {
  SetDiagnosticsSink(nullptr);
  Flush();
}

void DiagnosticsLog::Write(std::string_view line) {
  standardError_->Post(StderrText(line));
  fileLines_.Post(LocalTimeStamp(std::chrono::system_clock::now()) + " " + std::string(line));
}

void DiagnosticsLog::Flush() {
  fileLines_.Flush(kFlushWait);
  standardError_->Flush(kFlushWait);
}

void DiagnosticsLog::StandardError(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace cardwedge
