#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/linux/iconv_text_codec.h"
#include "roster/field_reader.h"
#include "roster/host_watch.h"

using cardwedge::SwitchOrder;
using cardwedge::SwitchReading;

// Reads a switch file's content as both windows do: decoded, its last field, then the whole-number
// and the leading-number reading. Whatever the whole-number reading orders, the leading-number
// reading orders too.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  cardwedge::IconvTextCodec codec;
  const std::string field = cardwedge::LastField(
      codec.AnsiToUtf8(std::string_view(reinterpret_cast<const char*>(data), size)));
  const SwitchOrder whole = cardwedge::InterpretSwitchField(field, SwitchReading::kWholeNumber);
  const SwitchOrder leading = cardwedge::InterpretSwitchField(field, SwitchReading::kLeadingNumber);
  if (whole != SwitchOrder::kKeepMode && leading != whole) std::abort();
  return 0;
}
