#include "platform/scard/reader_watcher.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/scard/scard_api.h"
#include "platform/scard_result.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;

// How long the watch waits before it tries a lost service again, or calls again after a return
// that reported nothing; the window's own poll stays the fallback meanwhile.
constexpr auto kRetryStep = 200ms;
// How often a stop repeats its cancel (one that comes before the wait begins is lost), and how
// long it waits for the thread at most.
constexpr auto kCancelRepeat = 20ms;
constexpr auto kStopTimeout = 1s;
// The state bits that tell whether a card is there; the others (in use, the event counter)
// change with every connect of the window itself.
constexpr DWORD kPresenceBits =
    SCARD_STATE_PRESENT | SCARD_STATE_EMPTY | SCARD_STATE_UNKNOWN | SCARD_STATE_UNAVAILABLE;

// The context is dead: the service went away (or, on Linux, was restarted under it).
bool ServiceLost(LONG result) {
  return ClassifyScardResult(static_cast<ScardResult>(result)) == ScardOutcome::kServiceLost;
}

}  // namespace

struct ReaderWatcher::Shared {
  void Run();
  // Reports the changes seen on one context until the service is lost or the watch stops.
  void WatchOn(SCARDCONTEXT context);
  // Reports under the lock, so that no report starts once Stop has returned.
  void Report(ReaderChange change);
  // Waits one retry step; false when the watch stops meanwhile.
  bool PauseBeforeRetry();

  std::mutex mutex;
  std::condition_variable stopRequested;
  std::condition_variable finished;
  std::string target;
  std::string watching;
  SCARDCONTEXT context = 0;
  bool contextOpen = false;
  bool stopping = false;
  bool running = false;
  std::function<void(ReaderChange)> onChange;
};

ReaderWatcher::ReaderWatcher() : shared_(std::make_shared<Shared>()) {}

void ReaderWatcher::Watch(const std::string& reader, std::function<void(ReaderChange)> onChange) {
  const std::lock_guard lock(shared_->mutex);
  shared_->target = reader;
  if (!thread_.joinable()) {
    shared_->onChange = std::move(onChange);
    shared_->stopping = false;
    shared_->running = true;
    thread_ = std::thread([shared = shared_] { shared->Run(); });
    return;
  }
  // A lost cancel is repeated by the next call, as long as the thread watches another reader.
  if (shared_->contextOpen && shared_->watching != shared_->target) {
    SCardCancel(shared_->context);
  }
}

void ReaderWatcher::Stop() {
  if (!thread_.joinable()) return;
  std::unique_lock lock(shared_->mutex);
  shared_->stopping = true;
  shared_->stopRequested.notify_all();
  const auto deadline = std::chrono::steady_clock::now() + kStopTimeout;
  while (shared_->running && std::chrono::steady_clock::now() < deadline) {
    if (shared_->contextOpen) SCardCancel(shared_->context);
    shared_->finished.wait_for(lock, kCancelRepeat);
  }
  const bool finished = !shared_->running;
  lock.unlock();
  if (finished) {
    thread_.join();
  } else {
    thread_.detach();
    shared_ = std::make_shared<Shared>();
  }
}

void ReaderWatcher::Shared::Run() {
  bool serviceWasLost = false;
  for (;;) {
    SCARDCONTEXT established = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &established) ==
        SCARD_S_SUCCESS) {
      {
        const std::lock_guard lock(mutex);
        context = established;
        contextOpen = true;
      }
      if (serviceWasLost) Report(ReaderChange::kReaderList);
      WatchOn(established);
      {
        const std::lock_guard lock(mutex);
        contextOpen = false;
      }
      SCardReleaseContext(established);
    }
    serviceWasLost = true;
    if (!PauseBeforeRetry()) break;
  }
  const std::lock_guard lock(mutex);
  running = false;
  finished.notify_all();
}

void ReaderWatcher::Shared::WatchOn(SCARDCONTEXT on) {
  std::string reader;
  DWORD readerKnown = SCARD_STATE_UNAWARE;
  // The reader list as the service last gave it: Windows keeps the reader count in the upper word
  // and blocks while the count passed back is right. Zero at first, as the service asks.
  DWORD listKnown = 0;
  for (;;) {
    {
      const std::lock_guard lock(mutex);
      if (stopping) return;
      if (target != reader) {
        reader = target;
        readerKnown = SCARD_STATE_UNAWARE;
      }
      watching = reader;
    }
    scard_api::ReaderState states[2]{};
    states[0].szReader = scard_api::kPnpNotification;
    states[0].dwCurrentState = listKnown;
    states[1].szReader = reader.c_str();
    states[1].dwCurrentState = readerKnown;
    const DWORD count = reader.empty() ? 1 : 2;
    const LONG result = scard_api::GetStatusChange(on, INFINITE, states, count);
    if (result == static_cast<LONG>(SCARD_E_CANCELLED)) continue;
    if (ServiceLost(result)) return;

    bool listChanged = false;
    bool presenceChanged = false;
    bool stateMoved = false;
    if (result == SCARD_S_SUCCESS) {
      const DWORD listNow = states[0].dwEventState & ~SCARD_STATE_CHANGED;
      listChanged = listNow != listKnown;
      listKnown = listNow;
      if (count == 2) {
        // A reader that is not there is answered "unknown, changed, ignore" at every call; passed
        // back, "ignore" would stop the watch on it for good, and the reader may come back.
        const DWORD readerNow =
            states[1].dwEventState & ~(SCARD_STATE_CHANGED | SCARD_STATE_IGNORE);
        // A watch that starts on a card already there reports it: it may have come just now.
        presenceChanged = readerKnown == SCARD_STATE_UNAWARE
                              ? (readerNow & SCARD_STATE_PRESENT) != 0
                              : ((readerNow ^ readerKnown) & kPresenceBits) != 0;
        stateMoved = readerNow != readerKnown;
        readerKnown = readerNow;
      }
    }
    if (listChanged) Report(ReaderChange::kReaderList);
    if (presenceChanged) Report(ReaderChange::kCardPresence);
    // A return that brought nothing new (a vanished reader, a time-out, an error) comes again at
    // once when called again at once: wait a step, so the watch never spins. A state that moved
    // without a card coming or going (the window's own connect, the event counter) is passed back
    // at once: the next call blocks, and a card laid meanwhile is not left to the poll.
    if (!listChanged && !stateMoved && !PauseBeforeRetry()) return;
  }
}

void ReaderWatcher::Shared::Report(ReaderChange change) {
  const std::lock_guard lock(mutex);
  if (!stopping) onChange(change);
}

bool ReaderWatcher::Shared::PauseBeforeRetry() {
  std::unique_lock lock(mutex);
  return !stopRequested.wait_for(lock, kRetryStep, [this] { return stopping; });
}

}  // namespace cardwedge
