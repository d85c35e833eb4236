#pragma once

#include <string>

#include "platform/platform.h"

namespace cardwedge {

// Shows the box that tells the user of an error that ends the program, unless
// CARDWEDGE_NO_DIALOGS=1 asks for stderr only. The box may stay open for long: before it shows,
// the reader watch stops and the single-instance claim is given up, so the host can start the
// program again meanwhile.
void ShowEndingError(Platform& platform, const std::string& text);

}  // namespace cardwedge
