#pragma once

// Ctrl-C and kill for a benchmark that must clean up what it started: the signals are taken on a
// thread of their own and turned into an exception at the benchmark's next step, so that the
// destructors of the test bed end every process and remove every file. A second signal ends the
// process at once (its children die with it: they are started with PR_SET_PDEATHSIG).

#include <chrono>
#include <stdexcept>

namespace cardwedge::bench {

class Interrupted : public std::runtime_error {
 public:
  Interrupted() : std::runtime_error("interrupted") {}
};

// Call first in main, before any other thread starts, so that every thread inherits the mask.
void TakeSignalsOnAThreadOfTheirOwn();

void ThrowIfInterrupted();

// Sleeps, in short steps, throwing Interrupted as soon as a signal came.
void SleepUnlessInterrupted(std::chrono::milliseconds duration);

}  // namespace cardwedge::bench
