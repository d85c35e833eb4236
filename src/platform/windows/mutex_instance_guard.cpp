#include "platform/windows/mutex_instance_guard.h"

#include <windows.h>

namespace cardwedge {

MutexInstanceGuard::MutexInstanceGuard(std::wstring name) : name_(std::move(name)) {}

MutexInstanceGuard::~MutexInstanceGuard() { Release(); }

void MutexInstanceGuard::Release() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
  mutex_ = nullptr;
}

bool MutexInstanceGuard::AnotherInstanceRunning() {
  if (mutex_ != nullptr) return false;
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, name_.c_str());
  const DWORD error = GetLastError();
  if (mutex == nullptr) return error == ERROR_ACCESS_DENIED;
  if (error == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return true;
  }
  mutex_ = mutex;
  return false;
}

}  // namespace cardwedge
