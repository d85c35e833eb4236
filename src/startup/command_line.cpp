#include "startup/command_line.h"

namespace cardwedge {

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> words;
  if (text.empty()) return words;
  std::size_t start = 0;
  for (;;) {
    const std::size_t space = text.find(' ', start);
    words.emplace_back(text.substr(start, space - start));
    if (space == std::string_view::npos) return words;
    start = space + 1;
  }
}

}  // namespace cardwedge
