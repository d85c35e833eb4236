#pragma once

namespace cardwedge {

// Tells whether another instance of this program runs for the same user. The first call claims
// the instance for this process, which keeps it until it ends (a crash included).
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  virtual bool AnotherInstanceRunning() = 0;
};

}  // namespace cardwedge
