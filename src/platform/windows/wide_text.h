#pragma once

#include <string>
#include <string_view>

namespace cardwedge {

// Text in a Windows code page (CP_UTF8, CP_ACP, ...) as UTF-16, and back.
std::wstring ToWide(std::string_view text, unsigned codePage);
std::string FromWide(std::wstring_view wide, unsigned codePage);

// The program's UTF-8 text as the UTF-16 the wide-character Windows API takes, and back. Bytes
// that are not UTF-8 become U+FFFD.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace cardwedge
