// The real program as `cardwedge 1 2` under Xvfb: cards on the emulated FeliCa reader are typed
// into the focused window.

#include <gtest/gtest.h>

#include <string>

#include "felica/felica_form1.h"
#include "program_copy.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "roster_line.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using testbed::ChildProcess;
using testbed::kEventTimeout;
using testbed::KeyCapture;
using testbed::Pn532Emulator;
using testbed::Xvfb;

constexpr char kRosterCard[] = "012E4C3A0F10889B";
constexpr char kUnknownCard[] = "0A1B2C3D4E5F6789";

// Polls seen by the emulator until this many have answered the card, so a test knows the
// program has seen the card at least that often.
void WaitForPollsOf(Pn532Emulator& emulator, const std::string& idm, int count) {
  for (int seen = 0; seen < count;) {
    if (emulator.WaitForPoll() == "card " + idm) ++seen;
  }
}

TEST(FelicaEndToEnd, TypesRosterValuesOnceAndRawIdsOnRequestAndNothingForUnknownCards) {
  testbed::ProgramCopy program;
  program.Write(kRosterFileName, RosterLine("00123", "佐藤", kRosterCard));
  program.Write(kSwitchFileName, "0");
  program.Write(kFelicaSwitchFileName, "");

  Xvfb xvfb;
  KeyCapture capture(xvfb.display(), "host", /*keep_focus=*/true);
  Pn532Emulator reader(program.PathOf("pn532"));
  reader.Card(kRosterCard);
  ChildProcess& process = program.Start(
      {"1", "2"}, {{"DISPLAY", xvfb.display()}, {"LIBNFC_DEVICE", reader.connstring()}});

  // A roster card on the reader: its value, once, while it stays there for five seconds
  // (the window polls ten times a second).
  EXPECT_TRUE(capture.WaitForText("00123\n")) << capture.ReceivedText();
  WaitForPollsOf(reader, kRosterCard, 50);
  EXPECT_EQ(capture.ReceivedText(), "00123\n");
  EXPECT_TRUE(program.Exists(kFelicaSwitchFileName));

  // A card not in the roster: nothing.
  reader.Card(kUnknownCard);
  WaitForPollsOf(reader, kUnknownCard, 10);
  EXPECT_EQ(capture.ReceivedText(), "00123\n");

  // The host asks for raw IDs: the card's 16 characters and Enter.
  program.Write(kSwitchFileName, "1");
  const std::string rawId = std::string("00123\n") + kUnknownCard + "\n";
  EXPECT_TRUE(capture.WaitForText(rawId)) << capture.ReceivedText();

  // The host asks for the end.
  program.Write(kSwitchFileName, "9");
  EXPECT_TRUE(testbed::ExitedWith(process.Wait(kEventTimeout), 0));
}

}  // namespace
}  // namespace cardwedge
