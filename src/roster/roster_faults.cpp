#include "roster/roster_faults.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>

#include "roster/card_lookup.h"
#include "roster/read_rules.h"
#include "roster/reader_card_ids.h"

namespace cardwedge {
namespace {

// A roster this close to the record limit is one term's intake away from not loading.
constexpr int kNearRecordLimitCount = kMaxRosterRecords / 100 * 95;

struct CardKey {
  std::string cardId;
  ReaderFamily family;
};

// The cards that find a record: one identifier for each way a card finds it, and whether it is
// also found by a whole family of cards, those whose characters 15 to 30 equal its identifier.
struct CardsFinding {
  std::vector<CardKey> keys;
  bool family = false;
};

// The identifiers that find a record by being equal to its card identifier or to its characters
// 15 to 30; with `commonOnly`, those of common cards alone.
std::vector<CardKey> KeysFinding(const std::string& cardId, bool commonOnly) {
  std::vector<CardKey> keys;
  std::vector<std::string> candidates{cardId};
  std::string cardIdMid = Mid(cardId, 15, 16);
  if (!cardIdMid.empty() && cardIdMid != cardId) candidates.push_back(std::move(cardIdMid));
  for (const std::string& candidate : candidates) {
    for (const ReaderFamily family : kReaderFamilies) {
      const bool given =
          commonOnly ? CommonCardGives(family, candidate) : ReaderGives(family, candidate);
      if (given &&
          CardIdMatches(candidate, Mid(candidate, 15, 16), cardId, EmptyCardIdsOf(family))) {
        keys.push_back({candidate, family});
      }
    }
  }
  return keys;
}

// The first record each card identifier, and each card identifier's characters 15 to 30, occur
// in: the first record a card finds is among three candidates, which the lookup's own rule then
// decides, so a roster is checked without comparing every record with every other.
class FirstMatchIndex {
 public:
  explicit FirstMatchIndex(const Roster& roster) : roster_(roster) {
    for (int i = roster.RosterCount; i >= 1; --i) {
      firstByCardId_[roster.RosterCardId[i]] = i;
      std::string mid = Mid(roster.RosterCardId[i], 15, 16);
      if (!mid.empty()) firstByCardIdMid_[std::move(mid)] = i;
    }
  }

  // The record the family's window finds for the card, 0 for none.
  int FirstMatch(const CardKey& key) const {
    const std::string keyMid = Mid(key.cardId, 15, 16);
    std::array<int, 3> candidates{Find(firstByCardId_, key.cardId),
                                  Find(firstByCardIdMid_, key.cardId),
                                  Find(firstByCardId_, keyMid)};
    std::ranges::sort(candidates);
    for (const int i : candidates) {
      if (i > 0 &&
          CardIdMatches(key.cardId, keyMid, roster_.RosterCardId[i], EmptyCardIdsOf(key.family))) {
        return i;
      }
    }
    return 0;
  }

  int FirstWithCardId(const std::string& cardId) const { return Find(firstByCardId_, cardId); }

 private:
  template <typename Map>
  static int Find(const Map& map, const std::string& text) {
    const auto found = map.find(text);
    return found == map.end() ? 0 : found->second;
  }

