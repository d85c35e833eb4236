#pragma once

#include <optional>
#include <string_view>

namespace cardwedge {

// Reads a whole text as a decimal number, as the windows compare words and values "by value":
// surrounding spaces are allowed, and so are a sign, a decimal point and an exponent ("01",
// "2.0", " 3 ", "1e1"). Anything else (empty text, letters, trailing characters) gives nothing.
std::optional<double> ParseNumber(std::string_view text);

// Reads the leading number of a text: spaces are skipped, reading stops at the first character
// that cannot continue a number, and a text without a leading number gives 0 ("1x" is 1, "abc"
// is 0).
double LeadingNumber(std::string_view text);

// True for a non-empty text made only of the digits 0 to 9.
bool IsDigitsOnly(std::string_view text);

}  // namespace cardwedge
