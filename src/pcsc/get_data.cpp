#include "pcsc/get_data.h"

#include "common/hex_text.h"

namespace cardwedge {

std::array<std::uint8_t, 5> GetDataCommand(bool iso14443Uid) {
  return {0xFF, 0xCA, static_cast<std::uint8_t>(iso14443Uid ? 0x01 : 0x00), 0x00, 0x00};
}

std::string CardIdText(const std::uint8_t* response, std::size_t length, bool iso14443Uid) {
  const std::size_t idLength = length > 2 ? length - 2 : 0;
  return (iso14443Uid ? "UID:" : "") + HexText({response, idLength});
}

}  // namespace cardwedge
