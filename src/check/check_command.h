#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/site_probes.h"

namespace cardwedge {

inline constexpr char kCheckReportFileName[] = "cardwedge-check.txt";

// `cardwedge --check [SECONDS]`: the site check, its report and its exit status (0 nothing stops
// cards, 1 warnings only, 2 an error). On Linux the report goes to stdout as it is made; on
// Windows, where the program has no console, into the report file beside the program (or the
// log's folder of the user's own), whose path is then the one line on stdout.
int RunSiteCheck(Platform& platform, SiteProbes& probes, int waitSeconds,
                 const std::string& version);

}  // namespace cardwedge
