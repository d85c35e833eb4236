// Prints what the running tool costs: the time it adds to a card's detection on each reader,
// its start-up, its idle CPU and its memory, each beside the reference and the target.

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
constexpr std::chrono::seconds kIdleDuration{60};

std::string Percent(double value) { return Format("%.2f %% of one core", value); }

std::string Misses(const LatencyFigures& figures) {
  return figures.missed == 0 ? "" : ", " + std::to_string(figures.missed) + " not typed";
}

std::string Ratio(const LatencyFigures& figures) {
  return Format("%.2f", figures.tool.median_ms / figures.reference.median_ms);
}

void Run() {
  BenchBed bed;

  const StartUpFigures start_up = MeasureStartUp(bed, kStarts);
  PrintRow("start-up: exec to first FeliCa poll", Describe(start_up.to_first_felica_poll));
  PrintRow("start-up: exec to PC/SC read of a card", Describe(start_up.to_first_pcsc_read));

  const LatencyFigures pcsc = MeasurePcscLatency(bed);
  PrintRow("PC/SC: connectable -> Enter (tool)", Describe(pcsc.tool) + Misses(pcsc),
           "tool adds <= 100 ms median");
  PrintRow("PC/SC: inserted -> present (reference)", Describe(pcsc.reference));
  PrintRow("PC/SC: tool / reference, medians", Ratio(pcsc));

  const LatencyFigures felica = MeasureFelicaLatency(bed);
  PrintRow("FeliCa: card -> Enter (tool)", Describe(felica.tool) + Misses(felica),
           "<= 100 ms median (one poll)");
  PrintRow("FeliCa: card -> first poll answering it", Describe(felica.reference));
  PrintRow("FeliCa: tool / reference, medians", Ratio(felica));

  const IdleFigures idle = MeasureIdleCpu(bed, kIdleDuration);
  const std::string over = Format(" over %.0f s", idle.seconds);
  PrintRow("idle CPU, tool (mode 4, no card)", Percent(idle.tool_percent) + over, "< 1 %");
  PrintRow("idle CPU, pcscd", Percent(idle.pcscd_percent) + over);

  const Memory memory = ResidentMemory(bed.program.process().pid());
  PrintRow("tool memory (mode 4): VmRSS / VmHWM", std::to_string(memory.rss_kib) + " KiB / " +
                                                      std::to_string(memory.peak_rss_kib) + " KiB");
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
