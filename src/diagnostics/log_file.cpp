#include "diagnostics/log_file.h"

#include <cstdio>
#include <ctime>
#include <utility>

#include "platform/files.h"

namespace cardwedge {
namespace {

#ifdef _WIN32
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

}  // namespace

LogFile::LogFile(LogFiles& files, std::string path, std::uintmax_t maxBytes)
    : files_(files), path_(std::move(path)), maxBytes_(maxBytes) {}

std::optional<std::string> LogFile::Append(std::string_view line) {
  if (!sizeKnown_) {
    size_ = files_.Size(path_);
    sizeKnown_ = true;
  }
  const std::string text = std::string(line) + kLineEnd;
  std::optional<std::string> notRotated = RotateIfFull(text.size());
  files_.Append(path_, text);
  size_ += text.size();
  return notRotated;
}

std::optional<std::string> LogFile::RotateIfFull(std::uintmax_t added) {
  if (size_ + added <= maxBytes_) return std::nullopt;
  // Another program may have moved or emptied the file meanwhile.
  size_ = files_.Size(path_);
  if (size_ == 0 || size_ + added <= maxBytes_) return std::nullopt;
  try {
    files_.Replace(path_, path_ + ".1");
  } catch (const FileError& error) {
    return error.what();
  }
  size_ = 0;
  return std::nullopt;
}

std::string LocalTimeStamp(std::chrono::system_clock::time_point moment) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()) % 1000;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%.*s.%03d", static_cast<int>(length), text,
                static_cast<int>((millis.count() + 1000) % 1000));
  return stamp;
}

}  // namespace cardwedge
