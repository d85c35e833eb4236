#pragma once

#include <string>
#include <string_view>

namespace cardwedge {

// The program's texts are UTF-8; the W entry points of Windows take UTF-16.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

}  // namespace cardwedge
