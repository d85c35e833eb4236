#include "reference_client.h"

#include <stdexcept>

namespace cardwedge::bench {

ReferenceClient::ReferenceClient(std::string reader) : reader_(std::move(reader)) {
  if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_) != SCARD_S_SUCCESS) {
    throw std::runtime_error("reference client: no PC/SC context");
  }
  watcher_ = std::thread(&ReferenceClient::Watch, this);
}

ReferenceClient::~ReferenceClient() {
  SCardCancel(context_);
  watcher_.join();
  SCardReleaseContext(context_);
}

void ReferenceClient::Watch() {
  SCARD_READERSTATE state{};
  state.szReader = reader_.c_str();
  state.dwCurrentState = SCARD_STATE_UNAWARE;
  bool present = false;
  for (;;) {
    const LONG result = SCardGetStatusChange(context_, INFINITE, &state, 1);
    const Clock::time_point when = Clock::now();
    if (result != SCARD_S_SUCCESS) break;
    const bool now_present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
    // The first answer only tells the state the reader is in.
    if (state.dwCurrentState != SCARD_STATE_UNAWARE && now_present != present) {
      std::lock_guard lock(mutex_);
      changes_.push_back({when, now_present});
      changed_.notify_all();
    }
    present = now_present;
    state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
  }
  std::lock_guard lock(mutex_);
  ended_ = true;
  changed_.notify_all();
}

Clock::time_point ReferenceClient::WaitFor(bool present, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  std::unique_lock lock(mutex_);
  for (;;) {
    while (next_change_ < changes_.size()) {
      const Change& change = changes_[next_change_++];
      if (change.present == present) return change.when;
    }
    if (ended_) throw std::runtime_error("reference client: SCardGetStatusChange failed");
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout &&
        next_change_ == changes_.size()) {
      throw std::runtime_error(std::string("reference client: the card did not ") +
                               (present ? "appear" : "go") + " in time");
    }
  }
}

}  // namespace cardwedge::bench
