#include "card_soaks.h"

#include <chrono>
#include <cstdio>
#include <string_view>

#include "footprint.h"
#include "interruption.h"
#include "soak_bed.h"

namespace cardwedge::soak {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Whatever the tool would still type after the last presentation comes within this.
constexpr testbed::Duration kQuietAfterwards{1'500};

enum class Presentation { kRoster, kUnknown, kRefusing, kQuickSwap };

// The mix, repeated: of 20 presentations 3 unknown, 2 answering 6A 81 (roster cards on the
// FeliCa reader), 3 quick swaps, the rest roster cards taken away before the next comes. Every
// kind comes early, so a short run has them all.
class Mixer {
 public:
  explicit Mixer(bool refusing_cards) : refusing_cards_(refusing_cards) {}
  Presentation Next() {
    constexpr std::string_view kPattern = "RUSXRRSRURXRRSRRURRR";
    switch (kPattern[next_++ % kPattern.size()]) {
      case 'U':
        return Presentation::kUnknown;
      case 'X':
        return refusing_cards_ ? Presentation::kRefusing : Presentation::kRoster;
      case 'S':
        return Presentation::kQuickSwap;
      default:
        return Presentation::kRoster;
    }
  }

 private:
  bool refusing_cards_;
  std::size_t next_ = 0;
};

// Takes the footprint once the tool has warmed up (first sounds, first typing) and at the end.
class FootprintWatch {
 public:
  FootprintWatch(pid_t pid, int presentations)
      : pid_(pid), warm_up_(std::max(5, presentations / 10)) {}
  void After(int presented) {
    if (!start_ && presented >= warm_up_) start_ = TakeFootprint(pid_);
  }
  // Whether the tool holds no more than after warming up, and the figures.
  bool End(std::string& figures) {
    const Footprint end = TakeFootprint(pid_);
    const Footprint start = start_.value_or(end);
    figures += "; " + Describe(start, end);
    return !Grew(start, end);
  }

 private:
  pid_t pid_;
  int warm_up_;
  std::optional<Footprint> start_;
};

struct Mix {
  int roster = 0;
  int unknown = 0;
  int refusing = 0;
  int swapped = 0;
};

std::string Seconds(Clock::time_point since) {
  return std::to_string(
             std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - since).count()) +
         " s";
}

ScenarioResult Finish(SoakBed& bed, const std::string& name, const std::string& what, Tally& tally,
                      FootprintWatch& footprint, Clock::time_point started) {
  bed.typed.ExpectNothingMore(kQuietAfterwards, tally);
  std::string figures = what + " in " + Seconds(started) + ": " + tally.Describe();
  const bool held = footprint.End(figures);
  const bool alive = bed.ToolAlive();
  if (!alive) figures += "; the tool ended";
  return {name, figures, tally.Clean() && held && alive};
}

// Lays a PC/SC card; true when the tool read it.
bool LayPcsc(SoakBed& bed, const SoakCard& card, Tally& tally, const char* how = "laid") {
  bed.card.Insert(card.id);
  if (bed.PcscCardRead()) return true;
  std::fprintf(stderr, "soak: PC/SC card %s (%s) was never read\n", card.id.c_str(), how);
  ++tally.missed;
  return false;
}

void ExpectTyped(SoakBed& bed, const SoakCard& card, Tally& tally) {
  bed.typed.Expect({card.value}, SoakBed::kPresentationTimeout, tally);
}

void ExpectSilentPcsc(SoakBed& bed, const SoakCard& card, Tally& tally) {
  if (LayPcsc(bed, card, tally)) ++tally.silent;
}

void TakeAwayPcsc(SoakBed& bed) {
  bed.probe->WaitUntilLetGo();
  bed.card.Remove();
  bed.probe->WaitFor(false);
}

}  // namespace

