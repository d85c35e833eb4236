#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/smart_card.h"

namespace cardwedge {

// A thread that waits in GetStatusChange, on a context of its own, for the watched reader and the
// service's reader list, and reports their changes (SmartCard::WatchReader).
class ReaderWatcher {
 public:
  ReaderWatcher();
  ~ReaderWatcher() { Stop(); }
  ReaderWatcher(const ReaderWatcher&) = delete;
  ReaderWatcher& operator=(const ReaderWatcher&) = delete;

  void Watch(const std::string& reader, std::function<void(ReaderChange)> onChange);
  // Cancels the wait and joins the thread. A service that does not answer the cancel within a
  // second keeps the thread: it is left to end on its own and reports nothing more.
  void Stop();

 private:
  struct Shared;

  // The thread shares this with the watcher, so a thread left behind never outlives its state.
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

}  // namespace cardwedge
