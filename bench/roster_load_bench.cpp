// Prints how long loading a 10,000-record roster takes, how much memory it needs at its peak,
// and how long finding its faults takes.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "figures.h"
#include "platform/linux/iconv_text_codec.h"
#include "platform/linux/posix_files.h"
#include "roster/roster.h"
#include "roster/roster_faults.h"

namespace {

using namespace cardwedge;

class BenchFiles : public PosixFiles {
 public:
  explicit BenchFiles(std::string folder) : folder_(std::move(folder)) {}
  std::string ProgramFolder() override { return folder_; }

 private:
  std::string folder_;
};

// Resident and peak resident memory of this process, in KiB.
std::pair<long, long> MemoryKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  long rss = 0;
  long peak = 0;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) rss = std::stol(line.substr(6));
    if (line.rfind("VmHWM:", 0) == 0) peak = std::stol(line.substr(6));
  }
  return {rss, peak};
}

void WriteRoster(const std::filesystem::path& path, int records) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 1; i <= records; ++i) {
    char card[17];
    std::snprintf(card, sizeof card, "%016llX", 0x012E4C3A0F100000ull + static_cast<unsigned>(i));
    out << i << ',' << 240000 + i << ",生徒 " << i;
    for (int field = 4; field <= 48; ++field) out << ",x";
    out << ',' << card << ",end\r\n";
  }
}

}  // namespace

int main() {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / "cardwedge-roster-bench";
  std::filesystem::create_directories(folder);
  WriteRoster(folder / kRosterFileName, kMaxRosterRecords);
  BenchFiles files(folder.string());
  IconvTextCodec codec;

  const auto [rssBefore, peakBefore] = MemoryKiB();
  std::vector<double> milliseconds;
  int count = 0;
  for (int run = 0; run < 21; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const Roster roster = LoadRoster(files, codec);
    milliseconds.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
    count = roster.RosterCount;
  }
  const long peakAfter = MemoryKiB().second;
  const Roster roster = LoadRoster(files, codec);
  std::vector<double> checkMilliseconds;
  std::size_t faults = 0;
  for (int run = 0; run < 21; ++run) {
    const auto start = std::chrono::steady_clock::now();
    faults = FindRosterFaults(roster).size();
    checkMilliseconds.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(checkMilliseconds.begin(), checkMilliseconds.end());
  std::sort(milliseconds.begin(), milliseconds.end());
  std::filesystem::remove_all(folder);

  bench::PrintRow("roster load, " + std::to_string(count) + " records",
                  bench::Format("median %6.2f ms, ", milliseconds[milliseconds.size() / 2]) +
                      bench::Format("max %.2f ms (21 runs)", milliseconds.back()),
                  "< 20 ms");
  bench::PrintRow("roster load: peak memory added",
                  std::to_string(std::max(peakAfter, peakBefore) - rssBefore) + " KiB above " +
                      std::to_string(rssBefore) + " KiB");
  bench::PrintRow(
      "roster faults check, " + std::to_string(count) + " records",
      bench::Format("median %6.2f ms, ", checkMilliseconds[checkMilliseconds.size() / 2]) +
          bench::Format("max %.2f ms (21 runs), ", checkMilliseconds.back()) +
          "faults found: " + std::to_string(faults),
      "< 100 ms");
  return 0;
}
