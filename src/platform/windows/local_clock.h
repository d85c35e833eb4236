#pragma once

#include "platform/clock.h"

namespace cardwedge {

// The local wall-clock time of the system, to the millisecond.
class LocalClock : public Clock {
 public:
  double SecondsSinceMidnight() override;
};

}  // namespace cardwedge
