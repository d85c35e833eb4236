#include "reader_probe.h"

#include <chrono>
#include <thread>

namespace cardwedge::soak {

ReaderProbe::ReaderProbe(std::string reader) : reader_(std::move(reader)) {
  if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_) != SCARD_S_SUCCESS) {
    throw testbed::TestbedError("reader probe: no PC/SC context");
  }
}

ReaderProbe::~ReaderProbe() { SCardReleaseContext(context_); }

void ReaderProbe::WaitFor(bool present, testbed::Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  SCARD_READERSTATE state{};
  state.szReader = reader_.c_str();
  state.dwCurrentState = SCARD_STATE_UNAWARE;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<testbed::Duration>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      throw testbed::TestbedError("pcscd did not see the card " +
                                  std::string(present ? "laid on " : "taken from ") + reader_);
    }
    const LONG result = SCardGetStatusChange(context_, static_cast<DWORD>(left.count()), &state, 1);
    if (result != SCARD_S_SUCCESS && result != static_cast<LONG>(SCARD_E_TIMEOUT)) {
      throw testbed::TestbedError("reader probe: SCardGetStatusChange failed");
    }
    const bool card = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
    if (result == SCARD_S_SUCCESS && card == present) return;
    state.dwCurrentState = state.dwEventState & ~static_cast<DWORD>(SCARD_STATE_CHANGED);
  }
}

void ReaderProbe::WaitUntilLetGo(testbed::Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  SCARD_READERSTATE state{};
  state.szReader = reader_.c_str();
  for (;;) {
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const LONG result = SCardGetStatusChange(context_, 0, &state, 1);
    if (result == SCARD_S_SUCCESS && (state.dwEventState & SCARD_STATE_INUSE) == 0) return;
    if (std::chrono::steady_clock::now() > deadline) {
      throw testbed::TestbedError("the card stayed in use on " + reader_);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace cardwedge::soak
