#pragma once

// The running tool and everything around it: Xvfb with the capture window, the real pcscd with a
// virtual card on the reader the tool chooses, the emulated FeliCa reader, the reference PC/SC
// client, and a program copy with a roster of distinct cards for both readers.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "program_copy.h"
#include "reference_client.h"
#include "testbed.h"

namespace cardwedge::bench {

// A roster card: what lies on a reader and the number the tool types for it.
struct BenchCard {
  std::string id;
  std::string value;
};

class BenchBed {
 public:
  static constexpr int kCardsPerReader = 100;

  // Waits for the machine's pcscd to be free, stopping early on Ctrl-C.
  BenchBed();

  // Starts `cardwedge 1 4` against the bed, with or without its reader watch, in place of the
  // tool running before; the last one started is the running tool.
  testbed::ChildProcess& StartTool(bool readerWatch);

  testbed::Xvfb xvfb;
  testbed::KeyCapture capture{xvfb.display(), "bench target", /*keep_focus=*/true};
  std::optional<testbed::Pcscd> pcscd;
  // The tool chooses the last reader listed: "Virtual PCD 00 01".
  testbed::VirtualCard card{testbed::VirtualCard::kDefaultPort + 1};
  std::optional<ReferenceClient> reference;
  testbed::Pn532Emulator felica_reader;
  testbed::ProgramCopy program;
  std::vector<BenchCard> pcsc_cards;
  std::vector<BenchCard> felica_cards;

 private:
  bool tool_started_ = false;
};

}  // namespace cardwedge::bench
