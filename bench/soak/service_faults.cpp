#include "service_faults.h"

#include <algorithm>
#include <chrono>
#include <csignal>

#include "interruption.h"
#include "soak_bed.h"

namespace cardwedge::soak {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kPcscRecoveryBound = 3s;
constexpr auto kFelicaRecoveryBound = 2s;

// Times from a service being back to the card's Enter, and how many missed their bound.
class Recoveries {
 public:
  void Add(Clock::time_point back, bool typed, Clock::duration bound) {
    if (!typed) {
      ++failed_;
      return;
    }
    const auto took = Clock::now() - back;
    if (took > bound) ++failed_;
    milliseconds_.push_back(std::chrono::duration<double, std::milli>(took).count());
  }
  bool Passed() const { return failed_ == 0; }
  // "read again after each: median 612 ms, worst 1043 ms, 0 over 3 s"
  std::string Describe(const char* bound) const {
    std::vector<double> sorted = milliseconds_;
    std::ranges::sort(sorted);
    const auto at = [&](std::size_t i) { return sorted.empty() ? 0.0 : sorted[i]; };
    char text[128];
    std::snprintf(text, sizeof text,
                  "card typed after each: median %.0f ms, worst %.0f ms, %d late or missed (> %s)",
                  at(sorted.size() / 2), at(sorted.empty() ? 0 : sorted.size() - 1), failed_,
                  bound);
    return text;
  }

 private:
  std::vector<double> milliseconds_;
  int failed_ = 0;
};

bool TypedInTime(SoakBed& bed, const SoakCard& card, Tally& tally) {
  return bed.typed.Expect({card.value}, SoakBed::kPresentationTimeout, tally).has_value();
}

}  // namespace

ScenarioResult PcscdOutages(int kills, int stops) {
  SoakBed bed(/*with_pcscd=*/true);
  bed.StartTool("3");
  Tally tally;
  Recoveries recoveries;
  for (int round = 0; round < std::max(kills, stops); ++round) {
    for (const bool kill : {true, false}) {
      if (round >= (kill ? kills : stops)) continue;
      bench::ThrowIfInterrupted();
      // The probe's context would answer "no service" for good once pcscd has gone.
      bed.probe.reset();
      if (kill) {
        bed.pcscd->Kill();
      } else {
        bed.pcscd->Restart();
      }
      bed.pcscd->Start();
      const auto back = Clock::now();
      bed.probe.emplace(SoakBed::kPcscReader);
      const SoakCard& card = bed.pcsc_roster.Next();
      bed.card.Insert(card.id);
      recoveries.Add(back, TypedInTime(bed, card, tally), kPcscRecoveryBound);
      bed.probe->WaitUntilLetGo();
      bed.card.Remove();
      bed.probe->WaitFor(false);
    }
  }
  bed.typed.ExpectNothingMore(1500ms, tally);
  const bool alive = bed.ToolAlive();
  const std::string figures = std::to_string(kills) + " kills (SIGKILL) and " +
                              std::to_string(stops) +
                              " stops (SIGTERM), each restarted: " + recoveries.Describe("3 s") +
                              "; " + tally.Describe() + (alive ? "" : "; the tool ended");
  return {"pcscd outages", figures, recoveries.Passed() && tally.Clean() && alive};
}

ScenarioResult FelicaReaderLosses(int losses) {
  SoakBed bed(/*with_pcscd=*/false);
  bed.StartTool("2");
  Tally tally;
  Recoveries recoveries;
  for (int loss = 0; loss < losses; ++loss) {
    bench::ThrowIfInterrupted();
    bed.ReplaceFelicaReader();
    const auto back = Clock::now();
    const SoakCard& card = bed.felica_roster.Next();
    bed.felica_reader->Card(card.id);
    recoveries.Add(back, TypedInTime(bed, card, tally), kFelicaRecoveryBound);
    bed.felica_reader->NoCard();
  }
  bed.typed.ExpectNothingMore(1500ms, tally);
  const bool alive = bed.ToolAlive();
  const std::string figures =
      std::to_string(losses) +
      " readers lost (emulator killed) and back: " + recoveries.Describe("2 s") + "; " +
      tally.Describe() + (alive ? "" : "; the tool ended");
  return {"FeliCa reader losses", figures, recoveries.Passed() && tally.Clean() && alive};
}

}  // namespace cardwedge::soak
