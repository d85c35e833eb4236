#pragma once

#include <windows.h>

namespace cardwedge {

// How the windows first show: as the launcher asked for in its start-up information. A host
// usually starts the program minimized or hidden, and its own form keeps the focus either way.
enum class StartShow {
  kNormal,     // shown in place, not activated
  kMinimized,  // shown minimized, not activated
  kHidden,     // never shown; the windows still read cards
};

// The show state from a STARTUPINFO's dwFlags and wShowWindow: a minimizing state is kMinimized,
// SW_HIDE is kHidden, anything else (or no STARTF_USESHOWWINDOW) is kNormal.
StartShow StartShowFor(DWORD flags, WORD showWindow);

// This process's show state, from GetStartupInfoW.
StartShow ProcessStartShow();

}  // namespace cardwedge
