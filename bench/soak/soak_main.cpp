// The soak and fault runs: the running tool against the real pcscd, the emulated FeliCa reader
// and a real X client, for as many presentations and faults as asked. Prints one line per
// scenario and a closing count; exits 1 when anything was lost.
//
//   soak [--pcsc N] [--felica N] [--both N] [--pcscd-kills N] [--pcscd-stops N]
//        [--reader-losses N] [--switch-rewrites N] [--bad-rosters 0|1]
//
// A count of 0 leaves its scenario out.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "card_soaks.h"
#include "interruption.h"
#include "roster_faults.h"
#include "service_faults.h"
#include "switch_file_faults.h"

namespace {

using namespace cardwedge::soak;

struct Counts {
  std::map<std::string, int> by_option = {
      {"--pcsc", 2000},
      {"--felica", 2000},
      {"--both", 500},
      {"--pcscd-kills", 20},
      {"--pcscd-stops", 20},
      {"--reader-losses", 20},
      {"--switch-rewrites", 1000},
      {"--bad-rosters", 1},
  };
  int operator[](const std::string& option) const { return by_option.at(option); }
};

bool Parse(int argc, char** argv, Counts& counts) {
  for (int i = 1; i < argc; i += 2) {
    const auto option = counts.by_option.find(argv[i]);
    if (option == counts.by_option.end() || i + 1 >= argc) return false;
    char* end = nullptr;
    const long value = std::strtol(argv[i + 1], &end, 10);
    if (*end != '\0' || value < 0 || value > 1'000'000) return false;
    option->second = static_cast<int>(value);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  cardwedge::bench::TakeSignalsOnAThreadOfTheirOwn();
  Counts counts;
  if (!Parse(argc, argv, counts)) {
    std::fprintf(stderr, "usage: soak [--OPTION COUNT]... with options:");
    for (const auto& [option, count] : counts.by_option) {
      std::fprintf(stderr, " %s (%d)", option.c_str(), count);
    }
    std::fprintf(stderr, "\n");
    return 2;
  }
  // Two lanes run side by side: scenarios that need the machine's one pcscd, one after another,
  // and those that need none.
  using Scenario = std::pair<bool, std::function<ScenarioResult()>>;
  const std::vector<Scenario> with_pcscd = {
      {counts["--pcsc"] > 0, [&] { return SoakPcsc(counts["--pcsc"]); }},
      {counts["--both"] > 0, [&] { return SoakBothReaders(counts["--both"]); }},
      {counts["--pcscd-kills"] + counts["--pcscd-stops"] > 0,
       [&] { return PcscdOutages(counts["--pcscd-kills"], counts["--pcscd-stops"]); }},
      {counts["--switch-rewrites"] > 0,
       [&] { return SwitchFileRewrites(counts["--switch-rewrites"]); }},
  };
  const std::vector<Scenario> without_pcscd = {
      {counts["--bad-rosters"] > 0, [] { return BadRosters(); }},
      {counts["--felica"] > 0, [&] { return SoakFelica(counts["--felica"]); }},
      {counts["--reader-losses"] > 0,
       [&] { return FelicaReaderLosses(counts["--reader-losses"]); }},
  };
  std::mutex mutex;
  int passed = 0;
  int failed = 0;
  std::atomic<bool> interrupted = false;
  const auto run_lane = [&](const std::vector<Scenario>& lane) {
    for (const auto& [wanted, run] : lane) {
      if (!wanted || interrupted) continue;
      ScenarioResult result;
      try {
        result = run();
      } catch (const cardwedge::bench::Interrupted&) {
        interrupted = true;
        return;
      } catch (const std::exception& error) {
        result = {"scenario", std::string("stopped: ") + error.what(), false};
      }
      const std::lock_guard lock(mutex);
      std::printf("%s  %s: %s\n", result.passed ? "PASS" : "FAIL", result.name.c_str(),
                  result.figures.c_str());
      std::fflush(stdout);
      ++(result.passed ? passed : failed);
    }
  };
  {
    std::jthread lane(run_lane, std::cref(with_pcscd));
    run_lane(without_pcscd);
  }
  if (interrupted) {
    std::fprintf(stderr, "soak: interrupted; everything it started has ended\n");
    return 130;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
