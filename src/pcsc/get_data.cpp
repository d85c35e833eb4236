#include "pcsc/get_data.h"

namespace cardwedge {

std::array<std::uint8_t, 5> GetDataCommand(bool iso14443Uid) {
  return {0xFF, 0xCA, static_cast<std::uint8_t>(iso14443Uid ? 0x01 : 0x00), 0x00, 0x00};
}

}  // namespace cardwedge