ScenarioResult SoakPcsc(int presentations) {
  SoakBed bed(/*with_pcscd=*/true);
  FootprintWatch footprint(bed.StartTool("3").pid(), presentations);
  const SoakCard refusing{"04C0FFFF", ""};
  Mixer mixer(/*refusing_cards=*/true);
  Tally tally;
  Mix mix;
  const auto started = Clock::now();
  for (int presented = 0; presented < presentations;) {
    bench::ThrowIfInterrupted();
    footprint.After(presented);
    switch (mixer.Next()) {
      case Presentation::kUnknown:
        ExpectSilentPcsc(bed, bed.pcsc_unknown.Next(), tally);
        ++mix.unknown;
        break;
      case Presentation::kRefusing:
        bed.card.SetStatus("6A81");
        ExpectSilentPcsc(bed, refusing, tally);
        TakeAwayPcsc(bed);
        bed.card.SetStatus("9000");
        ++mix.refusing;
        ++presented;
        continue;
      case Presentation::kQuickSwap: {
        // The second card takes the first one's place before pcscd's next look at the reader.
        const SoakCard& first = bed.pcsc_roster.Next();
        if (LayPcsc(bed, first, tally)) ExpectTyped(bed, first, tally);
        bed.probe->WaitUntilLetGo();
        bed.card.Remove();
        const SoakCard& second = bed.pcsc_roster.Next();
        if (LayPcsc(bed, second, tally, "swapped in")) ExpectTyped(bed, second, tally);
        mix.swapped += 2;
        ++presented;
        break;
      }
      case Presentation::kRoster: {
        const SoakCard& card = bed.pcsc_roster.Next();
        if (LayPcsc(bed, card, tally)) ExpectTyped(bed, card, tally);
        ++mix.roster;
        break;
      }
    }
    TakeAwayPcsc(bed);
    ++presented;
  }
  const std::string what = std::to_string(presentations) + " presentations (" +
                           std::to_string(mix.roster) + " roster, " + std::to_string(mix.unknown) +
                           " unknown, " + std::to_string(mix.refusing) + " answering 6A 81, " +
                           std::to_string(mix.swapped) + " in quick swaps)";
  return Finish(bed, "PC/SC soak", what, tally, footprint, started);
}

ScenarioResult SoakFelica(int presentations) {
  SoakBed bed(/*with_pcscd=*/false);
  FootprintWatch footprint(bed.StartTool("2").pid(), presentations);
  Mixer mixer(/*refusing_cards=*/false);
  Tally tally;
  Mix mix;
  const auto lay = [&](const SoakCard& card) {
    bed.felica_reader->Card(card.id);
    if (!bed.FelicaPolled("card " + card.id)) {
      ++tally.missed;
    } else if (card.value.empty()) {
      // The cycle that saw the card is over once the tool polls again.
      if (bed.FelicaPolled("")) ++tally.silent;
    } else {
      ExpectTyped(bed, card, tally);
    }
  };
  const auto started = Clock::now();
  for (int presented = 0; presented < presentations;) {
    bench::ThrowIfInterrupted();
    footprint.After(presented);
    switch (mixer.Next()) {
      case Presentation::kUnknown:
        lay(bed.felica_unknown.Next());
        ++mix.unknown;
        break;
      case Presentation::kQuickSwap:
        // The second card lies there from the poll after the one that saw the first.
        lay(bed.felica_roster.Next());
        lay(bed.felica_roster.Next());
        mix.swapped += 2;
        ++presented;
        break;
      case Presentation::kRoster:
      case Presentation::kRefusing:
        lay(bed.felica_roster.Next());
        ++mix.roster;
        break;
    }
    bed.felica_reader->NoCard();
    if (!bed.FelicaPolled("nocard")) ++tally.missed;
    ++presented;
  }
  const std::string what = std::to_string(presentations) + " presentations (" +
                           std::to_string(mix.roster) + " roster, " + std::to_string(mix.unknown) +
                           " unknown, " + std::to_string(mix.swapped) + " in quick swaps)";
  return Finish(bed, "FeliCa soak", what, tally, footprint, started);
}

ScenarioResult SoakBothReaders(int presentations) {
  SoakBed bed(/*with_pcscd=*/true);
  FootprintWatch footprint(bed.StartTool("4").pid(), presentations);
  Tally tally;
  const auto started = Clock::now();
  for (int presented = 0; presented < presentations; ++presented) {
    bench::ThrowIfInterrupted();
    footprint.After(presented);
    const SoakCard& pcsc = bed.pcsc_roster.Next();
    const SoakCard& felica = bed.felica_roster.Next();
    // The FeliCa card comes when pcscd sees the PC/SC one: both windows find their card within
    // one poll of each other, so their typing meets as often as it can.
    bed.card.Insert(pcsc.id);
    bed.probe->WaitFor(true);
    bed.felica_reader->Card(felica.id);
    std::set<std::string> pending{pcsc.value, felica.value};
    for (int line = 0; line < 2; ++line) {
      if (const auto typed = bed.typed.Expect(pending, SoakBed::kPresentationTimeout, tally)) {
        pending.erase(*typed);
      }
    }
    bed.felica_reader->NoCard();
    TakeAwayPcsc(bed);
  }
  const std::string what =
      std::to_string(presentations) + " presentations on each reader, laid together";
  return Finish(bed, "both readers (mode 4)", what, tally, footprint, started);
}

}  // namespace cardwedge::soak
