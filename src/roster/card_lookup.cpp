#include "roster/card_lookup.h"

namespace cardwedge {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Byte offset of the character with the 0-based index, or the text's size when there is none.
std::size_t OffsetOfCharacter(std::string_view text, std::size_t index) {
  std::size_t offset = 0;
  while (offset < text.size() && index > 0) {
    ++offset;
    while (offset < text.size() && IsContinuationByte(text[offset])) ++offset;
    --index;
  }
  return offset;
}

}  // namespace

std::string Mid(std::string_view text, std::size_t start, std::size_t length) {
  const std::size_t begin = OffsetOfCharacter(text, start - 1);
  const std::string_view rest = text.substr(begin);
  return std::string(rest.substr(0, OffsetOfCharacter(rest, length)));
}

bool CardIdMatches(std::string_view bbb, std::string_view keyMid, std::string_view cardId,
                   EmptyCardIds emptyCardIds) {
  if (cardId.empty() && emptyCardIds == EmptyCardIds::kNeverMatch) return false;
  return bbb == cardId || bbb == Mid(cardId, 15, 16) || cardId == keyMid;
}

std::optional<std::string> PasswordSearch(const Roster& roster, const std::string& bbb,
                                          EmptyCardIds emptyCardIds, LookupResult& lookup) {
  const std::string keyMid = Mid(bbb, 15, 16);
  for (int i = 1; i <= roster.RosterCount; ++i) {
    if (CardIdMatches(bbb, keyMid, roster.RosterCardId[i], emptyCardIds)) {
      lookup.SecondEntryFlag = i == 2 ? 1 : 0;
      lookup.FoundRecord = i;
      lookup.FoundText = roster.RosterText[i];
      return roster.RosterValue[i];
    }
  }
  return std::nullopt;
}

}  // namespace cardwedge
