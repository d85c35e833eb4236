#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/number_text.h"
#include "roster/read_rules.h"

using cardwedge::FoundValue;

// Reads any text as a found roster value and as a number: a whole number is also its own leading
// number, digits alone are a number, and only digits are ever typed.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::optional<double> number = cardwedge::ParseNumber(text);
  const double leading = cardwedge::LeadingNumber(text);
  if (number && *number != leading) std::abort();
  const bool digits = cardwedge::IsDigitsOnly(text);
  if (digits && (!number || *number < 0)) std::abort();
  const FoundValue found = cardwedge::ClassifyFoundValue(text);
  if (found == FoundValue::kTypeable && (!digits || *number == 0)) std::abort();
  if (found == FoundValue::kNotFound && (!number || *number != 0)) std::abort();
  return 0;
}
