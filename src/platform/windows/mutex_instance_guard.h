#pragma once

#include <string>

#include "platform/instance_guard.h"

namespace cardwedge {

// Claims a named mutex in the namespace of the user's logon session ("Local\"). The handle is
// kept open for the life of the process and Windows closes it when the process ends, however it
// ends, so a crashed instance never blocks the next. Where the mutex exists but cannot be opened
// (made by another account in the same session), another instance counts as running.
class MutexInstanceGuard : public InstanceGuard {
 public:
  explicit MutexInstanceGuard(std::wstring name = L"Local\\cardwedge");
  ~MutexInstanceGuard() override;
  MutexInstanceGuard(const MutexInstanceGuard&) = delete;
  MutexInstanceGuard& operator=(const MutexInstanceGuard&) = delete;

  bool AnotherInstanceRunning() override;
  void Release() override;

 private:
  std::wstring name_;
  void* mutex_ = nullptr;
};

}  // namespace cardwedge
