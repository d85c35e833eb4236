#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace cardwedge::testbed {

using Duration = std::chrono::milliseconds;

// A test bed part that did not do what was asked in time: the message says what and why.
class TestbedError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using LinePredicate = std::function<bool(std::string_view line)>;

// Where a program's standard error goes.
enum class ErrorOutput { kInherit, kDiscard, kIntoLines };

struct ProcessOptions {
  // Added to the test's own environment, replacing variables of the same name.
  std::map<std::string, std::string> environment;
  ErrorOutput error_output = ErrorOutput::kInherit;
  // Given to the program as file descriptor 3 (e.g. for Xvfb -displayfd 3).
  int descriptor_3 = -1;
};

// A program run for a test, in a process group of its own. Its standard output is read line by
// line on a background thread, so it never blocks on a full pipe. The destructor kills the whole
// group and reaps the program. The program is also killed if the thread that started it ends
// first (PR_SET_PDEATHSIG), so nothing outlives a test run that was killed.
class ChildProcess {
 public:
  // argv[0] is looked up in PATH unless it contains a slash.
  explicit ChildProcess(std::vector<std::string> argv, ProcessOptions options = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  const std::string& name() const { return name_; }

  void WriteLine(std::string_view line);
  void CloseInput();

  // Waits for the next line, after the last one waited for, that matches; lines skipped on the
  // way stay in Lines(). Throws TestbedError on timeout or when the output has ended.
  std::string WaitForLine(const LinePredicate& matches, Duration timeout,
                          std::string_view description);
  std::string WaitForLine(std::string_view prefix, Duration timeout);
  // As WaitForLine, but nullopt instead of an exception.
  std::optional<std::string> TryWaitForLine(const LinePredicate& matches, Duration timeout);

  // Every line written so far.
  std::vector<std::string> Lines() const;
  // When the last line that matches was read from the program's output, as the program's
  // own time stamp of the event it reports; nullopt when no line matches.
  std::optional<std::chrono::steady_clock::time_point> LastArrival(
      const LinePredicate& matches) const;

  // Sends the signal to the program's whole process group.
  void Kill(int signal = SIGKILL);
  // The wait status once the program has ended, nullopt if it is still running after timeout.
  std::optional<int> Wait(Duration timeout);

 private:
  void ReadOutput();
  std::string Describe(std::string_view what) const;

  std::string name_;
  pid_t pid_ = -1;
  int pid_fd_ = -1;
  int input_ = -1;
  int output_ = -1;
  int stop_reading_ = -1;
  std::optional<int> wait_status_;

  mutable std::mutex mutex_;
  std::condition_variable line_arrived_;
  std::vector<std::string> lines_;
  std::vector<std::chrono::steady_clock::time_point> arrivals_;  // one per line
  std::size_t next_line_ = 0;
  bool output_ended_ = false;
  std::thread reader_;
};

// Typical waits; tests wait for states, and these only bound how long a fault can stall them.
inline constexpr Duration kStartTimeout{10'000};
inline constexpr Duration kEventTimeout{5'000};

}  // namespace cardwedge::testbed
