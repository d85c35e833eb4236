#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cardwedge {

// Put before the identifier when the PC/SC window asks for the ISO 14443 A UID.
inline constexpr char kIso14443UidPrefix[] = "UID:";

// The card-ID text of a GET DATA response: every byte but the two status bytes as two
// upper-case hexadecimal digits, after kIso14443UidPrefix for the ISO 14443 A UID.
std::string CardIdText(const std::uint8_t* response, std::size_t length, bool iso14443Uid);

}  // namespace cardwedge
