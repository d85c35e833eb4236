#include "roster/roster_fault_log.h"

#include <algorithm>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "roster/roster_faults.h"

namespace cardwedge {
namespace {

std::string Counted(std::size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::vector<std::string> ReportLines(const Roster& roster) {
  const std::vector<RosterFault> faults = FindRosterFaults(roster);
  const auto errors = static_cast<std::size_t>(
      std::ranges::count(faults, RosterFaultLevel::kError, &RosterFault::level));
  const std::size_t warnings = faults.size() - errors;
  const std::string file = "\"" + roster.RosterFolder + kRosterFileName + "\"";
  std::vector<std::string> lines{faults.empty()
                                     ? "roster: no faults in " + file
                                     : "roster: " + Counted(faults.size(), "fault") + " (" +
                                           Counted(errors, "error") + ", " +
                                           Counted(warnings, "warning") + ") in " + file};
  const std::size_t shown = std::min(faults.size(), std::size_t{kMaxRosterFaultLogLines});
  for (std::size_t i = 0; i < shown; ++i) {
    lines.push_back(std::string("roster ") +
                    (faults[i].level == RosterFaultLevel::kError ? "error: " : "warning: ") +
                    RosterFaultText(faults[i], roster, ReportLanguage::kEnglish));
  }
  if (shown < faults.size()) {
    lines.push_back("roster: ... and " + std::to_string(faults.size() - shown) +
                    " more (cardwedge --check lists them all)");
  }
  return lines;
}

}  // namespace

void LogRosterFaults(const Roster& roster, std::set<std::string>& logged) {
  const std::vector<std::string> lines = ReportLines(roster);
  std::string report;
  for (const std::string& line : lines) report += line + "\n";
  if (!logged.insert(report).second) return;
  for (const std::string& line : lines) Diagnose(line);
}

}  // namespace cardwedge
