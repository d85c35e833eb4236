#include "pcsc/get_data.h"

namespace cardwedge {

std::array<std::uint8_t, 5> GetDataCommand(bool iso14443Uid) {
  return {0xFF, 0xCA, static_cast<std::uint8_t>(iso14443Uid ? 0x01 : 0x00), 0x00, 0x00};
}

std::string CardIdText(const std::uint8_t* response, std::size_t length, bool iso14443Uid) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = iso14443Uid ? "UID:" : "";
  for (std::size_t i = 0; i + 2 < length; ++i) {
    text += kDigits[response[i] >> 4];
    text += kDigits[response[i] & 0x0F];
  }
  return text;
}

}  // namespace cardwedge
