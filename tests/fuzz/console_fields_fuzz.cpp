#include <fuzzer/FuzzedDataProvider.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>

#include "pcsc/apdu_console.h"

using cardwedge::ConsoleCommand;
using cardwedge::ConsoleFields;

// Assembles a command from any seven field texts: a command is CLA alone, CLA INS, or a header of
// four bytes, then Lc with exactly Lc data bytes, then Le; every key passes the filter as a
// hexadecimal digit, a control key or 0.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  int key = input.ConsumeIntegral<int>();
  cardwedge::FilterHexKey(key);
  if (key >= 32 && !((key >= '0' && key <= '9') || (key >= 'A' && key <= 'F'))) std::abort();

  ConsoleFields fields;
  for (std::string* field :
       {&fields.CLA, &fields.INS, &fields.P1, &fields.P2, &fields.Lc, &fields.Le, &fields.Data}) {
    *field = input.ConsumeRandomLengthString(128);
  }
  const auto result = cardwedge::AssembleConsoleCommand(fields);
  const auto* command = std::get_if<ConsoleCommand>(&result);
  if (command == nullptr) return 0;
  const std::size_t length = command->size();
  if (length == 3 || length == 0) std::abort();
  if (length > 4) {
    const std::size_t lc = fields.Lc.empty() ? 0 : (*command)[4];
    const std::size_t expected = 4 + (fields.Lc.empty() ? 0 : 1 + lc) + (fields.Le.empty() ? 0 : 1);
    if (length != expected || lc * 2 > cardwedge::kMaxDataTextLength) std::abort();
  }
  return 0;
}
