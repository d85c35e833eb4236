#include "key_text.h"

#include <charconv>
#include <cstdio>

namespace cardwedge::testbed {

std::string Escape(std::string_view text) {
  if (text.empty()) return "-";
  if (text == "-") return "\\x2D";
  std::string escaped;
  for (unsigned char c : text) {
    if (c == '\r' || c == '\n') {
      escaped += "\\n";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c == '\\') {
      escaped += "\\\\";
    } else if (c < 0x20 || c == 0x7F) {
      char code[5];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      escaped += code;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

std::string Unescape(std::string_view text) {
  if (text == "-") return "";
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      plain += text[i];
      continue;
    }
    const char code = text[++i];
    if (code == 'n') {
      plain += '\n';
    } else if (code == 't') {
      plain += '\t';
    } else if (code == 'x' && i + 2 < text.size()) {
      const char* digits = text.data() + i + 1;
      unsigned byte = 0;
      const auto [end, error] = std::from_chars(digits, digits + 2, byte, 16);
      if (error == std::errc() && end == digits + 2) plain += static_cast<char>(byte);
      i += 2;
    } else {
      plain += code;
    }
  }
  return plain;
}

}  // namespace cardwedge::testbed
