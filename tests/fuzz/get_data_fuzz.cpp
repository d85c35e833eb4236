#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pcsc/get_data.h"

// Turns any GET DATA response into card-ID text: "UID:" exactly for the ISO 14443 A UID, then
// two upper-case hexadecimal digits for every byte but the two status bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool uid = (data[0] & 1) != 0;
  const std::string text = cardwedge::CardIdText(data + 1, size - 1, uid);
  std::string_view hex = text;
  if (uid) {
    if (!hex.starts_with("UID:")) std::abort();
    hex.remove_prefix(4);
  }
  const std::size_t bytes = size - 1 < 2 ? 0 : size - 3;
  if (hex.size() != 2 * bytes) std::abort();
  if (hex.find_first_not_of("0123456789ABCDEF") != std::string_view::npos) std::abort();
  return 0;
}
