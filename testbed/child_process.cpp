#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

extern char** environ;

namespace cardwedge::testbed {
namespace {

void CloseIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

std::string ResolveProgram(const std::string& program) {
  if (program.find('/') != std::string::npos) return program;
  const char* path = std::getenv("PATH");
  std::istringstream directories(path != nullptr ? path : "/usr/bin:/bin");
  std::string directory;
  while (std::getline(directories, directory, ':')) {
    const auto candidate = std::filesystem::path(directory) / program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  throw TestbedError("program not found in PATH: " + program);
}

std::vector<std::string> MergeEnvironment(const std::map<std::string, std::string>& extra) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    if (!extra.contains(std::string(variable.substr(0, variable.find('='))))) {
      merged.emplace_back(variable);
    }
  }
  for (const auto& [name, value] : extra) merged.push_back(name + "=" + value);
  return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& text : strings) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// A descriptor numbered 10 or above, so that placing others at 0..3 cannot overwrite it.
int MoveAboveStandard(int fd) {
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 10);
  close(fd);
  return moved;
}

// Runs in the child between fork and exec: async-signal-safe calls only.
[[noreturn]] void BecomeProgram(const char* path, char** argv, char** envp, pid_t parent, int input,
                                int output, int error_output, int descriptor_3, int exec_failure) {
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  dup2(input, STDIN_FILENO);
  dup2(output, STDOUT_FILENO);
  if (error_output >= 0) dup2(error_output, STDERR_FILENO);
  int first_to_close = 3;
  if (descriptor_3 >= 0) {
    dup2(descriptor_3, 3);
    first_to_close = 4;
  }
  // The failure pipe stays open (close-on-exec) to report a failed exec.
  const int keep = exec_failure;
  if (keep > first_to_close) close_range(first_to_close, keep - 1, 0);
  close_range(keep + 1, ~0U, 0);
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    sigaction(signal_number, &default_action, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execve(path, argv, envp);
  const int error = errno;
  [[maybe_unused]] const ssize_t written = write(exec_failure, &error, sizeof error);
  _exit(127);
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, ProcessOptions options)
    : name_(std::filesystem::path(argv.at(0)).filename()) {
  // Writing to a program that has exited must be an error to report, not end the test.
  static const auto previous_sigpipe_handler = std::signal(SIGPIPE, SIG_IGN);
  (void)previous_sigpipe_handler;

  std::string path = ResolveProgram(argv[0]);
  std::vector<std::string> environment = MergeEnvironment(options.environment);
  std::vector<char*> argv_pointers = Pointers(argv);
  std::vector<char*> environment_pointers = Pointers(environment);

  int input_pipe[2];
  int output_pipe[2];
  int failure_pipe[2];
  if (pipe2(input_pipe, O_CLOEXEC) != 0 || pipe2(output_pipe, O_CLOEXEC) != 0 ||
      pipe2(failure_pipe, O_CLOEXEC) != 0) {
    throw TestbedError(std::string("pipe: ") + std::strerror(errno));
  }
  for (int* fd : {&input_pipe[0], &output_pipe[1], &failure_pipe[1]}) *fd = MoveAboveStandard(*fd);
  int error_output = -1;
  if (options.error_output == ErrorOutput::kDiscard) {
    error_output = MoveAboveStandard(open("/dev/null", O_WRONLY | O_CLOEXEC));
  } else if (options.error_output == ErrorOutput::kIntoLines) {
    error_output = output_pipe[1];
  }
  const int descriptor_3 =
      options.descriptor_3 >= 0 ? fcntl(options.descriptor_3, F_DUPFD_CLOEXEC, 10) : -1;
  const pid_t parent = getpid();

  pid_ = fork();
  if (pid_ == 0) {
    BecomeProgram(path.c_str(), argv_pointers.data(), environment_pointers.data(), parent,
                  input_pipe[0], output_pipe[1], error_output, descriptor_3, failure_pipe[1]);
  }
  const int fork_error = errno;
  close(input_pipe[0]);
  close(output_pipe[1]);
  close(failure_pipe[1]);
  if (options.error_output == ErrorOutput::kDiscard) close(error_output);
  if (descriptor_3 >= 0) close(descriptor_3);
  input_ = input_pipe[1];
  output_ = output_pipe[0];
  if (pid_ < 0) {
    close(failure_pipe[0]);
    CloseIfOpen(input_);
    CloseIfOpen(output_);
    throw TestbedError("fork: " + std::string(std::strerror(fork_error)));
  }
  // Also set here, so that the group exists before anyone signals it.
  setpgid(pid_, pid_);

  int exec_error = 0;
  const ssize_t failure_bytes = read(failure_pipe[0], &exec_error, sizeof exec_error);
  close(failure_pipe[0]);
  if (failure_bytes > 0) {
    waitpid(pid_, nullptr, 0);
    CloseIfOpen(input_);
    CloseIfOpen(output_);
    throw TestbedError("cannot run " + path + ": " + std::strerror(exec_error));
  }
  pid_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  stop_reading_ = eventfd(0, EFD_CLOEXEC);
  reader_ = std::thread(&ChildProcess::ReadOutput, this);
}

ChildProcess::~ChildProcess() {
  Kill(SIGKILL);
  if (!wait_status_) waitpid(pid_, nullptr, 0);
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(stop_reading_, &one, sizeof one);
  reader_.join();
  CloseIfOpen(stop_reading_);
  CloseIfOpen(input_);
  CloseIfOpen(output_);
  CloseIfOpen(pid_fd_);
}

void ChildProcess::ReadOutput() {
  std::string partial;
  char chunk[4096];
  for (;;) {
    pollfd fds[2] = {{output_, POLLIN, 0}, {stop_reading_, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) break;
    const ssize_t count = read(output_, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    partial.append(chunk, static_cast<std::size_t>(count));
    const auto arrival = std::chrono::steady_clock::now();
    std::size_t end;
    std::lock_guard lock(mutex_);
    while ((end = partial.find('\n')) != std::string::npos) {
      lines_.push_back(partial.substr(0, end));
      arrivals_.push_back(arrival);
      partial.erase(0, end + 1);
    }
    line_arrived_.notify_all();
  }
  std::lock_guard lock(mutex_);
  if (!partial.empty()) {
    lines_.push_back(partial);
    arrivals_.push_back(std::chrono::steady_clock::now());
  }
  output_ended_ = true;
  line_arrived_.notify_all();
}

void ChildProcess::WriteLine(std::string_view line) {
  std::string text(line);
  text += '\n';
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = write(input_, text.data() + written, text.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) throw TestbedError(Describe("cannot write \"" + std::string(line) + "\""));
    written += static_cast<std::size_t>(count);
  }
}

void ChildProcess::CloseInput() { CloseIfOpen(input_); }

std::optional<std::string> ChildProcess::TryWaitForLine(const LinePredicate& matches,
                                                        Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    while (next_line_ < lines_.size()) {
      const std::string& line = lines_[next_line_++];
      if (matches(line)) return line;
    }
    if (output_ended_) return std::nullopt;
    if (line_arrived_.wait_until(lock, deadline) == std::cv_status::timeout &&
        next_line_ == lines_.size()) {
      return std::nullopt;
    }
  }
}

std::string ChildProcess::WaitForLine(const LinePredicate& matches, Duration timeout,
                                      std::string_view description) {
  if (auto line = TryWaitForLine(matches, timeout)) return *line;
  throw TestbedError(Describe("no line " + std::string(description) + " within " +
                              std::to_string(timeout.count()) + " ms"));
}

std::string ChildProcess::WaitForLine(std::string_view prefix, Duration timeout) {
  return WaitForLine([prefix](std::string_view line) { return line.starts_with(prefix); }, timeout,
                     "starting with \"" + std::string(prefix) + "\"");
}

std::vector<std::string> ChildProcess::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::optional<std::chrono::steady_clock::time_point> ChildProcess::LastArrival(
    const LinePredicate& matches) const {
  std::lock_guard lock(mutex_);
  for (std::size_t i = lines_.size(); i > 0; --i) {
    if (matches(lines_[i - 1])) return arrivals_[i - 1];
  }
  return std::nullopt;
}

void ChildProcess::Kill(int signal) {
  // Once reaped, the group may still hold programs the child started.
  kill(-pid_, signal);
}

std::optional<int> ChildProcess::Wait(Duration timeout) {
  if (wait_status_) return wait_status_;
  pollfd ended = {pid_fd_, POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
    const int ready = poll(&ended, 1, static_cast<int>(std::max<Duration::rep>(left.count(), 0)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      wait_status_ = status;
      return wait_status_;
    }
  }
}

std::string ChildProcess::Describe(std::string_view what) const {
  std::string message = name_ + " (pid " + std::to_string(pid_) + "): " + std::string(what);
  std::lock_guard lock(mutex_);
  if (output_ended_) message += "; its output has ended";
  message += "; last lines:";
  const std::size_t first = lines_.size() > 10 ? lines_.size() - 10 : 0;
  for (std::size_t i = first; i < lines_.size(); ++i) message += "\n  " + lines_[i];
  return message;
}

}  // namespace cardwedge::testbed
