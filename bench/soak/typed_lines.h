#pragma once

// The text that reaches the capture window, line by line, checked against the sequence a run
// expects: every expected line must come once and whole, and nothing else may come.

#include <optional>
#include <set>
#include <string>

#include "testbed.h"

namespace cardwedge::soak {

// Losses counted over a run.
struct Tally {
  int expected = 0;
  int typed = 0;
  int silent = 0;  // cards read that rightly typed nothing
  int missed = 0;  // cards not typed, or not even read
  int twice = 0;
  int garbled = 0;  // half-typed, interleaved or never expected

  bool Clean() const { return missed == 0 && twice == 0 && garbled == 0 && typed == expected; }
  // "typed 1500 of 1500, 500 read typing nothing: 0 missed, 0 twice, 0 half-typed or stray"
  std::string Describe() const;
};

// Reads the capture window's key events as they come, so a long run costs nothing per line.
class TypedLines {
 public:
  explicit TypedLines(testbed::KeyCapture& capture) : capture_(capture) {}

  // Waits for the next line that one of `acceptable` completes and returns it. Lines that come
  // before it count as typed twice (a line already typed) or garbled; none in time counts as
  // missed.
  std::optional<std::string> Expect(const std::set<std::string>& acceptable,
                                    testbed::Duration timeout, Tally& tally);

  // Waits `quiet` for anything more: every line, and text left without its Enter, is garbled.
  void ExpectNothingMore(testbed::Duration quiet, Tally& tally);

 private:
  std::optional<std::string> NextLine(testbed::Duration timeout);
  void CountStray(const std::string& line, Tally& tally) const;

  testbed::KeyCapture& capture_;
  std::string partial_;
  std::set<std::string> seen_;
};

}  // namespace cardwedge::soak
