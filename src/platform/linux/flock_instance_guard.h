#pragma once

#include <string>

#include "platform/instance_guard.h"

namespace cardwedge {

// Holds an exclusive flock on a per-user lock file for the life of the process. The kernel drops
// the lock when the process ends, however it ends, so a crashed instance never blocks the next.
class FlockInstanceGuard : public InstanceGuard {
 public:
  explicit FlockInstanceGuard(std::string lockPath);
  ~FlockInstanceGuard() override;
  FlockInstanceGuard(const FlockInstanceGuard&) = delete;
  FlockInstanceGuard& operator=(const FlockInstanceGuard&) = delete;

  // $XDG_RUNTIME_DIR/cardwedge.lock, or a per-user file in the temporary folder.
  static std::string DefaultLockPath();

  bool AnotherInstanceRunning() override;
  void Release() override;

 private:
  std::string lockPath_;
  int fd_ = -1;
};

}  // namespace cardwedge
