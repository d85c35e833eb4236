// The real program as `cardwedge 1 3` under Xvfb: cards on a vpcd reader of the real pcscd are
// typed into the focused window.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "program_copy.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "roster_line.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;
using testbed::KeyCapture;
using testbed::Pcscd;
using testbed::VirtualCard;
using testbed::Xvfb;

constexpr char kRosterCard[] = "04A22B1A";
constexpr char kRosterValue[] = "4321";
constexpr char kUnknownCard[] = "11223344";

// A copy of the program in a folder of its own with a one-card roster, its window on the
// display, the host watch off.
class ProgramCopy {
 public:
  explicit ProgramCopy(const std::string& display) {
    copy_.Write(kRosterFileName, RosterLine(kRosterValue, "Sato", kRosterCard));
    copy_.Start({"1", "3"}, {{"DISPLAY", display}});
  }

  void WriteSwitchFile(const std::string& content) { copy_.Write(kSwitchFileName, content); }

 private:
  testbed::ProgramCopy copy_;
};

class PcscE2e : public ::testing::Test {
 protected:
  PcscE2e() { pcscd.Start(); }

  long GetDataCount() const { return std::ranges::count(card.Apdus(), "FFCA000000"); }

  // Lays the card down and waits until the program has read it.
  void Present(const std::string& uid) {
    const long before = GetDataCount();
    card.Insert(uid);
    const auto deadline = std::chrono::steady_clock::now() + testbed::kStartTimeout;
    while (GetDataCount() == before && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(20ms);
    }
    ASSERT_GT(GetDataCount(), before) << "the program did not read " << uid;
  }

  Xvfb xvfb;
  Pcscd pcscd;
  VirtualCard card{VirtualCard::kDefaultPort + 1};  // "Virtual PCD 00 01", the reader chosen
  KeyCapture capture{xvfb.display(), "host field", true};
  ProgramCopy program{xvfb.display()};
};

TEST_F(PcscE2e, RosterCardIsTypedOnceWhileItStaysAndUnknownCardTypesNothing) {
  Present(kUnknownCard);
  card.Remove();
  Present(kRosterCard);
  const std::string expected = std::string(kRosterValue) + "\n";
  ASSERT_TRUE(capture.WaitForText(expected));
  // The program keeps connecting to the card lying there; it must not read or type it again.
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(capture.ReceivedText(), expected);
  EXPECT_EQ(GetDataCount(), 2);
}

TEST_F(PcscE2e, RawIdModeTypesTheIdentifier) {
  program.WriteSwitchFile("1");
  // Until the program has read the switch file, an unknown card types nothing.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (capture.ReceivedText().empty() && std::chrono::steady_clock::now() < deadline) {
    Present(kUnknownCard);
    capture.WaitForText(std::string(kUnknownCard) + "\n", 1s);
    card.Remove();
  }
  EXPECT_EQ(capture.ReceivedText(), std::string(kUnknownCard) + "\n");
}

}  // namespace
}  // namespace cardwedge
