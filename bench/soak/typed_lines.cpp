#include "typed_lines.h"

#include <chrono>

#include "key_text.h"

namespace cardwedge::soak {
namespace {

using Clock = std::chrono::steady_clock;

// A key event's text as key_capture writes it: "-" for none, "\n", "\t", "\\", "\xHH".
std::string KeyText(std::string_view line) {
  const auto text_start = line.find(' ', 4);
  if (text_start == std::string_view::npos) return "";
  return testbed::Unescape(line.substr(text_start + 1));
}

}  // namespace

std::string Tally::Describe() const {
  return "typed " + std::to_string(typed) + " of " + std::to_string(expected) + ", " +
         std::to_string(silent) + " read typing nothing: " + std::to_string(missed) + " missed, " +
         std::to_string(twice) + " twice, " + std::to_string(garbled) + " half-typed or stray";
}

std::optional<std::string> TypedLines::NextLine(testbed::Duration timeout) {
  const auto deadline = Clock::now() + timeout;
  const auto is_key = [](std::string_view line) { return line.starts_with("key "); };
  for (;;) {
    if (const auto end = partial_.find('\n'); end != std::string::npos) {
      std::string line = partial_.substr(0, end);
      partial_.erase(0, end + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<testbed::Duration>(deadline - Clock::now());
    if (left.count() < 0) return std::nullopt;
    const auto key = capture_.process().TryWaitForLine(is_key, left);
    if (!key) return std::nullopt;
    partial_ += KeyText(*key);
  }
}

void TypedLines::CountStray(const std::string& line, Tally& tally) const {
  if (seen_.contains(line)) {
    ++tally.twice;
  } else {
    ++tally.garbled;
  }
}

std::optional<std::string> TypedLines::Expect(const std::set<std::string>& acceptable,
                                              testbed::Duration timeout, Tally& tally) {
  ++tally.expected;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<testbed::Duration>(deadline - Clock::now());
    std::optional<std::string> line = NextLine(std::max(left, testbed::Duration{0}));
    if (!line) {
      ++tally.missed;
      return std::nullopt;
    }
    if (acceptable.contains(*line)) {
      ++tally.typed;
      seen_.insert(*line);
      return line;
    }
    CountStray(*line, tally);
  }
}

void TypedLines::ExpectNothingMore(testbed::Duration quiet, Tally& tally) {
  const auto deadline = Clock::now() + quiet;
  for (;;) {
    const auto left = std::chrono::duration_cast<testbed::Duration>(deadline - Clock::now());
    const std::optional<std::string> line = NextLine(std::max(left, testbed::Duration{0}));
    if (!line) break;
    CountStray(*line, tally);
  }
  if (!partial_.empty()) ++tally.garbled;
  partial_.clear();
}

}  // namespace cardwedge::soak
