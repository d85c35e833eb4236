#pragma once

#include <windows.h>

#include <string>

namespace cardwedge {

// The system's description of an error code, on one line, with the code.
std::string SystemErrorText(DWORD error);

// Raises FileError: "PATH": what: the system's description of the error.
[[noreturn]] void FailOnFile(const std::string& path, const std::string& what, DWORD error);

// Files are opened shared for reading, writing and deletion (a rename included).
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Closes a file handle when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (is_open()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace cardwedge
