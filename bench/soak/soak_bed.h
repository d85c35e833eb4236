#pragma once

// The running tool and everything around it for a soak: Xvfb with the capture window, the real
// pcscd with a virtual card on the reader the tool chooses, the emulated FeliCa reader on a link
// that outlives any one emulator, and a program copy whose roster holds the roster cards below.

#include <optional>
#include <string>
#include <vector>

#include "program_copy.h"
#include "reader_probe.h"
#include "testbed.h"
#include "typed_lines.h"

namespace cardwedge::soak {

// A card and the line the tool types for it in lookup mode ("" when nothing).
struct SoakCard {
  std::string id;
  std::string value;
};

// Cards handed out in turn, so that no card follows itself and a card comes back only after all
// the others: the repeat rules never refuse a roster card here.
class CardRing {
 public:
  explicit CardRing(std::vector<SoakCard> cards) : cards_(std::move(cards)) {}
  const SoakCard& Next() { return cards_[next_++ % cards_.size()]; }
  const std::vector<SoakCard>& all() const { return cards_; }

 private:
  std::vector<SoakCard> cards_;
  std::size_t next_ = 0;
};

class SoakBed {
 public:
  // The tool's PC/SC reader: it takes the last one listed.
  static constexpr char kPcscReader[] = "Virtual PCD 00 01";
  static constexpr testbed::Duration kPresentationTimeout{5'000};

  // Starts pcscd when asked (waiting for other test runs to free it), and the FeliCa reader.
  explicit SoakBed(bool with_pcscd);

  // Starts `cardwedge 1 MODE` and waits until its windows run; throws when it does not.
  testbed::ChildProcess& StartTool(const std::string& mode);
  testbed::ChildProcess& tool() { return program.process(); }
  bool ToolAlive() { return !tool().Wait(testbed::Duration{0}).has_value(); }

  // Whether the tool sent the virtual card GET DATA in time (after the last such wait).
  bool PcscCardRead(testbed::Duration timeout = kPresentationTimeout);
  // Whether the tool polled the FeliCa reader and got this answer ("card <IDm>", "nocard"), or
  // any answer for an empty `answer`, in time (after the last such wait).
  bool FelicaPolled(const std::string& answer, testbed::Duration timeout = kPresentationTimeout);

  // A fresh emulator on the same link, as a reader unplugged and plugged in again.
  void ReplaceFelicaReader();

  testbed::Xvfb xvfb;
  testbed::KeyCapture capture{xvfb.display(), "soak target", /*keep_focus=*/true};
  TypedLines typed{capture};
  std::optional<testbed::Pcscd> pcscd;
  testbed::VirtualCard card{testbed::VirtualCard::kDefaultPort + 1};
  std::optional<ReaderProbe> probe;
  const std::filesystem::path felica_link;
  std::optional<testbed::Pn532Emulator> felica_reader;
  testbed::ProgramCopy program;

  CardRing pcsc_roster;
  CardRing pcsc_unknown;
  CardRing felica_roster;
  CardRing felica_unknown;
};

}  // namespace cardwedge::soak
