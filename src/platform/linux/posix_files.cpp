#include "platform/linux/posix_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace cardwedge {
namespace {

[[noreturn]] void Fail(const std::string& path, const std::string& what, int error) {
  throw FileError("\"" + path + "\": " + what + ": " + std::strerror(error));
}

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::string PosixFiles::ProgramFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::filesystem::current_path().string();
  return exe.parent_path().string();
}

bool PosixFiles::FileExists(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const std::string name = std::filesystem::path(path).filename().string();
  return !name.empty() && name.front() != '.';
}

void PosixFiles::CreateIfMissing(const std::string& path) {
  // An existing file is never opened for writing: it may belong to another program.
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NONBLOCK, 0666));
  if (fd.get() < 0 && errno != EEXIST) Fail(path, "cannot be created", errno);
}

std::string PosixFiles::ReadAll(const std::string& path, std::size_t maxBytes) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) Fail(path, "cannot be opened", errno);
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) Fail(path, "cannot be read", errno);
  if (!S_ISREG(info.st_mode)) Fail(path, "cannot be read", EISDIR);
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      Fail(path, "cannot be read", errno);
    }
    if (count == 0) return content;
    if (content.size() + static_cast<std::size_t>(count) > maxBytes) {
      throw FileError("\"" + path + "\": larger than " + std::to_string(maxBytes) + " bytes");
    }
    content.append(buffer, static_cast<std::size_t>(count));
  }
}

void PosixFiles::Delete(const std::string& path) {
  if (::unlink(path.c_str()) != 0) Fail(path, "cannot be deleted", errno);
}

}  // namespace cardwedge
