#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "roster/roster.h"

namespace cardwedge {

// Whether a record with an empty card identifier can match. The PC/SC window never matches one;
// the FeliCa window does (a short key then matches the first such record).
enum class EmptyCardIds { kCanMatch, kNeverMatch };

// Left by a successful lookup for the read cycle's repeat rule and display.
struct LookupResult {
  int SecondEntryFlag = 0;  // 1 when the match was roster record 2
  int FoundRecord = 0;      // the number of the matching record
  std::string FoundText;
};

// Characters start to start + length - 1 of text (1-based, counted in characters); empty when
// the text is shorter than start.
std::string Mid(std::string_view text, std::size_t start, std::size_t length);

// Whether a record whose card identifier is cardId matches the card identifier bbb: bbb equals
// cardId, or Mid(cardId, 15, 16), or cardId equals Mid(bbb, 15, 16), which the caller passes as
// keyMid so that it is taken once per key.
bool CardIdMatches(std::string_view bbb, std::string_view keyMid, std::string_view cardId,
                   EmptyCardIds emptyCardIds);

// Finds the first record that matches the card identifier bbb (CardIdMatches). On a match,
// returns RosterValue and sets SecondEntryFlag and FoundText; otherwise returns nothing and
// leaves them as they were.
std::optional<std::string> PasswordSearch(const Roster& roster, const std::string& bbb,
                                          EmptyCardIds emptyCardIds, LookupResult& lookup);

}  // namespace cardwedge
