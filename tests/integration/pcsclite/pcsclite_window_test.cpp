// The PC/SC window against the real pcscd: vpcd readers, the test bed's virtual card, and the
// pcsc-lite backend.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "real_service_window.h"
#include "roster_line.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;
using testbed::Pcscd;
using testbed::VirtualCard;
using testbed::VpcdReaderConf;

int CountLines(const std::string& text) { return static_cast<int>(std::ranges::count(text, '\n')); }

int OpenDescriptors() {
  return static_cast<int>(
      std::ranges::distance(std::filesystem::directory_iterator("/proc/self/fd")));
}

TEST(PcscliteWindowTest, UidsOfEveryLengthAreShownAsHexLines) {
  Pcscd pcscd;
  pcscd.Start();
  RealServiceWindow window;
  ASSERT_EQ(window.Get("cbReader").Text(), "Virtual PCD 00 01");  // the last reader listed
  VirtualCard card(VirtualCard::kDefaultPort + 1);
  // Each card is laid down as the one before is taken away: a connect fails, the next one reads.
  const auto swapIn = [&](const char* uid) {
    card.Remove();
    card.Insert(uid);
  };
  std::string expected;
  for (const char* uid : {"04A22B1A", "04A22B1A5C3E80", "0102030405060708090A"}) {
    swapIn(uid);
    expected += std::string(uid) + "\n";
    EXPECT_TRUE(window.RunUntil([&] { return window.Output() == expected; }, 5s)) << uid;
  }

  window.Get("check1").SetValue(1);
  swapIn("04A22B1A");
  EXPECT_TRUE(window.RunUntil([&] { return window.Output().ends_with("UID:04A22B1A\n"); }, 5s));

  // A card that does not support GET DATA is asked once and shows nothing.
  window.Get("check1").SetValue(0);
  const std::string before = window.Output();
  card.SetStatus("6A81");
  swapIn("04A22B1A");
  const auto getDataCount = [&] { return std::ranges::count(card.Apdus(), "FFCA000000"); };
  EXPECT_TRUE(window.RunUntil([&] { return getDataCount() == 4; }, 5s));
  window.RunUntil([] { return false; }, 1s);
  EXPECT_EQ(window.Output(), before);
  EXPECT_EQ(getDataCount(), 4);
}

TEST(PcscliteWindowTest, TwelveReadersWithLongNamesAreListedAndTheAcr122uAmongThemIsRead) {
  // Six vpcd entries of two readers each, the third an ACR122U: the names run far past 256
  // characters, and the choice is not the last reader.
  constexpr std::uint16_t kFirstPort = 36100;
  const auto name = [](int entry) {
    return entry == 2 ? std::string("ACS ACR122U PICC Interface")
                      : "Contactless Reader With A Long Friendly Name " + std::to_string(entry);
  };
  VpcdReaderConf conf(name(0), kFirstPort);
  for (int entry = 1; entry < 6; ++entry) conf.AddReader(name(entry), kFirstPort + 2 * entry);
  Pcscd pcscd(Pcscd::Options{.config_dir = conf.dir()});
  pcscd.Start();
  RealServiceWindow window(RosterLine("4321", "Sato", "04A22B1A"));
  Control& readers = window.Get("cbReader");
  ASSERT_EQ(readers.ItemCount(), 12);
  EXPECT_EQ(readers.ItemText(11), name(5) + " 00 01");
  EXPECT_EQ(readers.Text(), name(2) + " 00 00");

  VirtualCard last(kFirstPort + 11);
  last.Insert("11223344");
  VirtualCard acr(kFirstPort + 4);
  acr.Insert("04A22B1A");
  EXPECT_TRUE(window.RunUntil([&] { return !window.Output().empty(); }, 5s));
  window.RunUntil([] { return false; }, 500ms);
  EXPECT_EQ(window.Output(), "04A22B1A\n");
  EXPECT_EQ(window.fake.keyboard.TypedText(), "4321\n");
}

// Real pcscd, the window, and a first card on the reader the window chooses, already read.
class FirstCardRead : public ::testing::Test {
 protected:
  void SetUp() override {
    pcscd.Start();
    window.emplace();
    card.Insert("04A22B1A");
    ASSERT_TRUE(window->RunUntil([&] { return CountLines(window->Output()) == 1; }, 5s));
  }

  Pcscd pcscd;
  std::optional<RealServiceWindow> window;
  VirtualCard card{VirtualCard::kDefaultPort + 1};
};

TEST_F(FirstCardRead, CardIsReadSoonAfterPcscdRestartsWithoutAClick) {
  card.Remove();

  pcscd.Kill();
  window->RunUntil([] { return false; }, 1500ms);
  pcscd.Start();
  card.Insert("0A0B0C0D");
  EXPECT_TRUE(window->RunUntil([&] { return window->Output().ends_with("0A0B0C0D\n"); }, 3s));
}

// Without a tick of the presence poll: the reader watch sees each card, follows pcscd through a
// crash and comes back with it.
TEST_F(FirstCardRead, ReaderWatchAloneReadsCardsAcrossAPcscdCrash) {
  card.Remove();
  card.Insert("11223344");
  EXPECT_TRUE(window->RunWatchOnlyUntil([&] { return CountLines(window->Output()) == 2; }, 3s));
  card.Remove();
  pcscd.Kill();
  window->RunWatchOnlyUntil([] { return false; }, 500ms);
  pcscd.Start();
  card.Insert("0A0B0C0D");
  EXPECT_TRUE(
      window->RunWatchOnlyUntil([&] { return window->Output().ends_with("0A0B0C0D\n"); }, 3s));
}

TEST_F(FirstCardRead, OpenDescriptorsDoNotGrowOverAThousandPresentations) {
  const int descriptors = OpenDescriptors();

  constexpr int kPresentations = 1000;
  for (int i = 2; i <= kPresentations; ++i) {
    // Taken away for a few polls, which fail to connect, and laid down again. A swap that quick
    // may pass unseen: the virtual reader can take the new card in while pcscd powers the old one
    // up or down for the window, and pcscd then reports the reader empty until the card is lifted
    // again, which no real reader does. A card not read is lifted for longer than pcscd's own
    // check of the reader and laid again, as a user would.
    const int before = CountLines(window->Output());
    const auto readAfterAway = [&](std::chrono::milliseconds away,
                                   std::chrono::milliseconds timeout) {
      card.Remove();
      window->RunUntil([] { return false; }, away, 1ms);
      card.Insert("04A22B1A");
      return window->RunUntil([&] { return CountLines(window->Output()) > before; }, timeout, 1ms);
    };
    ASSERT_TRUE(readAfterAway(5ms, 2s) || readAfterAway(1s, 5s)) << "presentation " << i;
  }
  EXPECT_LE(OpenDescriptors(), descriptors);
}

}  // namespace
}  // namespace cardwedge
