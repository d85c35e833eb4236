#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace cardwedge {

// The log a staff member can send: lines appended to one file. When a line would take the file
// past maxBytes, the file becomes NAME.1 (replacing the older one) and a new file starts, so the
// two together never hold much more than twice maxBytes.
class LogFile {
 public:
  LogFile(std::filesystem::path path, std::uintmax_t maxBytes);

  // Appends the line and a line end. Raises FileError when the file cannot be written.
  void Append(std::string_view line);

 private:
  void Rotate();

  std::filesystem::path path_;
  std::uintmax_t maxBytes_;
  std::uintmax_t size_ = 0;
  bool sizeKnown_ = false;
};

// "2026-12-07 15:04:05.123": the moment in local time, to the millisecond.
std::string LocalTimeStamp(std::chrono::system_clock::time_point moment);

// A path given in UTF-8, as the platform's Files give them.
std::filesystem::path Utf8Path(const std::string& utf8);

}  // namespace cardwedge
