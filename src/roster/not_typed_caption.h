#pragma once

#include <string>

#include "platform/keyboard.h"

namespace cardwedge {

// The result line of a reader window for a value that was not typed: that it was not entered,
// and why, in the windows' language.
std::string NotTypedCaption(const TypingError& error);

}  // namespace cardwedge
