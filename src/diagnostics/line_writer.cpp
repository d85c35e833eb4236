#include "diagnostics/line_writer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace cardwedge {
namespace {

constexpr std::chrono::milliseconds kEndWait{500};

}  // namespace

// Owned jointly by the writer and its thread, so a thread stalled in a write may outlive the
// writer.
struct LineWriter::Shared {
  std::function<bool(const std::string&)> write;
  FrameNotice frameNotice;
  std::size_t capacity = 0;
  std::chrono::milliseconds retryDelay{};
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> waiting;
  std::size_t dropped = 0;
  std::size_t posted = 0;
  std::size_t written = 0;
  bool stopping = false;

  void Run() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [this] { return stopping || !waiting.empty(); });
      if (waiting.empty()) return;
      const std::string line = waiting.front();
      lock.unlock();
      const bool taken = write(line);
      lock.lock();
      if (!taken) {
        if (changed.wait_for(lock, retryDelay, [this] { return stopping; })) return;
        continue;
      }
      waiting.pop_front();
      ++written;
      changed.notify_all();
    }
  }
};

LineWriter::LineWriter(std::function<bool(const std::string& line)> write, FrameNotice frameNotice,
                       std::size_t capacity, std::chrono::milliseconds retryDelay)
    : shared_(std::make_shared<Shared>()) {
  shared_->write = std::move(write);
  shared_->frameNotice = std::move(frameNotice);
  shared_->capacity = capacity;
  shared_->retryDelay = retryDelay;
  std::thread([shared = shared_] { shared->Run(); }).detach();
}

LineWriter::~LineWriter() {
  Flush(kEndWait);
  const std::lock_guard lock(shared_->mutex);
  shared_->stopping = true;
  shared_->changed.notify_all();
}

void LineWriter::Post(std::string line) {
  const std::lock_guard lock(shared_->mutex);
  if (shared_->waiting.size() >= shared_->capacity) {
    ++shared_->dropped;
    return;
  }
  if (shared_->dropped > 0) {
    shared_->waiting.push_back(shared_->frameNotice(
        std::to_string(shared_->dropped) + " lines were dropped: the output was too slow"));
    ++shared_->posted;
    shared_->dropped = 0;
  }
  shared_->waiting.push_back(std::move(line));
  ++shared_->posted;
  shared_->changed.notify_all();
}

void LineWriter::Flush(std::chrono::milliseconds timeout) {
  std::unique_lock lock(shared_->mutex);
  const std::size_t target = shared_->posted;
  shared_->changed.wait_for(lock, timeout, [&] { return shared_->written >= target; });
}

}  // namespace cardwedge
