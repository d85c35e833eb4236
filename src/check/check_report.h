#pragma once

#include <string>

#include "check/finding.h"

namespace cardwedge {

// The exit status of a check: 0 when nothing stops cards from being read and typed, 1 with
// warnings only, 2 with an error.
int CheckExitStatus(bool anyWarning, bool anyError);

// One finding as a line of the report, without a line end: the level, the topic, what was found
// and what to do.
std::string FindingLine(const Finding& finding, ReportLanguage language);

// The report's first line: what the check is and when it ran.
std::string ReportHeading(const std::string& version, const std::string& time,
                          ReportLanguage language);

// The report's last line: the exit status and what it means.
std::string ReportSummary(int status, ReportLanguage language);

}  // namespace cardwedge
