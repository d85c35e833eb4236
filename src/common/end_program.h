#pragma once

#include "platform/platform.h"

namespace cardwedge {

// Ends the program at once (host gone, switch value 9, a window closed, "Quit") after stopping
// the smart-card reader watch; does not return. Ending a process kills its other threads wherever
// they stand, and a thread killed inside the smart-card library can leave a lock held that the
// library's own clean-up at process end then waits for.
void EndProgram(Platform& platform, int status);

}  // namespace cardwedge
