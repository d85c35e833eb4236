#pragma once

namespace cardwedge {

// Tells whether another instance of this program runs for the same user. The first call claims
// the instance for this process, which keeps it until it ends (a crash included). Asking again
// from the same process answers false every time: a process never finds its own claim.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  virtual bool AnotherInstanceRunning() = 0;
  // Gives up this process's claim, so that a new instance can start while this one ends; nothing
  // without a claim. Asking again afterwards claims anew.
  virtual void Release() = 0;
};

}  // namespace cardwedge
