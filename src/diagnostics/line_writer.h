#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace cardwedge {

// Hands lines to a thread of its own that writes them, so an output that is slow or stalled
// (a full pipe, a busy disk) never delays the caller. At most `capacity` lines wait; further
// lines are dropped and counted, and the count is written before the next line that fits, as a
// line of its own framed by frameNotice (a time stamp, a line end) like the lines posted.
// An output that cannot take a line for the moment (write answers false) keeps it, first in line,
// and is given it again after retryDelay, while the lines behind it wait within the same bound.
class LineWriter {
 public:
  using FrameNotice = std::function<std::string(const std::string& notice)>;

  LineWriter(std::function<bool(const std::string& line)> write, FrameNotice frameNotice,
             std::size_t capacity, std::chrono::milliseconds retryDelay = std::chrono::seconds(1));
  // Writes what waits, unless the output stalls or refuses: then the thread is left to end on its
  // own.
  ~LineWriter();
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void Post(std::string line);
  // Waits until the lines posted so far are written, or the timeout has passed.
  void Flush(std::chrono::milliseconds timeout);

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace cardwedge
