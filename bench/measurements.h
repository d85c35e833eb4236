#pragma once

// The measurements of the running tool, each against the bench bed.

#include <vector>

#include "bench_bed.h"
#include "figures.h"

namespace cardwedge::bench {

struct StartUpFigures {
  // From exec to the emulated FeliCa reader's first poll.
  Summary to_first_felica_poll;
  // From exec to the GET DATA of a PC/SC card already lying on the reader.
  Summary to_first_pcsc_read;
};

// Starts the tool `starts` times, each in place of the one before; the last one stays running.
StartUpFigures MeasureStartUp(BenchBed& bed, int starts, bool readerWatch);

struct LatencyFigures {
  // What the tool takes from the reference point to the Enter key at the capture window.
  Summary tool;
  // The reference itself: detection by the PC/SC reference client, or the emulator's first
  // poll that answers the card.
  Summary reference;
  // The tool's read alone: from the card's answer to GET DATA, or the emulator's answer to the
  // poll, to the Enter.
  Summary read_to_enter;
  int missed = 0;
};

// Lays each PC/SC roster card once on the reader, at a random phase of pcscd's and the tool's
// cycles, and takes it away again.
LatencyFigures MeasurePcscLatency(BenchBed& bed);

// Lays each FeliCa roster card once on the emulated reader and takes it away again.
LatencyFigures MeasureFelicaLatency(BenchBed& bed);

struct IdleFigures {
  double tool_percent;
  double pcscd_percent;
  double seconds;
};

// CPU of the running tool and of pcscd with no card on either reader.
IdleFigures MeasureIdleCpu(BenchBed& bed, std::chrono::seconds duration);

}  // namespace cardwedge::bench
