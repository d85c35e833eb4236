#include "smart_card_world.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "hex.h"

namespace cardwedge::testbed {
namespace {

constexpr std::uint8_t kAtr[] = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                 0x03, 0x06, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x68};

// "<uid-hex> <status-hex4> [+flag...] <reader name>", the name running to the end of the line.
std::optional<std::pair<std::string, VirtualCard>> ParseCardLine(const std::string& line) {
  std::istringstream words(line);
  std::string uid_hex, status_hex;
  words >> uid_hex >> status_hex;
  const auto uid = ParseHex(uid_hex);
  const auto status = ParseHex(status_hex);
  if (!uid || uid->empty() || !status || status->size() != 2) return std::nullopt;
  VirtualCard card{*uid, static_cast<std::uint16_t>((*status)[0] << 8 | (*status)[1])};
  std::string word;
  while (words >> word && word.front() == '+') {
    if (word == "+inuse") {
      card.in_use = true;
    } else if (word == "+exclusive") {
      card.exclusive = true;
    } else if (word == "+mute") {
      card.mute = true;
    } else {
      return std::nullopt;
    }
  }
  std::string rest;
  std::getline(words, rest);
  std::string reader = word + rest;
  if (word.empty() || word.front() == '+') return std::nullopt;
  return std::pair{std::move(reader), std::move(card)};
}

}  // namespace

bool SmartCardWorld::HasReader(std::string_view name) const {
  return std::find(readers.begin(), readers.end(), name) != readers.end();
}

const VirtualCard* SmartCardWorld::CardIn(std::string_view reader) const {
  const auto card = cards.find(reader);
  return card == cards.end() ? nullptr : &card->second;
}

SmartCardWorld ReadSmartCardWorld(const ControlFolder& control) {
  SmartCardWorld world;
  if (!control.IsSet()) return world;
  world.service_running = FirstWord(control.Read(L"service").value_or("")) != "stopped";
  world.readers = NonBlankLines(control.Read(L"readers").value_or(""));
  for (const std::string& line : NonBlankLines(control.Read(L"cards").value_or(""))) {
    auto card = ParseCardLine(line);
    if (!card) {
      control.Log("error: cards: cannot read the line \"" + line + "\"");
    } else if (!world.HasReader(card->first)) {
      control.Log("error: cards: no reader \"" + card->first + "\"");
    } else {
      world.cards.insert_or_assign(card->first, std::move(card->second));
    }
  }
  return world;
}

std::vector<std::uint8_t> AnswerApdu(const VirtualCard& card,
                                     std::span<const std::uint8_t> command) {
  const bool get_data = command.size() == 5 && command[0] == 0xFF && command[1] == 0xCA &&
                        command[2] <= 0x01 && command[3] == 0x00;
  if (!get_data) return {0x6D, 0x00};
  if (card.get_data_status != 0x9000) {
    return {static_cast<std::uint8_t>(card.get_data_status >> 8),
            static_cast<std::uint8_t>(card.get_data_status & 0xFF)};
  }
  const std::size_t expected = command[4];
  if (expected != 0 && expected < card.uid.size()) {
    return {0x6C, static_cast<std::uint8_t>(card.uid.size())};
  }
  std::vector<std::uint8_t> answer = card.uid;
  answer.insert(answer.end(), {0x90, 0x00});
  return answer;
}

std::span<const std::uint8_t> VirtualCardAtr() { return kAtr; }

}  // namespace cardwedge::testbed
