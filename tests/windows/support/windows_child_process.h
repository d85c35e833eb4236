#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace cardwedge::wintest {

// A build path as Wine shows it to Windows programs: drive Z: is the Unix root.
std::wstring WindowsPath(const std::string& unixPath);

// A Windows program started with its standard input and output piped to the test; killed when
// it is still running at destruction.
class WindowsChildProcess {
 public:
  explicit WindowsChildProcess(const std::wstring& commandLine);
  ~WindowsChildProcess();
  WindowsChildProcess(const WindowsChildProcess&) = delete;
  WindowsChildProcess& operator=(const WindowsChildProcess&) = delete;

  void WriteLine(const std::string& line);
  // The next line of output, without its line end; nullopt at the end of output or on time-out.
  std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  // Reads lines until one equals expected; false when none does in time.
  bool WaitForLine(const std::string& expected);
  // The exit code, or nullopt when the program is still running after the time-out.
  std::optional<unsigned long> Wait(std::chrono::milliseconds timeout = std::chrono::seconds(20));
  void Kill();

 private:
  void ReadOutput();

  void* process_ = nullptr;
  void* input_ = nullptr;
  void* output_ = nullptr;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable lineArrived_;
  std::deque<std::string> lines_;
  bool outputEnded_ = false;
};

}  // namespace cardwedge::wintest
