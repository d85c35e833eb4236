#pragma once

#include "platform/clock.h"

namespace cardwedge {

class SystemClock : public Clock {
 public:
  double SecondsSinceMidnight() override;
};

}  // namespace cardwedge
