#include "platform/linux/posix_log_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/files.h"

namespace cardwedge {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error) {
  throw FileError("\"" + path + "\": " + what + ": " + std::strerror(error));
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, CloseFile>;

// Opened for appending, created when missing, not inherited by child processes.
FilePointer OpenToAppend(const std::string& path) {
  return FilePointer(std::fopen(path.c_str(), "abe"));
}

}  // namespace

void PosixLogFiles::Append(const std::string& path, std::string_view bytes) {
  const FilePointer file = OpenToAppend(path);
  if (!file) Fail(path, "cannot be opened for writing", errno);
  if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      std::fflush(file.get()) != 0) {
    Fail(path, "cannot be written", errno);
  }
}

std::uintmax_t PosixLogFiles::Size(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

void PosixLogFiles::Replace(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    Fail(from, "cannot be renamed to " + std::filesystem::path(to).filename().string(), errno);
  }
}

bool PosixLogFiles::MayWrite(const std::string& path) { return OpenToAppend(path) != nullptr; }

std::string PosixLogFiles::UserFolderPath(const std::string& name) {
  std::filesystem::path folder;
  const char* stateHome = std::getenv("XDG_STATE_HOME");
  if (stateHome != nullptr && stateHome[0] == '/') {
    folder = stateHome;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') throw FileError("no home folder for the log");
    folder = std::filesystem::path(home) / ".local" / "state";
  }
  folder /= "cardwedge";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) Fail(folder.string(), "cannot be created", error.value());
  return (folder / name).string();
}

}  // namespace cardwedge
