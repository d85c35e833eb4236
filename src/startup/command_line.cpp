#include "startup/command_line.h"

#include "common/number_text.h"

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

std::optional<int> ReadCheckCommand(const std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments[0] != kCheckWord) return std::nullopt;
  if (arguments.size() == 1) return 0;
  if (arguments.size() > 2) {
    throw CommandLineError(std::string(kCheckWord) + " takes one word, SECONDS; \"" + arguments[2] +
                           "\" is one too many");
  }
  const std::string& seconds = arguments[1];
  // At most four digits: the check waits an hour at most.
  if (!IsDigitsOnly(seconds) || seconds.size() > 4 || std::stoi(seconds) > kMaxCheckWaitSeconds) {
    throw CommandLineError("the SECONDS word \"" + seconds + "\" of " + kCheckWord +
                           " is not a whole number from 0 to " +
                           std::to_string(kMaxCheckWaitSeconds));
  }
  return std::stoi(seconds);
}

}  // namespace cardwedge
