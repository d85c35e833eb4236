#include "interruption.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

namespace cardwedge::bench {
namespace {

std::atomic<bool> interrupted = false;

sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
  return signals;
}

}  // namespace

void TakeSignalsOnAThreadOfTheirOwn() {
  const sigset_t signals = EndingSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    int signal = 0;
    sigwait(&signals, &signal);
    interrupted = true;
    sigwait(&signals, &signal);
    _exit(128 + signal);
  }).detach();
}

void ThrowIfInterrupted() {
  if (interrupted) throw Interrupted();
}

void SleepUnlessInterrupted(std::chrono::milliseconds duration) {
  constexpr std::chrono::milliseconds kStep{50};
  const auto deadline = std::chrono::steady_clock::now() + duration;
  for (;;) {
    ThrowIfInterrupted();
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kStep));
  }
}

}  // namespace cardwedge::bench
