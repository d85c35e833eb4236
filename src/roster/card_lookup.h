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

// Finds the first record that matches the card identifier bbb: bbb equals its card identifier,
// or Mid(card identifier, 15, 16), or its card identifier equals Mid(bbb, 15, 16). On a match,
// returns RosterValue and sets SecondEntryFlag and FoundText; otherwise returns nothing and
// leaves them as they were.
std::optional<std::string> PasswordSearch(const Roster& roster, const std::string& bbb,
                                          EmptyCardIds emptyCardIds, LookupResult& lookup);

}  // namespace cardwedge
