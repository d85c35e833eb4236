#include "platform/linux/flock_instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace cardwedge {

FlockInstanceGuard::FlockInstanceGuard(std::string lockPath) : lockPath_(std::move(lockPath)) {}

FlockInstanceGuard::~FlockInstanceGuard() { Release(); }

void FlockInstanceGuard::Release() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string FlockInstanceGuard::DefaultLockPath() {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir != nullptr && *runtimeDir != '\0') {
    return std::string(runtimeDir) + "/cardwedge.lock";
  }
  return "/tmp/cardwedge-" + std::to_string(::getuid()) + ".lock";
}

bool FlockInstanceGuard::AnotherInstanceRunning() {
  if (fd_ >= 0) return false;
  const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // Without a lock file no other instance can be told apart: run rather than refuse.
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return true;
  }
  fd_ = fd;
  return false;
}

}  // namespace cardwedge
