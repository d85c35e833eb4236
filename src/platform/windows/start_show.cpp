#include "platform/windows/start_show.h"

namespace cardwedge {

StartShow StartShowFor(DWORD flags, WORD showWindow) {
  if ((flags & STARTF_USESHOWWINDOW) == 0) return StartShow::kNormal;
  switch (showWindow) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      return StartShow::kMinimized;
    case SW_HIDE:
      return StartShow::kHidden;
    default:
      return StartShow::kNormal;
  }
}

StartShow ProcessStartShow() {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  GetStartupInfoW(&startup);
  return StartShowFor(startup.dwFlags, startup.wShowWindow);
}

}  // namespace cardwedge
