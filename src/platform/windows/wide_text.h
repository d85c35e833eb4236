#pragma once

#include <string>
#include <string_view>

namespace cardwedge {

// The program's UTF-8 text as the UTF-16 the wide-character Windows API takes, and back. Bytes
// that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace cardwedge
