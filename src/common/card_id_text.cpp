#include "common/card_id_text.h"

#include "common/hex_text.h"

namespace cardwedge {

std::string CardIdText(const std::uint8_t* response, std::size_t length, bool iso14443Uid) {
  const std::size_t idLength = length > 2 ? length - 2 : 0;
  return (iso14443Uid ? kIso14443UidPrefix : "") + HexText({response, idLength});
}

}  // namespace cardwedge
