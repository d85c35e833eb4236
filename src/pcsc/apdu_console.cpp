#include "pcsc/apdu_console.h"

#include <algorithm>
#include <optional>

namespace cardwedge {
namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::optional<std::uint8_t> HexDigit(char c) {
  if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  const std::size_t value = kHexDigits.find(c);
  if (value == std::string_view::npos) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

// One or two hexadecimal digits.
std::optional<std::uint8_t> HexByte(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  std::uint8_t value = 0;
  for (char c : text) {
    const std::optional<std::uint8_t> digit = HexDigit(c);
    if (!digit) return std::nullopt;
    value = static_cast<std::uint8_t>(value * 16 + *digit);
  }
  return value;
}

// Appends the byte of a field that must hold one; a refusal naming the field otherwise.
std::optional<ConsoleRefusal> AppendField(ConsoleCommand& command, const std::string& text,
                                          const char* field) {
  const std::optional<std::uint8_t> value = HexByte(text);
  if (!value) return ConsoleRefusal{field};
  command.push_back(*value);
  return std::nullopt;
}

// The first `count` bytes of the data text, once line breaks and spaces are removed.
std::optional<ConsoleRefusal> AppendData(ConsoleCommand& command, const std::string& dataText,
                                         std::size_t count) {
  const ConsoleRefusal refusal{"tbData"};
  if (dataText.size() > kMaxDataTextLength) return refusal;
  const std::string data = StripData(1, StripData(0, dataText));
  if (data.size() / 2 < count) return refusal;
  if (!std::all_of(data.begin(), data.end(), [](char c) { return HexDigit(c).has_value(); })) {
    return refusal;
  }
  // At most 49 data bytes fit in 99 characters, so the command stays far inside 256 bytes.
  for (std::size_t i = 0; i < count; ++i) command.push_back(*HexByte(data.substr(2 * i, 2)));
  return std::nullopt;
}

}  // namespace

void FilterHexKey(int& keyAscii) {
  if (keyAscii >= 'a' && keyAscii <= 'f') keyAscii -= 32;
  if (keyAscii < 32) return;
  if (keyAscii > 127 || kHexDigits.find(static_cast<char>(keyAscii)) == std::string_view::npos) {
    keyAscii = 0;
  }
}

std::string StripData(int mode, std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  std::string result;
  for (char c : text) {
    const bool dropped = mode == 0 ? (c == '\r' || c == '\n') : c == ' ';
    if (!dropped) result += c;
  }
  return result;
}

std::variant<ConsoleCommand, ConsoleRefusal> AssembleConsoleCommand(const ConsoleFields& fields) {
  ConsoleCommand command;
  if (fields.CLA.empty()) return ConsoleRefusal{"tbCLA", true};
  if (auto refused = AppendField(command, fields.CLA, "tbCLA")) return *refused;
  if (fields.INS.empty()) {
    command.push_back(0);
  } else if (auto refused = AppendField(command, fields.INS, "tbINS")) {
    return *refused;
  }
  if (fields.P1.empty()) {
    if (fields.INS.empty()) command.pop_back();
    return command;
  }
  if (auto refused = AppendField(command, fields.P1, "tbP1")) return *refused;
  if (fields.P2.empty()) return ConsoleRefusal{"tbP2", true};
  if (auto refused = AppendField(command, fields.P2, "tbP2")) return *refused;

  if (!fields.Lc.empty()) {
    if (auto refused = AppendField(command, fields.Lc, "tbLc")) return *refused;
    const std::uint8_t lc = command.back();
    if (lc > 0) {
      if (auto refused = AppendData(command, fields.Data, lc)) return *refused;
    }
  }
  if (!fields.Le.empty()) {
    if (auto refused = AppendField(command, fields.Le, "tbLe")) return *refused;
  }
  return command;
}

}  // namespace cardwedge
