#pragma once

#include <array>
#include <cstdint>

#include "common/card_id_text.h"

namespace cardwedge {

// GET DATA for the card's identifier: FF CA P1 00 00, with P1 01 for the ISO 14443 A UID.
std::array<std::uint8_t, 5> GetDataCommand(bool iso14443Uid);

}  // namespace cardwedge
