#include "diagnostics/log_file.h"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/files.h"

namespace cardwedge {
namespace {

#ifdef _WIN32
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& what) {
  throw FileError("\"" + Utf8Text(path) + "\": " + what);
}

}  // namespace

LogFile::LogFile(std::filesystem::path path, std::uintmax_t maxBytes)
    : path_(std::move(path)), maxBytes_(maxBytes) {}

void LogFile::Append(std::string_view line) {
  if (!sizeKnown_) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    size_ = error ? 0 : size;
    sizeKnown_ = true;
  }
  const std::uintmax_t added = line.size() + sizeof kLineEnd - 1;
  if (size_ > 0 && size_ + added > maxBytes_) Rotate();
  std::ofstream file(path_, std::ios::binary | std::ios::app);
  if (!file) Fail(path_, "cannot be opened for writing");
  file << line << kLineEnd;
  file.flush();
  if (!file) Fail(path_, "cannot be written");
  size_ += added;
}

void LogFile::Rotate() {
  std::filesystem::path older = path_;
  older += ".1";
  std::error_code error;
  std::filesystem::remove(older, error);
  std::filesystem::rename(path_, older, error);
  if (error)
    Fail(path_, "cannot be renamed to " + Utf8Text(older.filename()) + ": " + error.message());
  size_ = 0;
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

std::filesystem::path Utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace cardwedge
