#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "control_folder.h"

namespace cardwedge::testbed {

// A contactless card as the winscard test double presents it.
struct VirtualCard {
  std::vector<std::uint8_t> uid;
  // GET DATA answers the UID and 90 00 when this is 9000, otherwise this status word alone.
  std::uint16_t get_data_status = 0x9000;
  bool in_use = false;     // another application shares the card
  bool exclusive = false;  // another application holds the card exclusively
  bool mute = false;       // the card does not answer the reader
};

// What the smart-card service shows at one moment, read from the control folder:
//   service  "stopped" makes every call fail with SCARD_E_NO_SERVICE (absent: running)
//   readers  the reader names in list order, one a line
//   cards    one card a line: <uid-hex> <status-hex4> [+inuse] [+exclusive] [+mute] <reader>
// Without a control folder the service is not running. Faulty lines are reported in the log.
struct SmartCardWorld {
  bool service_running = false;
  std::vector<std::string> readers;
  std::map<std::string, VirtualCard, std::less<>> cards;

  bool HasReader(std::string_view name) const;
  const VirtualCard* CardIn(std::string_view reader) const;
};

SmartCardWorld ReadSmartCardWorld(const ControlFolder& control);

// The answer of a card to a command APDU: GET DATA (FF CA 00|01 00 Le) gives the UID and 90 00,
// 6C <length> when Le is non-zero and too short, or the card's other status word; anything
// else gives 6D 00.
std::vector<std::uint8_t> AnswerApdu(const VirtualCard& card,
                                     std::span<const std::uint8_t> command);

// The answer to reset of every virtual card: a contactless storage card speaking T=1.
std::span<const std::uint8_t> VirtualCardAtr();

}  // namespace cardwedge::testbed
