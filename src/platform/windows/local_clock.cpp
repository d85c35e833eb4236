#include "platform/windows/local_clock.h"

#include <windows.h>

namespace cardwedge {

double LocalClock::SecondsSinceMidnight() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

}  // namespace cardwedge
