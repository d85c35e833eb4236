#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/number_text.h"
#include "startup/command_line.h"

// Splits any command line into words and reads its flag and mode words as start-up does: the
// words joined by single spaces give the line back, and a finite number read from a word,
// written out in full precision, reads back as the same number.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> words = cardwedge::SplitCommandLine(line);
  std::string joined;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i].find(' ') != std::string::npos) std::abort();
    joined += (i == 0 ? "" : " ") + words[i];
  }
  if (joined != line) std::abort();

  for (std::size_t i = 0; i < words.size() && i < 2; ++i) {
    const std::optional<double> number = cardwedge::ParseNumber(words[i]);
    if (!number || !std::isfinite(*number)) continue;
    char written[64];
    std::snprintf(written, sizeof written, "%.17g", *number);
    const std::optional<double> again = cardwedge::ParseNumber(written);
    if (!again || *again != *number) std::abort();
  }
  return 0;
}
