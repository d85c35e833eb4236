// Prints what the tool adds from a card's arrival to its Enter beside what a minimal program of
// the same shape adds (the floor: pcsc_floor, felica_floor), measured in the same run in
// alternating rounds, since absolute figures on a shared machine swing from hour to hour. PC/SC:
// from the reference client's detection of the card to the Enter at the capture window. FeliCa:
// from the emulated reader's answer to the poll that found the card to the Enter, so the poll
// interval, the same 100 ms for both, is left out. Usage: latency_bench [ROUNDS], the rounds of
// 5 cards each side takes per window set (default 8).

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "diagnostics/diagnostics_log.h"
#include "figures.h"
#include "interruption.h"
#include "pcscd_when_free.h"
#include "program_copy.h"
#include "reference_client.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "testbed.h"

namespace {

using cardwedge::kRosterFileName;
using cardwedge::kSwitchFileName;
using namespace cardwedge::bench;
using namespace cardwedge::testbed;
using namespace std::chrono_literals;

constexpr char kReaderName[] = "Virtual PCD 00 01";
constexpr int kCardsPerRound = 5;
constexpr char kFloorNumber[] = "4711";
constexpr Duration kLockTimeout{600'000};
// The tool's poll cycle after a card has gone (connect fails, release, a new context a tick
// later) is over within three ticks of 100 ms; nothing outside the tool shows it.
constexpr Duration kToolSeesRemoval{300};
constexpr int kPcscdPresencePollMs = 400;
constexpr int kFelicaPollMs = 100;
constexpr std::size_t kLogLinesOnMiss = 6;
constexpr std::size_t kReceivedShownOnMiss = 40;

enum class Reader { kPcsc, kFelica };

struct Card {
  std::string id;
  std::string value;
};

void PauseAtRandom(int up_to_ms) {
  static std::mt19937 random{std::random_device{}()};
  SleepUnlessInterrupted(Duration{std::uniform_int_distribution(0, up_to_ms)(random)});
}

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// A roster record: number in field 2, a name in CP932 in field 3, the card in field 49.
std::string Record(const Card& card) {
  std::string line = "r";
  for (int field = 2; field <= 50; ++field) {
    line += ',';
    if (field == 2) line += card.value;
    if (field == 3) line += "\x93\x63\x92\x86";  // 田中
    if (field == 49) line += card.id;
  }
  return line + "\r\n";
}

std::string Hex(const char* format, int number) {
  char text[24];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

// Xvfb without a window manager and a capture window that keeps the focus and draws nothing (its
// drawing between a value's digits and its Enter would delay the Enter), pcscd with the
// virtual card on the second vpcd reader, the emulated FeliCa reader, and a program folder with
// the default sounds and a roster of 5 cards for each reader.
class LatencyBed {
 public:
  LatencyBed() {
    StartPcscdWhenFree(pcscd_, kLockTimeout);
    reference_.emplace(kReaderName);
    std::string roster;
    for (int i = 1; i <= kCardsPerRound; ++i) {
      cards_[0].push_back({Hex("04B0%04X", i), std::to_string(200000 + i)});
      cards_[1].push_back({Hex("012E4C3A0F20%04X", i), std::to_string(100000 + i)});
      roster += Record(cards_[0].back()) + Record(cards_[1].back());
    }
    program_.Write(kRosterFileName, roster);
    program_.Write(kSwitchFileName, "0");
  }

  // Ends what ran before and starts `cardwedge 1 MODE` or the floors for these readers.
  void StartTool(const std::string& mode) {
    EndRunning();
    program_.Start({"1", mode},
                   {{"DISPLAY", xvfb_.display()}, {"LIBNFC_DEVICE", felica_.connstring()}});
    tool_running_ = true;
    if (!program_.WaitUntilRunning()) throw TestbedError("the tool did not start");
  }

  void StartFloors(const std::vector<Reader>& readers) {
    EndRunning();
    for (Reader reader : readers) {
      std::vector<std::string> argv =
          reader == Reader::kPcsc
              ? std::vector<std::string>{CARDWEDGE_PCSC_FLOOR_PATH, kReaderName, kFloorNumber}
              : std::vector<std::string>{CARDWEDGE_FELICA_FLOOR_PATH, felica_.connstring(),
                                         kFloorNumber};
      floors_.push_back(std::make_unique<ChildProcess>(
          std::move(argv), ProcessOptions{.environment = {{"DISPLAY", xvfb_.display()}},
                                          .error_output = ErrorOutput::kIntoLines}));
      floors_.back()->WaitForLine("watching", kStartTimeout);
    }
  }

  // Lays each card of the round on the reader once and takes it away again; the milliseconds
  // from the reference point to the Enter of each card typed.
  std::vector<double> Round(Reader reader, bool floor) {
    std::vector<double> added;
    for (const Card& card : cards_[reader == Reader::kPcsc ? 0 : 1]) {
      ThrowIfInterrupted();
      const std::string typed = floor ? kFloorNumber : card.value;
      const std::optional<double> ms =
          reader == Reader::kPcsc ? PresentPcsc(card.id, typed) : PresentFelica(card.id, typed);
      if (ms) {
        added.push_back(*ms);
      } else {
        ++missed_;
        ReportMiss(card.id, floor);
      }
    }
    return added;
  }

  int missed() const { return missed_; }

 private:
  // Names the card, what the capture window received, and the tool's last log lines.
  void ReportMiss(const std::string& id, bool floor) {
    std::string received = capture_.ReceivedText();
    received.erase(0, received.size() - std::min(received.size(), kReceivedShownOnMiss));
    std::ranges::replace(received, '\n', '|');
    std::fprintf(stderr, "card %s not typed by the %s; the capture window's last keys: %s\n",
                 id.c_str(), floor ? "floor" : "tool", received.c_str());
    if (floor) return;
    std::ifstream log(program_.PathOf(cardwedge::kLogFileName));
    std::deque<std::string> last;
    for (std::string line; std::getline(log, line);) {
      last.push_back(line);
      if (last.size() > kLogLinesOnMiss) last.pop_front();
    }
    for (const std::string& line : last) std::fprintf(stderr, "  log: %s\n", line.c_str());
  }

  void EndRunning() {
    floors_.clear();
    if (tool_running_) {
      program_.process().Kill(SIGKILL);
      program_.process().Wait(kEventTimeout);
      tool_running_ = false;
    }
  }

  std::optional<double> PresentPcsc(const std::string& id, const std::string& typed) {
    PauseAtRandom(kPcscdPresencePollMs);
    card_.Insert(id);
    const Clock::time_point seen = reference_->WaitFor(true, kEventTimeout);
    const std::optional<Clock::time_point> enter = WaitForEnter(typed);
    card_.Remove();
    reference_->WaitFor(false, kEventTimeout);
    SleepUnlessInterrupted(kToolSeesRemoval);
    if (!enter) return std::nullopt;
    return MillisecondsBetween(seen, *enter);
  }

  std::optional<double> PresentFelica(const std::string& idm, const std::string& typed) {
    PauseAtRandom(kFelicaPollMs);
    felica_.Card(idm);
    const std::string answer = "card " + idm;
    while (felica_.WaitForPoll(kEventTimeout) != answer) {
    }
    const Clock::time_point answered =
        felica_.process()
            .LastArrival([&](std::string_view line) { return line == "poll " + answer; })
            .value();
    const std::optional<Clock::time_point> enter = WaitForEnter(typed);
    felica_.NoCard();
    while (felica_.WaitForPoll(kEventTimeout) != "nocard") {
    }
    if (!enter) return std::nullopt;
    return MillisecondsBetween(answered, *enter);
  }

  // When the Enter after `typed` reached the capture window; on a miss, carries on from what did
  // arrive.
  std::optional<Clock::time_point> WaitForEnter(const std::string& typed) {
    expected_ += typed + "\n";
    if (!capture_.WaitForText(expected_, kEventTimeout)) {
      expected_ = capture_.ReceivedText();
      return std::nullopt;
    }
    return capture_.process().LastArrival(
        [](std::string_view line) { return line.starts_with("key Return "); });
  }

  Xvfb xvfb_;
  KeyCapture capture_{xvfb_.display(), "latency target", /*keep_focus=*/true, /*drawing=*/false};
  std::optional<Pcscd> pcscd_;
  VirtualCard card_{VirtualCard::kDefaultPort + 1};
  std::optional<ReferenceClient> reference_;
  Pn532Emulator felica_;
  ProgramCopy program_;
  std::vector<Card> cards_[2];
  std::vector<std::unique_ptr<ChildProcess>> floors_;
  bool tool_running_ = false;
  std::string expected_;
  int missed_ = 0;
};

// One window set: the tool's mode and the readers measured in it.
struct WindowSet {
  const char* mode;
  std::vector<Reader> readers;
};

struct Samples {
  std::vector<double> tool;
  std::vector<double> floor;
};

std::string Cell(const Summary& summary) {
  return Format("%6.1f", summary.median_ms) + Format(" / %6.1f", summary.p90_ms);
}

void PrintComparison(const char* reader, const char* mode, const Samples& samples) {
  const Summary tool = Summarise(samples.tool);
  const Summary floor = Summarise(samples.floor);
  std::printf("| %-6s | `1 %s` | %s | %s | %5.2f | %3zu / %3zu |\n", reader, mode,
              Cell(tool).c_str(), Cell(floor).c_str(), tool.median_ms / floor.median_ms, tool.count,
              floor.count);
  std::fflush(stdout);
}

// Runs every window set, or only those whose mode is listed (`latency_bench 6 3` for `1 3`).
void Run(int rounds, const std::vector<std::string>& modes) {
  LatencyBed bed;
  std::vector<WindowSet> sets{
      {"3", {Reader::kPcsc}}, {"2", {Reader::kFelica}}, {"4", {Reader::kPcsc, Reader::kFelica}}};
  if (!modes.empty()) {
    std::erase_if(sets, [&](const WindowSet& set) {
      return std::ranges::find(modes, set.mode) == modes.end();
    });
  }
  std::printf("%ld cores; milliseconds added, median / p90; %d rounds of %d cards a side\n\n",
              sysconf(_SC_NPROCESSORS_ONLN), rounds, kCardsPerRound);
  std::printf("| reader | windows | tool            | floor           | tool / floor | n     |\n");
  std::printf("|--------|---------|-----------------|-----------------|-------------:|-------|\n");
  for (const WindowSet& set : sets) {
    Samples samples[2];
    for (int round = 0; round < 2 * rounds; ++round) {
      const bool floor = round % 2 == 1;
      if (floor) {
        bed.StartFloors(set.readers);
      } else {
        bed.StartTool(set.mode);
      }
      PauseAtRandom(1000);
      for (Reader reader : set.readers) {
        std::vector<double>& into = floor ? samples[static_cast<int>(reader)].floor
                                          : samples[static_cast<int>(reader)].tool;
        for (double ms : bed.Round(reader, floor)) into.push_back(ms);
      }
    }
    for (Reader reader : set.readers) {
      PrintComparison(reader == Reader::kPcsc ? "PC/SC" : "FeliCa", set.mode,
                      samples[static_cast<int>(reader)]);
    }
  }
  if (bed.missed() > 0) std::printf("\n%d cards not typed\n", bed.missed());
}

}  // namespace

int main(int argc, char** argv) {
  TakeSignalsOnAThreadOfTheirOwn();
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 8;
  const std::vector<std::string> modes(argv + std::min(argc, 2), argv + argc);
  try {
    Run(rounds > 0 ? rounds : 8, modes);
  } catch (const Interrupted&) {
    std::fprintf(stderr, "latency_bench: interrupted; everything it started has ended\n");
    return 130;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "latency_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
