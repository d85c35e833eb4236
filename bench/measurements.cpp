#include "measurements.h"

#include <csignal>
#include <optional>
#include <random>
#include <string>

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

// Waits for the typed text and answers when its Enter reached the capture window; on a miss,
// carries on from what did arrive.
std::optional<Clock::time_point> WaitForTyped(BenchBed& bed, std::string& expected) {
  if (!bed.capture.WaitForText(expected, kPresentationTimeout)) {
    expected = bed.capture.ReceivedText();
    return std::nullopt;
  }
  return bed.capture.process().LastArrival(
      [](std::string_view line) { return line.starts_with("key Return "); });
}

// When the last line that is exactly `line` came from the process.
Clock::time_point ArrivalOf(testbed::ChildProcess& process, const std::string& line) {
  return process.LastArrival([&](std::string_view each) { return each == line; }).value();
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
  std::vector<double> readToEnter;
  LatencyFigures figures;
  std::string expected = bed.capture.ReceivedText();
  for (const BenchCard& card : bed.pcsc_cards) {
    PauseForRandomPhase(kPcscdPresencePollMs);
    bed.card.Insert(card.id);
    const Clock::time_point inserted = Clock::now();
    const Clock::time_point connectable = bed.reference->WaitFor(true, kPresentationTimeout);
    expected += card.value + "\n";
    if (const auto enter = WaitForTyped(bed, expected)) {
      tool.push_back(MillisecondsBetween(connectable, *enter));
      readToEnter.push_back(MillisecondsBetween(
          ArrivalOf(bed.card.process(), "apdu " + std::string(kGetData)), *enter));
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
  figures.read_to_enter = Summarise(readToEnter);
  return figures;
}

LatencyFigures MeasureFelicaLatency(BenchBed& bed) {
  std::vector<double> tool;
  std::vector<double> reference;
  std::vector<double> readToEnter;
  LatencyFigures figures;
  std::string expected = bed.capture.ReceivedText();
  for (const BenchCard& card : bed.felica_cards) {
    PauseForRandomPhase(kFelicaPollMs);
    bed.felica_reader.Card(card.id);
    const Clock::time_point acknowledged = Clock::now();
    const std::string answer = "card " + card.id;
    WaitForFelicaPoll(bed, answer);
    const Clock::time_point answered = ArrivalOf(bed.felica_reader.process(), "poll " + answer);
    reference.push_back(MillisecondsBetween(acknowledged, answered));
    expected += card.value + "\n";
    if (const auto enter = WaitForTyped(bed, expected)) {
      tool.push_back(MillisecondsBetween(acknowledged, *enter));
      readToEnter.push_back(MillisecondsBetween(answered, *enter));
    } else {
      ++figures.missed;
    }
    bed.felica_reader.NoCard();
    WaitForFelicaPoll(bed, "nocard");
  }
  figures.tool = Summarise(tool);
  figures.reference = Summarise(reference);
  figures.read_to_enter = Summarise(readToEnter);
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
