#pragma once

#include <string_view>

namespace cardwedge {

// True when text is well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF). Text codecs keep such bytes as they are, whatever the ANSI code page.
bool IsValidUtf8(std::string_view text);

}  // namespace cardwedge
