#include "bench_bed.h"

#include <csignal>
#include <cstdio>

#include "interruption.h"
#include "pcscd_when_free.h"
#include "roster/host_watch.h"
#include "roster/roster.h"

namespace cardwedge::bench {
namespace {

constexpr char kReaderName[] = "Virtual PCD 00 01";
constexpr testbed::Duration kLockTimeout{300'000};

std::string Record(const BenchCard& card) {
  std::string line = "r";
  for (int field = 2; field <= 50; ++field) {
    line += ',';
    if (field == 2) line += card.value;
    if (field == 3) line += "bench";
    if (field == 49) line += card.id;
  }
  return line + "\r\n";
}

std::string Hex(const char* format, int number) {
  char text[24];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

// Other test runs may hold the machine's one pcscd: wait for it in steps, so Ctrl-C still works.
}  // namespace

BenchBed::BenchBed() {
  StartPcscdWhenFree(pcscd, kLockTimeout);
  reference.emplace(kReaderName);
  std::string roster;
  for (int i = 1; i <= kCardsPerReader; ++i) {
    pcsc_cards.push_back({Hex("04B0%04X", i), std::to_string(200000 + i)});
    felica_cards.push_back({Hex("012E4C3A0F20%04X", i), std::to_string(100000 + i)});
    roster += Record(pcsc_cards.back()) + Record(felica_cards.back());
  }
  program.Write(kRosterFileName, roster);
  program.Write(kSwitchFileName, "0");
}

testbed::ChildProcess& BenchBed::StartTool(bool readerWatch) {
  if (tool_started_) {
    program.process().Kill(SIGKILL);
    program.process().Wait(testbed::kEventTimeout);
  }
  tool_started_ = true;
  return program.Start({"1", "4"}, {{"DISPLAY", xvfb.display()},
                                    {"LIBNFC_DEVICE", felica_reader.connstring()},
                                    {"CARDWEDGE_READER_WATCH", readerWatch ? "on" : "off"}});
}

}  // namespace cardwedge::bench
