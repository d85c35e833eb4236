#include "common/number_text.h"

#include <cctype>
#include <cstdlib>
#include <string>

namespace cardwedge {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest prefix of text that forms a decimal number, 0 when there is none.
std::size_t NumberPrefixLength(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

double ToDouble(std::string_view number) {
  return std::strtod(std::string(number).c_str(), nullptr);
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  text = TrimSpaces(text);
  const std::size_t length = NumberPrefixLength(text);
  if (length == 0 || length != text.size()) return std::nullopt;
  return ToDouble(text);
}

double LeadingNumber(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  const std::size_t length = NumberPrefixLength(text);
  return length == 0 ? 0.0 : ToDouble(text.substr(0, length));
}

bool IsDigitsOnly(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

}  // namespace cardwedge
