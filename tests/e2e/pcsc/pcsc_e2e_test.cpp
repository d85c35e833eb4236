// The real program as `cardwedge 1 3` under Xvfb: cards on a vpcd reader of the real pcscd are
// typed into the focused window.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "fake_services.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;
using testbed::ChildProcess;
using testbed::KeyCapture;
using testbed::Pcscd;
using testbed::ProcessOptions;
using testbed::VirtualCard;
using testbed::Xvfb;

constexpr char kRosterCard[] = "04A22B1A";
constexpr char kRosterValue[] = "4321";
constexpr char kUnknownCard[] = "11223344";

std::string Record(const std::string& value, const std::string& card) {
  std::string line = "r";
  for (int i = 2; i <= 50; ++i) {
    line += ',';
    if (i == 2) line += value;
    if (i == 3) line += "Sato";
    if (i == 49) line += card;
  }
  return line + "\r\n";
}

// A copy of the program in a folder of its own with a one-card roster, its window on the
// display, the host watch off.
class ProgramCopy {
 public:
  explicit ProgramCopy(const std::string& display) {
    std::filesystem::copy_file(CARDWEDGE_PROGRAM_PATH, folder_.PathOf("cardwedge"));
    folder_.Write(kRosterFileName, Record(kRosterValue, kRosterCard));
    folder_.Write(kRosterFolderFileName, "");
    const std::filesystem::path runtime = folder_.PathOf("runtime");
    std::filesystem::create_directory(runtime);
    process_.emplace(std::vector<std::string>{folder_.PathOf("cardwedge").string(), "1", "3"},
                     ProcessOptions{{{"XDG_RUNTIME_DIR", runtime.string()},
                                     {"CARDWEDGE_NO_DIALOGS", "1"},
                                     {"QT_QPA_PLATFORM", "xcb"},
                                     {"DISPLAY", display}}});
  }

  void WriteSwitchFile(const std::string& content) { folder_.Write(kSwitchFileName, content); }

 private:
  TempFolderFiles folder_;
  std::optional<ChildProcess> process_;
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
