#pragma once

#include <string>

#include "roster/roster_faults.h"

namespace cardwedge {

enum class FindingLevel { kOk, kWarning, kError };

// A text of the report in both of its languages.
struct Bilingual {
  std::string english;
  std::string japanese;

  const std::string& In(ReportLanguage language) const {
    return language == ReportLanguage::kJapanese ? japanese : english;
  }
};

// One line of the site check: what was looked at, what was found, and what to do about it
// (empty when there is nothing to do).
struct Finding {
  FindingLevel level = FindingLevel::kOk;
  Bilingual topic;
  Bilingual found;
  Bilingual todo;
};

}  // namespace cardwedge
