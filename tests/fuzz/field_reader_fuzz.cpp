#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "roster/field_reader.h"

// Reads any bytes field by field: the reader ends, never goes back a line, and agrees with
// LastField.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  cardwedge::FieldReader reader(text);
  std::string field;
  std::string last;
  std::size_t fields = 0;
  int line = 1;
  while (!reader.AtEnd()) {
    if (!reader.Next(field)) std::abort();
    if (reader.Line() < line || field.size() > size || ++fields > size + 1) std::abort();
    line = reader.Line();
    last = field;
  }
  if (reader.Next(field) || cardwedge::LastField(text) != last) std::abort();
  return 0;
}
