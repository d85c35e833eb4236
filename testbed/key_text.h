#pragma once

// How the key windows of the test bed (key_capture on X11, key_target on Windows) write the text
// of a key event on one line: "-" for none, "\n" for Return, "\t", "\\" and "\xHH" for other
// control bytes; everything else as it is.

#include <string>
#include <string_view>

namespace cardwedge::testbed {

std::string Escape(std::string_view text);

// The characters typed, from a key event's text as Escape writes it.
std::string Unescape(std::string_view text);

}  // namespace cardwedge::testbed
