#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace cardwedge {

// Each byte in order as two upper-case hexadecimal digits, without separators.
std::string HexText(std::span<const std::uint8_t> bytes);

}  // namespace cardwedge
