#include "measurements.h"

#include <csignal>
#include <random>

#include "interruption.h"
#include "process_usage.h"

namespace cardwedge::bench {
namespace {

using namespace std::chrono_literals;

constexpr char kUnknownPcscCard[] = "0BADCAFE";
constexpr char kGetData[] = "FFCA000000";
constexpr testbed::Duration kPresentationTimeout{5'000};
// Nothing outside the tool shows its failed connect once a card has gone; its poll cycle
// (connect, release, a new context a tick later, connect) is over within three ticks of 100 ms.
constexpr testbed::Duration kToolSeesRemoval{300};

// How often pcscd asks the vpcd driver whether a card is there, and how often the tool polls the
// FeliCa reader. A card is laid down at a random point of these cycles: laid right after a
// removal was seen, it would always meet the same phase of them.
constexpr int kPcscdPresencePollMs = 400;
constexpr int kFelicaPollMs = 100;

void PauseForRandomPhase(int cycle_ms) {
  static std::mt19937 random{std::random_device{}()};
  SleepUnlessInterrupted(testbed::Duration{std::uniform_int_distribution(0, cycle_ms)(random)});
}

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

void SkipWaitingLines(testbed::ChildProcess& process) {
  while (process.TryWaitForLine([](std::string_view) { return true; }, 0ms)) {
  }
}

std::string WaitForFelicaPoll(BenchBed& bed, const std::string& answer) {
  for (;;) {
    const std::string poll = bed.felica_reader.WaitForPoll(kPresentationTimeout);
    if (poll == answer) return poll;
  }
}

// Waits for the typed text; on a miss, carries on from what did arrive.
bool WaitForTyped(BenchBed& bed, std::string& expected) {
  if (bed.capture.WaitForText(expected, kPresentationTimeout)) return true;
  expected = bed.capture.ReceivedText();
  return false;
}

}  // namespace

StartUpFigures MeasureStartUp(BenchBed& bed, int starts, bool readerWatch) {
  bed.card.Insert(kUnknownPcscCard);
  std::vector<double> felica;
  std::vector<double> pcsc;
  for (int start = 0; start < starts; ++start) {
    ThrowIfInterrupted();
    SkipWaitingLines(bed.felica_reader.process());
    const Clock::time_point exec = Clock::now();
    bed.StartTool(readerWatch);
    bed.felica_reader.WaitForPoll(testbed::kStartTimeout);
    felica.push_back(MillisecondsBetween(exec, Clock::now()));
    bed.card.WaitForApdu(kGetData, testbed::kStartTimeout);
    pcsc.push_back(MillisecondsBetween(exec, Clock::now()));
  }
  bed.card.Remove();
  return {Summarise(felica), Summarise(pcsc)};
}

LatencyFigures MeasurePcscLatency(BenchBed& bed) {
  // Past the card of the start-up measurement, taken away last.
  bed.reference->WaitFor(false, kPresentationTimeout);
  SleepUnlessInterrupted(kToolSeesRemoval);
  std::vector<double> tool;
  std::vector<double> reference;
  LatencyFigures figures;
  std::string expected = bed.capture.ReceivedText();
  for (const BenchCard& card : bed.pcsc_cards) {
    PauseForRandomPhase(kPcscdPresencePollMs);
    bed.card.Insert(card.id);
    const Clock::time_point inserted = Clock::now();
    const Clock::time_point connectable = bed.reference->WaitFor(true, kPresentationTimeout);
    expected += card.value + "\n";
    if (WaitForTyped(bed, expected)) {
      tool.push_back(MillisecondsBetween(connectable, Clock::now()));
    } else {
      ++figures.missed;
    }
    reference.push_back(MillisecondsBetween(inserted, connectable));
    bed.card.Remove();
    bed.reference->WaitFor(false, kPresentationTimeout);
    SleepUnlessInterrupted(kToolSeesRemoval);
  }
  figures.tool = Summarise(tool);
  figures.reference = Summarise(reference);
  return figures;
}

LatencyFigures MeasureFelicaLatency(BenchBed& bed) {
  std::vector<double> tool;
  std::vector<double> reference;
  LatencyFigures figures;
  std::string expected = bed.capture.ReceivedText();
  for (const BenchCard& card : bed.felica_cards) {
    PauseForRandomPhase(kFelicaPollMs);
    bed.felica_reader.Card(card.id);
    const Clock::time_point acknowledged = Clock::now();
    WaitForFelicaPoll(bed, "card " + card.id);
    reference.push_back(MillisecondsBetween(acknowledged, Clock::now()));
    expected += card.value + "\n";
    if (WaitForTyped(bed, expected)) {
      tool.push_back(MillisecondsBetween(acknowledged, Clock::now()));
    } else {
      ++figures.missed;
    }
    bed.felica_reader.NoCard();
    WaitForFelicaPoll(bed, "nocard");
  }
  figures.tool = Summarise(tool);
  figures.reference = Summarise(reference);
  return figures;
}

IdleFigures MeasureIdleCpu(BenchBed& bed, std::chrono::seconds duration) {
  const pid_t tool = bed.program.process().pid();
  const pid_t pcscd = bed.pcscd->pid();
  const double tool_before = CpuSeconds(tool);
  const double pcscd_before = CpuSeconds(pcscd);
  const Clock::time_point start = Clock::now();
  SleepUnlessInterrupted(duration);
  const double seconds = MillisecondsBetween(start, Clock::now()) / 1000;
  return {100 * (CpuSeconds(tool) - tool_before) / seconds,
          100 * (CpuSeconds(pcscd) - pcscd_before) / seconds, seconds};
}

}  // namespace cardwedge::bench
