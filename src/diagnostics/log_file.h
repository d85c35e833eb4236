#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/log_files.h"

namespace cardwedge {

// The log a staff member can send: lines appended to one file. When a line would take the file
// past maxBytes, the file becomes NAME.1 (replacing the older one in one step) and a new file
// starts, so the two together hold little more than twice maxBytes. While the rename fails (a
// reader holds NAME.1 against deletion), the file grows past maxBytes and each line tries again.
class LogFile {
 public:
  // The files must outlive the LogFile.
  LogFile(LogFiles& files, std::string path, std::uintmax_t maxBytes);

  // Appends the line and a line end. Raises FileError when the file cannot be written. Returns
  // why the file could not be renamed when the line went past the limit all the same.
  std::optional<std::string> Append(std::string_view line);

  const std::string& path() const { return path_; }

 private:
  std::optional<std::string> RotateIfFull(std::uintmax_t added);

  LogFiles& files_;
  std::string path_;
  std::uintmax_t maxBytes_;
  std::uintmax_t size_ = 0;
  bool sizeKnown_ = false;
};

// "2026-12-07 15:04:05.123": the moment in local time, to the millisecond.
std::string LocalTimeStamp(std::chrono::system_clock::time_point moment);

}  // namespace cardwedge
