#pragma once

#include "platform/text_codec.h"

namespace cardwedge {

// Linux has no ANSI code page: bytes that are valid UTF-8 are taken as UTF-8, anything else as
// CP932 (Japanese Windows text). Text going out is UTF-8.
class IconvTextCodec : public TextCodec {
 public:
  std::string AnsiToUtf8(std::string_view ansi) override;
  std::string Utf8ToAnsi(std::string_view utf8) override;
};

}  // namespace cardwedge
