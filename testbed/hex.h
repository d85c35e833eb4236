#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/hex_text.h"

namespace cardwedge::testbed {

// Parses pairs of hex digits without separators ("FFCA0000"); nullopt for anything else.
std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text);

}  // namespace cardwedge::testbed
