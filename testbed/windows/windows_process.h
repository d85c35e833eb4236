#pragma once

#include <windows.h>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace cardwedge::testbed {

// A program started with CreateProcessW by a test under Windows (or Wine). Its standard output
// can be read line by line as it comes; its standard error goes to the test's. Destroying it
// ends the process (TerminateProcess) and waits for it, so a failing test leaves nothing behind.
// A show state, when given, goes to the program as a launcher's STARTUPINFO hands it over.
class WindowsProcess {
 public:
  // Variables to set (a value) or remove (nullopt) in a copy of this process's environment.
  using EnvironmentChanges = std::map<std::wstring, std::optional<std::wstring>>;

  WindowsProcess(const std::wstring& program, const std::vector<std::wstring>& arguments,
                 const EnvironmentChanges& environment = {}, bool captureOutput = false,
                 std::optional<WORD> showWindow = std::nullopt);
  ~WindowsProcess();
  WindowsProcess(const WindowsProcess&) = delete;
  WindowsProcess& operator=(const WindowsProcess&) = delete;

  DWORD id() const { return info_.dwProcessId; }
  // The exit status, or nullopt when the process still runs after the timeout.
  std::optional<DWORD> Wait(std::chrono::milliseconds timeout);
  // Ends the process at once and waits for it to be gone.
  void Kill();
  // The lines written to standard output so far, without their line ends.
  std::vector<std::string> Lines() const;

 private:
  void ReadOutput();

  PROCESS_INFORMATION info_{};
  HANDLE output_ = nullptr;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
  std::thread reader_;
};

}  // namespace cardwedge::testbed
