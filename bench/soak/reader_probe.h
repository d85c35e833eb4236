#pragma once

// pcscd's view of one reader, asked as any PC/SC client would: whether a card lies on it. A run
// waits for it to see a card gone before laying the next, so that the next is a fresh
// presentation and not a quick swap.

#include <PCSC/winscard.h>

#include <string>

#include "testbed.h"

namespace cardwedge::soak {

class ReaderProbe {
 public:
  explicit ReaderProbe(std::string reader);
  ~ReaderProbe();
  ReaderProbe(const ReaderProbe&) = delete;
  ReaderProbe& operator=(const ReaderProbe&) = delete;

  // Waits until pcscd reports the reader with (or without) a card; throws on time-out.
  void WaitFor(bool present, testbed::Duration timeout = testbed::kEventTimeout);

 private:
  std::string reader_;
  SCARDCONTEXT context_ = 0;
};

}  // namespace cardwedge::soak
