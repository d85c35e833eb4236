#pragma once

#include <string>
#include <string_view>

namespace cardwedge {

// Conversion between the system's ANSI code page (file contents, reader names) and the UTF-8
// text the program works with.
class TextCodec {
 public:
  virtual ~TextCodec() = default;
  virtual std::string AnsiToUtf8(std::string_view ansi) = 0;
  virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;
};

}  // namespace cardwedge
