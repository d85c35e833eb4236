#include "diagnostics/diagnostics_log.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <utility>

#include "diagnostics/diagnostics.h"
#include "diagnostics/log_file.h"

namespace cardwedge {
namespace {

// Lines that may wait for a slow or refusing output; a burst beyond this is counted, not kept.
constexpr std::size_t kWaitingLines = 1000;
constexpr std::chrono::milliseconds kFlushWait{500};
// How soon a log file that refused a line is tried again.
constexpr std::chrono::milliseconds kRetryDelay{200};

std::string StderrText(std::string_view line) { return "cardwedge: " + std::string(line) + "\n"; }

std::string Now() { return LocalTimeStamp(std::chrono::system_clock::now()); }

std::string Stamped(std::string_view line) { return Now() + " " + std::string(line); }

std::string StampedStderrText(std::string_view line) { return StderrText(Stamped(line)); }

// "15:04:05" of a time stamp.
std::string ClockTime(const std::string& stamp) { return stamp.substr(11, 8); }

// What the log file's thread works with; it owns its share, so a thread stalled on a slow disk
// never reaches into a DiagnosticsLog that has gone.
struct FileOutput {
  std::shared_ptr<LogFiles> files;
  LogFile file;
  std::shared_ptr<LineWriter> standardError;
  // The time stamp of the first line the file refused, while it refuses.
  std::string refusedSince;
  bool renameRefused = false;

  // False while the file refuses the line: the writer then offers it again.
  bool Write(const std::string& stampedLine) {
    try {
      if (!refusedSince.empty()) {
        const std::string now = Now();
        Append(now + " the log file could not be written from " + ClockTime(refusedSince) + " to " +
               ClockTime(now) + "; the lines held back follow");
        refusedSince.clear();
      }
      Append(stampedLine);
      return true;
    } catch (const std::exception& error) {
      if (refusedSince.empty()) {
        refusedSince = Now();
        standardError->Post(
            StderrText(std::string("log file refused, lines wait: ") + error.what()));
      }
      return false;
    }
  }

  // Raises when the file refuses the line. Once the line is in, a notice the file then refuses
  // is left for the next line that finds the file still not renamed: the line is never offered
  // again, so it is never written twice.
  void Append(const std::string& stampedLine) {
    const std::optional<std::string> notRenamed = file.Append(stampedLine);
    if (!notRenamed) {
      renameRefused = false;
      return;
    }
    if (renameRefused) return;
    const std::string notice =
        "log file kept past its limit until it can be renamed: " + *notRenamed;
    try {
      file.Append(Stamped(notice));
    } catch (const std::exception&) {
      return;
    }
    standardError->Post(StderrText(notice));
    renameRefused = true;
  }
};

}  // namespace

std::string ChooseOutputPath(LogFiles& files, const std::string& programFolderPath,
                             const std::string& name) {
  if (files.MayWrite(programFolderPath)) return programFolderPath;
  try {
    return files.UserFolderPath(name);
  } catch (const std::exception&) {
    return programFolderPath;
  }
}

DiagnosticsLog::DiagnosticsLog(const std::shared_ptr<LogFiles>& files,
                               const std::string& programFolderLog, Output standardError,
                               Output debugOutput)
    : standardError_(std::make_shared<LineWriter>(
          [output = std::move(standardError)](const std::string& text) {
            output(text);
            return true;
          },
          StderrText, kWaitingLines)),
      path_(ChooseOutputPath(*files, programFolderLog, kLogFileName)),
      fileLines_([output = std::make_shared<FileOutput>(
                      FileOutput{files, LogFile(*files, path_, kLogMaxBytes), standardError_})](
                     const std::string& line) { return output->Write(line); },
                 Stamped, kWaitingLines, kRetryDelay) {
  if (debugOutput) {
    debugLines_ = std::make_unique<LineWriter>(
        [output = std::move(debugOutput)](const std::string& text) {
          output(text);
          return true;
        },
        StampedStderrText, kWaitingLines);
  }
  SetDiagnosticsSink([this](std::string_view line) { Write(line); }, [this] { Flush(); });
  if (path_ != programFolderLog) {
    Write("the program's folder cannot be written: the log is \"" + path_ + "\"");
  }
}

DiagnosticsLog::~DiagnosticsLog() {
  SetDiagnosticsSink(nullptr);
  Flush();
}

void DiagnosticsLog::Write(std::string_view line) {
  standardError_->Post(StderrText(line));
  const std::string stampedLine = Stamped(line);
  if (debugLines_) debugLines_->Post(StderrText(stampedLine));
  fileLines_.Post(stampedLine);
}

void DiagnosticsLog::Flush() {
  fileLines_.Flush(kFlushWait);
  standardError_->Flush(kFlushWait);
  if (debugLines_) debugLines_->Flush(kFlushWait);
}

void DiagnosticsLog::StandardError(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

}  // namespace cardwedge
