#pragma once

#include <string>

namespace cardwedge {

// One roster line: the value in field 2, the text in field 3, the card identifier in field 49,
// fields of 50 in all (fewer to test a short line), ending with CR LF.
inline std::string RosterLine(const std::string& value, const std::string& text,
                              const std::string& card, int fields = 50) {
  std::string line = "r";
  for (int i = 2; i <= fields; ++i) {
    line += ',';
    if (i == 2) line += value;
    if (i == 3) line += text;
    if (i == 49) line += card;
  }
  return line + "\r\n";
}

}  // namespace cardwedge
