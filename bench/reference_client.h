#pragma once

// The reference PC/SC client: a thread that waits in SCardGetStatusChange on one reader and
// notes when a card appears and disappears, as any PC/SC application would see it.

#include <PCSC/winscard.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cardwedge::bench {

using Clock = std::chrono::steady_clock;

class ReferenceClient {
 public:
  explicit ReferenceClient(std::string reader);
  ~ReferenceClient();
  ReferenceClient(const ReferenceClient&) = delete;
  ReferenceClient& operator=(const ReferenceClient&) = delete;

  // Waits for the next change to this presence after the last one waited for and returns when
  // SCardGetStatusChange reported it. Throws on time-out.
  Clock::time_point WaitFor(bool present, std::chrono::milliseconds timeout);

 private:
  struct Change {
    Clock::time_point when;
    bool present;
  };

  void Watch();

  std::string reader_;
  SCARDCONTEXT context_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Change> changes_;
  std::size_t next_change_ = 0;
  bool ended_ = false;
  std::thread watcher_;
};

}  // namespace cardwedge::bench
