#include "line_input.h"

#include <unistd.h>

#include <cerrno>

namespace cardwedge::testbed {

bool LineInput::ReadAvailable() {
  char chunk[4096];
  ssize_t count;
  do {
    count = read(fd_, chunk, sizeof chunk);
  } while (count < 0 && errno == EINTR);
  if (count <= 0) return false;
  buffer_.append(chunk, static_cast<std::size_t>(count));
  return true;
}

std::optional<std::string> LineInput::NextLine() {
  const auto end = buffer_.find('\n');
  if (end == std::string::npos) return std::nullopt;
  std::string line = buffer_.substr(0, end);
  buffer_.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace cardwedge::testbed
