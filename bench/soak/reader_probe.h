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
  // Waits until no client holds a connection to the card: the tool has let go of it. A card
  // pulled while pcscd unpowers it leaves pcscd reporting an empty reader that its own poll has
  // not seen, and a card laid then is not noticed until it is lifted again; a person's hand is
  // never that quick.
  void WaitUntilLetGo(testbed::Duration timeout = testbed::kEventTimeout);

 private:
  std::string reader_;
  SCARDCONTEXT context_ = 0;
};

}  // namespace cardwedge::soak
