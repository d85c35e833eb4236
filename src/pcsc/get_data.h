#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace cardwedge {

// GET DATA for the card's identifier: FF CA P1 00 00, with P1 01 for the ISO 14443 A UID.
std::array<std::uint8_t, 5> GetDataCommand(bool iso14443Uid);

// The card-ID text of a GET DATA response: every byte but the two status bytes as two
// upper-case hexadecimal digits, after "UID:" for the ISO 14443 A UID.
std::string CardIdText(const std::uint8_t* response, std::size_t length, bool iso14443Uid);

}  // namespace cardwedge
