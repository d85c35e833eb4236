#pragma once

#include <string>

#include "platform/smart_card.h"

namespace cardwedge {

// What a result code of the smart-card service means to the PC/SC window and the reader watch.
enum class ScardOutcome {
  kSuccess,
  // The service is gone, or the context no longer reaches it (the service was restarted under
  // it): only a new context can work again.
  kServiceLost,
  // The reader is gone or none is attached: only a new reader list can work again.
  kReaderLost,
  // Anything else, such as a reader without a card or a card that answered badly.
  kOther,
};

// One classification for every caller: pcsc-lite and winscard give the same codes.
ScardOutcome ClassifyScardResult(ScardResult result);

// The code's name and value, "SCARD_E_NO_SERVICE (0x8010001D)"; the value alone when the name is
// not known.
std::string DescribeScardResult(ScardResult result);

}  // namespace cardwedge
