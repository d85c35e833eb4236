#include "roster/card_lookup.h"

#include <gtest/gtest.h>

namespace cardwedge {
namespace {

Roster MakeRoster(std::initializer_list<std::pair<std::string, std::string>> cardsAndValues) {
  Roster roster;
  for (const auto& [card, value] : cardsAndValues) {
    roster.RosterCardId.push_back(card);
    roster.RosterValue.push_back(value);
    roster.RosterText.push_back("text of " + value);
    ++roster.RosterCount;
  }
  return roster;
}

std::optional<std::string> Find(const Roster& roster, const std::string& key,
                                EmptyCardIds empty = EmptyCardIds::kCanMatch) {
  LookupResult lookup;
  return PasswordSearch(roster, key, empty, lookup);
}

TEST(Mid, CountsCharactersFromOneAndStopsAtTheEnd) {
  EXPECT_EQ(Mid("abc", 15, 16), "");
  EXPECT_EQ(Mid("12345678901234", 15, 16), "");
  EXPECT_EQ(Mid("123456789012345", 15, 16), "5");
  EXPECT_EQ(Mid("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgh", 15, 16), "OPQRSTUVWXYZabcd");
  EXPECT_EQ(Mid("ああああああああああああああいう", 15, 16), "いう");
}

TEST(PasswordSearch, MatchesByAnyOfTheThreeRules) {
  const std::string key = "012E4C3A0F10889B";
  // Rule 1: the whole card identifier.
  EXPECT_EQ(Find(MakeRoster({{key, "11"}}), key), "11");
  // Rule 2: characters 15 to 30 of the card identifier, whatever surrounds them.
  EXPECT_EQ(Find(MakeRoster({{"xxxxxxxxxxxxxx" + key + "zz", "22"}}), key), "22");
  // Rule 3: the card identifier equals characters 15 and 16 of a 16-character key.
  EXPECT_EQ(Find(MakeRoster({{"9B", "33"}}), key), "33");
  // A short key matches by rule 2 only an identifier that ends right after it.
  EXPECT_EQ(Find(MakeRoster({{"xxxxxxxxxxxxxxABCD", "44"}}), "ABCD"), "44");
  EXPECT_EQ(Find(MakeRoster({{"xxxxxxxxxxxxxxABCDE", "44"}}), "ABCD"), std::nullopt);
}

TEST(PasswordSearch, IsExactAndCaseSensitive) {
  const Roster roster = MakeRoster({{"012e4c3a0f10889b", "1"}, {" 012E4C3A0F10889B", "2"}});
  EXPECT_EQ(Find(roster, "012E4C3A0F10889B"), std::nullopt);
}

TEST(PasswordSearch, FirstMatchWinsAndSetsFlagAndText) {
  const Roster roster = MakeRoster({{"AA", "1"}, {"BB", "2"}, {"BB", "3"}, {"CC", "4"}});
  LookupResult lookup;
  EXPECT_EQ(PasswordSearch(roster, "BB", EmptyCardIds::kCanMatch, lookup), "2");
  EXPECT_EQ(lookup.SecondEntryFlag, 1);
  EXPECT_EQ(lookup.FoundText, "text of 2");
  // A miss leaves both as they were; a later match elsewhere clears the flag.
  EXPECT_EQ(PasswordSearch(roster, "ZZ", EmptyCardIds::kCanMatch, lookup), std::nullopt);
  EXPECT_EQ(lookup.SecondEntryFlag, 1);
  EXPECT_EQ(lookup.FoundText, "text of 2");
  EXPECT_EQ(PasswordSearch(roster, "CC", EmptyCardIds::kCanMatch, lookup), "4");
  EXPECT_EQ(lookup.SecondEntryFlag, 0);
}

TEST(PasswordSearch, EmptyCardIdentifiersMatchShortKeysOnlyInTheFelicaWindow) {
  const Roster roster = MakeRoster({{"AA", "1"}, {"", "2"}, {"04A22B1A", "3"}});
  EXPECT_EQ(Find(roster, "04A22B1A", EmptyCardIds::kCanMatch), "2");
  EXPECT_EQ(Find(roster, "04A22B1A", EmptyCardIds::kNeverMatch), "3");
  EXPECT_EQ(Find(MakeRoster({}), "AA"), std::nullopt);
}

TEST(PasswordSearch, ReturnsAnEmptyValueAsFound) {
  EXPECT_EQ(Find(MakeRoster({{"AA", ""}}), "AA"), "");
}

}  // namespace
}  // namespace cardwedge
