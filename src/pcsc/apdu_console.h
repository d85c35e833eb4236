#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace cardwedge {

// The longest data text the console takes.
inline constexpr std::size_t kMaxDataTextLength = 99;

// Key filter of the console's byte fields: a to f become upper case; hexadecimal digits and
// control keys (Backspace) pass; every other key is discarded (set to 0).
void FilterHexKey(int& keyAscii);

// Mode 0 removes line breaks (CR and LF), mode 1 removes spaces; both first trim the text's
// leading and trailing spaces.
std::string StripData(int mode, std::string_view text);

// The texts of the console's fields.
struct ConsoleFields {
  std::string CLA, INS, P1, P2, Lc, Le, Data;
};

// Why nothing is sent: the field that gets the focus, and whether it is filled with "00" first.
struct ConsoleRefusal {
  std::string field;
  bool fillWithZeros = false;

  bool operator==(const ConsoleRefusal&) const = default;
};

using ConsoleCommand = std::vector<std::uint8_t>;

// Assembles the command the fields describe: CLA alone, CLA INS, or CLA INS P1 P2 followed by
// Lc and its data bytes and Le when given. An empty CLA, or an empty P2 after a P1, is refused
// with a fill of "00"; a field that is not hexadecimal, too little data for Lc, or a data text
// over 99 characters is refused as it stands.
std::variant<ConsoleCommand, ConsoleRefusal> AssembleConsoleCommand(const ConsoleFields& fields);

}  // namespace cardwedge
