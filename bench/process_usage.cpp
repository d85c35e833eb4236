#include "process_usage.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace cardwedge::bench {

double CpuSeconds(pid_t pid) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(file, stat);
  // The command name in parentheses may hold spaces; the fields after it are plain.
  const auto name_end = stat.rfind(')');
  if (name_end == std::string::npos) throw std::runtime_error("no process " + std::to_string(pid));
  std::istringstream fields(stat.substr(name_end + 2));
  std::string field;
  // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
  for (int skipped = 0; skipped < 11; ++skipped) fields >> field;
  long long user_ticks = 0;
  long long system_ticks = 0;
  fields >> user_ticks >> system_ticks;
  return static_cast<double>(user_ticks + system_ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

Memory ResidentMemory(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  Memory memory{0, 0};
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) memory.rss_kib = std::stol(line.substr(6));
    if (line.starts_with("VmHWM:")) memory.peak_rss_kib = std::stol(line.substr(6));
  }
  return memory;
}

}  // namespace cardwedge::bench