  const Roster& roster_;
  std::unordered_map<std::string_view, int> firstByCardId_;
  std::unordered_map<std::string, int> firstByCardIdMid_;
};

bool HasDigit(std::string_view text) {
  return std::ranges::any_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// A first record of column titles: a value with no digit, and no identifier a reader gives.
bool IsColumnTitles(const Roster& roster, int record) {
  const std::string& cardId = roster.RosterCardId[1];
  return record == 1 && !roster.RosterValue[1].empty() && !HasDigit(roster.RosterValue[1]) &&
         !AnyReaderGives(cardId) && !AnyReaderGives(Mid(cardId, 15, 16));
}

class FaultFinder {
 public:
  explicit FaultFinder(const Roster& roster) : roster_(roster), index_(roster) {}

  std::vector<RosterFault> Find() {
    if (roster_.RosterCount >= kNearRecordLimitCount) {
      faults_.push_back(
          {.kind = RosterFaultKind::kNearRecordLimit, .level = RosterFaultLevel::kWarning});
    }
    for (int record = 1; record <= roster_.RosterCount; ++record) {
      if (!IsColumnTitles(roster_, record)) CheckRecord(record);
    }
    return std::move(faults_);
  }

 private:
  void Add(RosterFaultKind kind, RosterFaultLevel level, int record, int other = 0) {
    faults_.push_back({.kind = kind,
                       .level = level,
                       .record = record,
                       .line = LineOf(record),
                       .otherRecord = other,
                       .otherLine = LineOf(other)});
  }

  // 0 where the roster was not read from a file and has no lines.
  int LineOf(int record) const {
    const auto index = static_cast<std::size_t>(record);
    return record > 0 && index < roster_.RosterLine.size() ? roster_.RosterLine[index] : 0;
  }

  void CheckRecord(int record) {
    const int catcher = CheckCardId(record);
    CheckValue(record, catcher);
  }

  // Reports a card identifier no card finds, or finds only earlier records for; returns the
  // earlier record that catches its cards, 0 when there is none.
  int CheckCardId(int record) {
    const std::string& cardId = roster_.RosterCardId[record];
    if (cardId.empty()) {
      Add(RosterFaultKind::kCardIdEmpty, RosterFaultLevel::kWarning, record);
      return 0;
    }
    CardsFinding finding{.keys = KeysFinding(cardId, true),
                         .family = CommonCardsFindAsTail(cardId)};
    if (finding.keys.empty()) {
      // Found by no common card: a mistake, unless the identifier is one a reader gives.
      if (!finding.family && !AnyReaderGives(cardId)) {
        Add(RosterFaultKind::kCardIdNoReaderGives, RosterFaultLevel::kError, record);
        return 0;
      }
      Add(RosterFaultKind::kCardIdUnusualLength, RosterFaultLevel::kWarning, record);
      finding.keys = KeysFinding(cardId, false);
    }
    const int catcher = EarlierRecordCatching(record, finding);
    if (catcher > 0) {
      const bool sameValue = roster_.RosterValue[catcher] == roster_.RosterValue[record];
      Add(RosterFaultKind::kNeverFound,
          sameValue ? RosterFaultLevel::kWarning : RosterFaultLevel::kError, record, catcher);
    }
    return catcher;
  }

  // A family of cards is caught whole only by an earlier record of the same identifier; each
  // single card by whichever record its lookup finds first.
  int EarlierRecordCatching(int record, const CardsFinding& finding) const {
    if (finding.family) {
      const int first = index_.FirstWithCardId(roster_.RosterCardId[record]);
      return first < record ? first : 0;
    }
    int catcher = 0;
    for (const CardKey& key : finding.keys) {
      const int first = index_.FirstMatch(key);
      if (first == 0 || first >= record) return 0;
      if (catcher == 0) catcher = first;
    }
    return catcher;
  }

  void CheckValue(int record, int catcher) {
    const std::string& value = roster_.RosterValue[record];
    if (ClassifyFoundValue(value) != FoundValue::kTypeable) {
      Add(RosterFaultKind::kValueNotTypeable, RosterFaultLevel::kError, record);
      return;
    }
    const auto [earlier, inserted] = firstByValue_.try_emplace(value, record);
    const bool caughtWithTheSameValue = catcher > 0 && roster_.RosterValue[catcher] == value;
    if (!inserted && !caughtWithTheSameValue) {
      Add(RosterFaultKind::kSameValue, RosterFaultLevel::kWarning, record, earlier->second);
    }
  }

  const Roster& roster_;
  FirstMatchIndex index_;
  std::unordered_map<std::string_view, int> firstByValue_;
  std::vector<RosterFault> faults_;
};

}  // namespace

std::vector<RosterFault> FindRosterFaults(const Roster& roster) {
  return FaultFinder(roster).Find();
}

}  // namespace cardwedge
