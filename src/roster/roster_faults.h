#pragma once

#include <string>
#include <vector>

#include "roster/roster.h"

namespace cardwedge {

// The language of a report meant for a person at the desk.
enum class ReportLanguage { kEnglish, kJapanese };

enum class RosterFaultLevel { kWarning, kError };

// Errors keep a record from ever being typed; warnings are worth a look. The levels follow the
// kinds, but for kNeverFound: a warning when both records type the same value.
enum class RosterFaultKind {
  kCardIdNoReaderGives,  // error: found by no card (not upper-case hexadecimal, odd, ...)
  kCardIdEmpty,          // warning: field 49 is empty, so no card finds the record
  kCardIdUnusualLength,  // warning: only cards of a length no common card gives find it
  kNeverFound,           // an earlier record catches every card that would match it
  kSameValue,            // warning: the same value as an earlier record
  kValueNotTypeable,     // error: a value that can never be typed, or reads as 0
  kNearRecordLimit,      // warning: the roster is close to the record limit
};

// One fault of a loaded roster. `record` and `line` locate it (0 for a fault of the whole
// roster); `otherRecord` and `otherLine` name the earlier record it depends on, where there is one.
struct RosterFault {
  RosterFaultKind kind;
  RosterFaultLevel level;
  int record = 0;
  int line = 0;
  int otherRecord = 0;
  int otherLine = 0;

  bool operator==(const RosterFault&) const = default;
};

// The faults of `roster`, found with the lookup's own rules, in record order (a fault of the whole
// roster first). Record 1 when it holds column titles (a value without digits and a card
// identifier no reader gives) is not a fault: it is never found and never typed.
std::vector<RosterFault> FindRosterFaults(const Roster& roster);

// What the fault is and what to do about it, in one line.
std::string RosterFaultText(const RosterFault& fault, const Roster& roster,
                            ReportLanguage language);

}  // namespace cardwedge
