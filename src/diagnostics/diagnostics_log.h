#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "diagnostics/line_writer.h"
#include "platform/log_files.h"

namespace cardwedge {

inline constexpr char kLogFileName[] = "cardwedge.log";
inline constexpr std::uintmax_t kLogMaxBytes = std::uintmax_t{1024} * 1024;

// Where a file the program writes for staff goes: `programFolderPath` when this user may write it
// there, else `name` in the user's own folder for the log; `programFolderPath` when there is none.
std::string ChooseOutputPath(LogFiles& files, const std::string& programFolderPath,
                             const std::string& name);

// Where the program's lines go on a real system, for as long as it lives: "cardwedge: LINE" on
// stderr, and "TIME LINE" (local time) in the log file. Each output has a writer thread of its
// own, so neither a stalled stderr (a launcher that stopped reading) nor a slow disk delays the
// reader windows, nor one the other.
//
// The log file is the one beside the program, or, when this user may not write there, the one in
// the user's own folder, which the first line names. A log file that refuses lines for a while
// (an editor that holds it against writers) never ends the log: the lines wait, within the bound
// of the writer, and are tried again; stderr says so once when it starts, the log once when it is
// over. The program ends through an immediate exit: Flush, called before it, gives the waiting
// lines half a second; a line still waiting after that is lost.
class DiagnosticsLog {
 public:
  using Output = std::function<void(const std::string& text)>;

  // debugOutput, when given, receives each time-stamped line too, from a writer thread of its own.
  DiagnosticsLog(const std::shared_ptr<LogFiles>& files, const std::string& programFolderLog,
                 Output standardError, Output debugOutput);
  // Gives the waiting lines a short time, and hands the lines back to the default sink.
  ~DiagnosticsLog();
  DiagnosticsLog(const DiagnosticsLog&) = delete;
  DiagnosticsLog& operator=(const DiagnosticsLog&) = delete;

  void Write(std::string_view line);
  void Flush();

  // Writes the text to stderr at once.
  static void StandardError(const std::string& text);

 private:
  std::shared_ptr<LineWriter> standardError_;
  std::string path_;
  LineWriter fileLines_;
  std::unique_ptr<LineWriter> debugLines_;
};

}  // namespace cardwedge
