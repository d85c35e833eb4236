#pragma once

#include <optional>
#include <string>

namespace cardwedge::testbed {

// Splits what arrives on a file descriptor into lines, for poll()-driven programs.
class LineInput {
 public:
  explicit LineInput(int fd) : fd_(fd) {}

  int fd() const { return fd_; }

  // Reads what is available now; false once the other end is closed or broken.
  bool ReadAvailable();

  // The next complete line without its line end, if one has arrived.
  std::optional<std::string> NextLine();

 private:
  int fd_;
  std::string buffer_;
};

}  // namespace cardwedge::testbed
