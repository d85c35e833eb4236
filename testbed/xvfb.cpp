#include "xvfb.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace cardwedge::testbed {
namespace {

// Reads the display number Xvfb writes, once it accepts connections, to -displayfd.
std::string ReadDisplayNumber(int fd, Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  std::string number;
  while (number.empty() || number.back() != '\n') {
    const auto left =
        std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
    pollfd readable = {fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) return "";
    char chunk[16];
    const ssize_t count = read(fd, chunk, sizeof chunk);
    if (count <= 0) return "";
    number.append(chunk, static_cast<std::size_t>(count));
  }
  number.pop_back();
  return number;
}

}  // namespace

Xvfb::Xvfb(Duration start_timeout) {
  int display_pipe[2];
  if (pipe2(display_pipe, O_CLOEXEC) != 0) throw TestbedError("pipe for Xvfb -displayfd");
  ProcessOptions options;
  options.error_output = ErrorOutput::kDiscard;  // warnings about the keymap and fonts
  options.descriptor_3 = display_pipe[1];
  try {
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"},
        options);
  } catch (...) {
    close(display_pipe[0]);
    close(display_pipe[1]);
    throw;
  }
  close(display_pipe[1]);
  const std::string number = ReadDisplayNumber(display_pipe[0], start_timeout);
  close(display_pipe[0]);
  if (number.empty()) throw TestbedError("Xvfb did not report a display");
  display_ = ":" + number;
}

}  // namespace cardwedge::testbed
