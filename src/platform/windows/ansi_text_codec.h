#pragma once

#include "platform/text_codec.h"

namespace cardwedge {

// Texts in the system's ANSI code page (GetACP). Bytes that are valid UTF-8 are taken as UTF-8,
// as on Linux, so a roster saved as UTF-8 reads the same on both systems.
class AnsiTextCodec : public TextCodec {
 public:
  std::string AnsiToUtf8(std::string_view ansi) override;
  // Characters the code page lacks become its default character ("?").
  std::string Utf8ToAnsi(std::string_view utf8) override;
};

}  // namespace cardwedge
