#pragma once

namespace cardwedge {

class Clock {
 public:
  virtual ~Clock() = default;
  // Local time of day in seconds since midnight, with fractions.
  virtual double SecondsSinceMidnight() = 0;
};

}  // namespace cardwedge
