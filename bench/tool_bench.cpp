// Prints what the running tool costs: the time it adds to a card's detection on each reader,
// its start-up, its idle CPU and its memory, each beside the reference and the target. The PC/SC
// latency and the idle CPU are measured with the tool's reader watch on, then with it off.

#include <cstdio>
#include <exception>

#include "bench_bed.h"
#include "figures.h"
#include "interruption.h"
#include "measurements.h"
#include "process_usage.h"

namespace {

using namespace cardwedge::bench;

constexpr int kStarts = 5;
constexpr std::chrono::seconds kIdleDuration{45};

std::string Percent(double value) { return Format("%.2f %% of one core", value); }

std::string Misses(const LatencyFigures& figures) {
  return figures.missed == 0 ? "" : ", " + std::to_string(figures.missed) + " not typed";
}

std::string Ratio(const LatencyFigures& figures) {
  return Format("%.2f", figures.tool.median_ms / figures.reference.median_ms);
}

// The PC/SC latency, then the idle CPU, of the tool started with or without its reader watch.
struct PcscRun {
  LatencyFigures latency;
  IdleFigures idle;
};

PcscRun MeasurePcscRun(BenchBed& bed) {
  return {MeasurePcscLatency(bed), MeasureIdleCpu(bed, kIdleDuration)};
}

void Run() {
  BenchBed bed;

  const StartUpFigures start_up = MeasureStartUp(bed, kStarts, /*readerWatch=*/true);
  PrintRow("start-up: exec to first FeliCa poll", Describe(start_up.to_first_felica_poll));
  PrintRow("start-up: exec to PC/SC read of a card", Describe(start_up.to_first_pcsc_read));

  const LatencyFigures felica = MeasureFelicaLatency(bed);
  PrintRow("FeliCa: card -> Enter (tool)", Describe(felica.tool) + Misses(felica),
           "<= 100 ms median (one poll)");
  PrintRow("FeliCa: card -> first poll answering it", Describe(felica.reference));
  PrintRow("FeliCa: poll answered -> Enter", Describe(felica.read_to_enter), "<= 3 ms median");
  PrintRow("FeliCa: tool / reference, medians", Ratio(felica));
  const Memory memory = ResidentMemory(bed.program.process().pid());
  PrintRow("tool memory (mode 4): VmRSS / VmHWM", std::to_string(memory.rss_kib) + " KiB / " +
                                                      std::to_string(memory.peak_rss_kib) + " KiB");

  const PcscRun watched = MeasurePcscRun(bed);
  MeasureStartUp(bed, 1, /*readerWatch=*/false);
  const PcscRun polled = MeasurePcscRun(bed);

  PrintRow("PC/SC: reference sees card -> Enter, watch",
           Describe(watched.latency.tool) + Misses(watched.latency),
           "<= 5 ms median, <= 15 ms p95");
  PrintRow("PC/SC: the same, poll alone (watch off)",
           Describe(polled.latency.tool) + Misses(polled.latency));
  PrintRow("PC/SC: GET DATA answered -> Enter, watch", Describe(watched.latency.read_to_enter),
           "<= 3 ms median");
  PrintRow("PC/SC: inserted -> present (reference)", Describe(watched.latency.reference));
  const std::string over = Format(" over %.0f s", watched.idle.seconds);
  PrintRow("idle CPU, tool (mode 4, no card), watch", Percent(watched.idle.tool_percent) + over,
           "< 1 %, not above poll alone");
  PrintRow("idle CPU, tool, poll alone (watch off)", Percent(polled.idle.tool_percent) + over);
  PrintRow("idle CPU, pcscd, watch", Percent(watched.idle.pcscd_percent) + over,
           "not above poll alone");
  PrintRow("idle CPU, pcscd, poll alone (watch off)", Percent(polled.idle.pcscd_percent) + over);
}

}  // namespace

int main() {
  TakeSignalsOnAThreadOfTheirOwn();
  try {
    Run();
  } catch (const Interrupted&) {
    std::fprintf(stderr, "tool_bench: interrupted; everything it started has ended\n");
    return 130;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tool_bench: %s\n", error.what());
    return 1;
  }
  return 0;
}
