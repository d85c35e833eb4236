#include "soak_bed.h"

#include <unistd.h>

#include <cstdio>

#include "interruption.h"
#include "pcscd_when_free.h"
#include "roster/roster.h"

namespace cardwedge::soak {
namespace {

// Enough that a card comes back only after more than the 10-second repeat window.
constexpr int kRosterCardsPerReader = 40;
constexpr int kUnknownCardsPerReader = 4;
constexpr testbed::Duration kLockTimeout{600'000};

std::string Hex(const char* format, int number) {
  char text[24];
  std::snprintf(text, sizeof text, format, number);
  return text;
}

std::string Record(const SoakCard& card) {
  std::string line = "r";
  for (int field = 2; field <= kRosterFieldsPerRecord; ++field) {
    line += ',';
    if (field == 2) line += card.value;
    if (field == 3) line += "soak";
    if (field == 49) line += card.id;
  }
  return line + "\r\n";
}

// PC/SC identifiers of 4 and 7 bytes, FeliCa IDms of 8; values of one reader never equal the
// other's, so a line always tells which reader typed it.
std::vector<SoakCard> Cards(bool pcsc, bool roster, int count) {
  std::vector<SoakCard> cards;
  for (int i = 1; i <= count; ++i) {
    const int n = roster ? i : 0x100 + i;
    std::string id =
        pcsc ? Hex(i % 2 ? "04C0%04X" : "04C0%04X5A3E80", n) : Hex("012E4C3A0F30%04X", n);
    cards.push_back({std::move(id), roster ? std::to_string((pcsc ? 300000 : 100000) + i) : ""});
  }
  return cards;
}

// Other test runs may hold the machine's one pcscd: wait for it in steps, so Ctrl-C still works.
}  // namespace

SoakBed::SoakBed(bool with_pcscd)
    : felica_link("/tmp/cardwedge-soak-pn532-" + std::to_string(getpid())),
      pcsc_roster(Cards(true, true, kRosterCardsPerReader)),
      pcsc_unknown(Cards(true, false, kUnknownCardsPerReader)),
      felica_roster(Cards(false, true, kRosterCardsPerReader)),
      felica_unknown(Cards(false, false, kUnknownCardsPerReader)) {
  if (with_pcscd) {
    bench::StartPcscdWhenFree(pcscd, kLockTimeout);
    probe.emplace(kPcscReader);
  }
  felica_reader.emplace(felica_link);
  std::string roster;
  for (const SoakCard& card : pcsc_roster.all()) roster += Record(card);
  for (const SoakCard& card : felica_roster.all()) roster += Record(card);
  program.Write(kRosterFileName, roster);
}

testbed::ChildProcess& SoakBed::StartTool(const std::string& mode) {
  program.Start({"1", mode}, {{"DISPLAY", xvfb.display()},
                              {"LIBNFC_DEVICE", "pn532_uart:" + felica_link.string()}});
  if (!program.WaitUntilRunning()) throw testbed::TestbedError("the tool did not start");
  return tool();
}

bool SoakBed::PcscCardRead(testbed::Duration timeout) {
  return card.process()
      .TryWaitForLine([](std::string_view line) { return line == "apdu FFCA000000"; }, timeout)
      .has_value();
}

bool SoakBed::FelicaPolled(const std::string& answer, testbed::Duration timeout) {
  const std::string expected = "poll " + answer;
  return felica_reader->process()
      .TryWaitForLine(
          [&](std::string_view line) {
            return answer.empty() ? line.starts_with("poll ") : line == expected;
          },
          timeout)
      .has_value();
}

void SoakBed::ReplaceFelicaReader() {
  felica_reader->process().Kill(SIGKILL);
  felica_reader->process().Wait(testbed::kEventTimeout);
  felica_reader.reset();
  felica_reader.emplace(felica_link);
}

}  // namespace cardwedge::soak
