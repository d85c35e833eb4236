// The real program as `cardwedge FLAG 4` under Xvfb: both reader windows at once, against the
// real pcscd with a virtual card and an emulated FeliCa reader, typing into a focused window.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>

#include "close_request.h"
#include "program_copy.h"
#include "roster/host_watch.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;
using e2e::AskWindowToClose;
using testbed::ChildProcess;
using testbed::Duration;
using testbed::ExitedWith;
using testbed::kEventTimeout;
using testbed::KeyCapture;
using testbed::kStartTimeout;
using testbed::Pcscd;
using testbed::Pn532Emulator;
using testbed::ProgramCopy;
using testbed::VirtualCard;
using testbed::WaitUntil;
using testbed::Xvfb;

using Clock = std::chrono::steady_clock;

// Cards of the sample roster: FeliCa IDms on the FeliCa reader, ISO 14443 UIDs on the PC/SC one.
struct RosterCard {
  const char* id;
  const char* value;
};
constexpr RosterCard kFelicaSato{"012E4C3A0F10889B", "24001"};
constexpr RosterCard kFelicaTakahashi{"0114B3C2D1E0F789", "24003"};
constexpr RosterCard kPcscSuzuki{"04A22B1A5C3E80", "24002"};
constexpr RosterCard kPcscTanaka{"5A3C9E21", "24004"};
constexpr RosterCard kPcscWatanabe{"04112233445566", "24005"};
constexpr char kUnknownFelicaCard[] = "0A1B2C3D4E5F6789";
constexpr char kUnknownPcscCard[] = "11223344";

constexpr char kGetData[] = "FFCA000000";
constexpr char kFelicaTitle[] = "cardwedge - FeliCa reader";
constexpr char kPcscTitle[] = "cardwedge - PC/SC reader";

std::string Typed(const RosterCard& card) { return std::string(card.value) + "\n"; }

class Mode4E2e : public ::testing::Test {
 protected:
  explicit Mode4E2e(bool captureKeepsFocus = true)
      : capture_{xvfb_.display(), "host field", captureKeepsFocus} {
    pcscd_.Start();
  }

  ChildProcess& Start(const std::string& flag) {
    return program_.Start(
        {flag, "4"}, {{"DISPLAY", xvfb_.display()}, {"LIBNFC_DEVICE", felicaReader_.connstring()}});
  }

  void WriteSwitchFile(const std::string& content) { program_.Write(kSwitchFileName, content); }

  // Waits until the text received is one of these.
  bool WaitForTextOneOf(const std::set<std::string>& expected) {
    return WaitUntil([&] { return expected.contains(capture_.ReceivedText()); }, kStartTimeout);
  }

  // Lays the card on the PC/SC reader again and again until the program types `expected`. The
  // window follows the switch file at a tick of its own, and does not read a card that took the
  // place of one it has read without a poll seeing the reader empty in between; taking the card
  // away and laying it down again is what a user does then. The card stays on the reader once
  // typed, and the window has let go of it.
  bool PresentToPcscUntilTyped(const std::string& uid, const std::string& expected) {
    const std::string getData = std::string("apdu ") + kGetData;
    const auto presentOnce = [&] {
      pcscCard_.Insert(uid);
      const bool read =
          pcscCard_.process()
              .TryWaitForLine([&](std::string_view line) { return line == getData; }, 2s)
              .has_value();
      if (read && capture_.WaitForText(expected, 2s)) {
        pcscCard_.WaitForPowerOff();
        return true;
      }
      pcscCard_.Remove();
      return false;
    };
    return WaitUntil(presentOnce, kStartTimeout);
  }

  // The PC/SC window powers its card down a moment after the Enter. A virtual card pulled while
  // pcscd powers it down, with the next one laid at once, leaves pcscd reporting an empty reader
  // to every client until the card is lifted again; no real reader does that, and no hand is that
  // quick. So a swap waits until the window has let go of the card it read.
  void WaitUntilPcscCardReleased() {
    pcscCard_.WaitForApdu(kGetData);
    pcscCard_.WaitForPowerOff();
  }

  std::size_t FelicaPolls() {
    return std::ranges::count_if(felicaReader_.process().Lines(),
                                 [](const std::string& line) { return line.starts_with("poll "); });
  }

  // Waits until the FeliCa window has not polled its reader for `quiet`, many poll intervals.
  bool WaitUntilFelicaReaderQuiet(Duration quiet) {
    std::size_t polls = FelicaPolls();
    auto quietSince = Clock::now();
    const auto quietLongEnough = [&] {
      const std::size_t now = FelicaPolls();
      if (now == polls) return Clock::now() - quietSince >= quiet;
      polls = now;
      quietSince = Clock::now();
      return false;
    };
    return WaitUntil(quietLongEnough, kStartTimeout, 50ms);
  }

  Xvfb xvfb_;
  Pcscd pcscd_;
  VirtualCard pcscCard_{VirtualCard::kDefaultPort + 1};  // "Virtual PCD 00 01", the one chosen
  Pn532Emulator felicaReader_;
  KeyCapture capture_;
  ProgramCopy program_;
};

TEST_F(Mode4E2e, CardsOnBothReadersAtOnceAreEachTypedWholeOneAfterTheOther) {
  // Both cards lie there when the windows start polling.
  felicaReader_.Card(kFelicaSato.id);
  pcscCard_.Insert(kPcscSuzuki.id);
  ChildProcess& process = Start("1");
  const std::string sato = Typed(kFelicaSato), suzuki = Typed(kPcscSuzuki);
  ASSERT_TRUE(WaitForTextOneOf({sato + suzuki, suzuki + sato})) << capture_.ReceivedText();
  const std::string before = capture_.ReceivedText();
  WaitUntilPcscCardReleased();

  // Two other cards laid at the same moment while both windows poll.
  felicaReader_.NoCard();
  pcscCard_.Remove();
  felicaReader_.Card(kFelicaTakahashi.id);
  pcscCard_.Insert(kPcscTanaka.id);
  const std::string takahashi = Typed(kFelicaTakahashi), tanaka = Typed(kPcscTanaka);
  EXPECT_TRUE(WaitForTextOneOf({before + takahashi + tanaka, before + tanaka + takahashi}))
      << capture_.ReceivedText();
  EXPECT_FALSE(process.Wait(0ms).has_value()) << "the program ended";
}

TEST_F(Mode4E2e, BothWindowsFollowTheSwitchFile) {
  ChildProcess& process = Start("1");
  ASSERT_TRUE(program_.WaitUntilRunning());
  std::string expected;

  // 0, lookup: each reader's roster card types its value.
  felicaReader_.Card(kFelicaSato.id);
  expected += Typed(kFelicaSato);
  ASSERT_TRUE(capture_.WaitForText(expected)) << capture_.ReceivedText();
  felicaReader_.NoCard();
  expected += Typed(kPcscSuzuki);
  ASSERT_TRUE(PresentToPcscUntilTyped(kPcscSuzuki.id, expected)) << capture_.ReceivedText();
  pcscCard_.Remove();

  // 1, raw ID: cards not in the roster type their identifiers.
  WriteSwitchFile("1");
  felicaReader_.Card(kUnknownFelicaCard);
  expected += std::string(kUnknownFelicaCard) + "\n";
  ASSERT_TRUE(capture_.WaitForText(expected, kStartTimeout)) << capture_.ReceivedText();
  felicaReader_.NoCard();
  expected += std::string(kUnknownPcscCard) + "\n";
  ASSERT_TRUE(PresentToPcscUntilTyped(kUnknownPcscCard, expected)) << capture_.ReceivedText();

  // 8, pause. The FeliCa window stops polling at its next switch-file tick. The PC/SC window
  // reads the file on a tick of the same one-second period, so once the FeliCa reader has been
  // left alone for two seconds, both windows have read the order.
  WriteSwitchFile("8");
  ASSERT_TRUE(WaitUntilFelicaReaderQuiet(2s));
  pcscCard_.Remove();
  const long readsBefore = std::ranges::count(pcscCard_.Apdus(), kGetData);
  felicaReader_.Card(kFelicaTakahashi.id);
  pcscCard_.Insert(kPcscWatanabe.id);
  // Long enough for pcscd to see the card (~400 ms) and for many poll intervals: neither roster
  // card is read or typed.
  ASSERT_TRUE(WaitUntilFelicaReaderQuiet(1500ms));
  EXPECT_EQ(capture_.ReceivedText(), expected);
  EXPECT_EQ(std::ranges::count(pcscCard_.Apdus(), kGetData), readsBefore);
  pcscCard_.Remove();

  // 0 again: the FeliCa card lying there is typed, and so is the PC/SC card laid down again.
  WriteSwitchFile("0");
  expected += Typed(kFelicaTakahashi);
  ASSERT_TRUE(capture_.WaitForText(expected)) << capture_.ReceivedText();
  expected += Typed(kPcscWatanabe);
  EXPECT_TRUE(PresentToPcscUntilTyped(kPcscWatanabe.id, expected)) << capture_.ReceivedText();

  // 9: the end of both.
  WriteSwitchFile("9");
  EXPECT_TRUE(ExitedWith(process.Wait(kEventTimeout), 0));
}

class Mode4CloseE2e : public Mode4E2e, public ::testing::WithParamInterface<const char*> {};

TEST_P(Mode4CloseE2e, ClosingEitherWindowEndsTheProgram) {
  ChildProcess& process = Start("1");
  ASSERT_TRUE(program_.WaitUntilRunning());
  ASSERT_TRUE(
      WaitUntil([&] { return AskWindowToClose(xvfb_.display(), GetParam()); }, kStartTimeout, 50ms))
      << "no window \"" << GetParam() << "\"";
  EXPECT_TRUE(ExitedWith(process.Wait(kEventTimeout), 0));
}

INSTANTIATE_TEST_SUITE_P(EitherWindow, Mode4CloseE2e, ::testing::Values(kFelicaTitle, kPcscTitle),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return info.index == 0 ? std::string("Felica") : std::string("Pcsc");
                         });

TEST_F(Mode4E2e, HostWatchKeepsBothWindowsWhileTheHostRunsAndEndsThemAfter) {
  ChildProcess& host = program_.StartHost();
  ChildProcess& process = Start("0");
  ASSERT_TRUE(program_.WaitUntilRunning());
  // The windows work while the host runs.
  felicaReader_.Card(kFelicaSato.id);
  pcscCard_.Insert(kPcscSuzuki.id);
  const std::string sato = Typed(kFelicaSato), suzuki = Typed(kPcscSuzuki);
  EXPECT_TRUE(WaitForTextOneOf({sato + suzuki, suzuki + sato})) << capture_.ReceivedText();
  // No state shows that a host check has passed, so this waits out the first one: it comes
  // 10 s after the windows load, which was at least 1 s before the switch file appeared.
  EXPECT_FALSE(process.Wait(11s).has_value());
  host.Kill();
  ASSERT_TRUE(host.Wait(kEventTimeout).has_value());
  // Within one host check (10 s), with room for a busy machine.
  EXPECT_TRUE(ExitedWith(process.Wait(30s), 0));
}

// The host's field lets the focus go when a person clicks elsewhere.
class OwnWindowE2e : public Mode4E2e {
 protected:
  OwnWindowE2e() : Mode4E2e(/*captureKeepsFocus=*/false) {}

  // Gives the keyboard focus to the window of this title, as a person's click does.
  bool Focus(const std::string& title) {
    ChildProcess focus(
        {"xdotool", "search", "--name", "^" + title + "( |$)", "windowfocus", "--sync"},
        {{{"DISPLAY", xvfb_.display()}}});
    return ExitedWith(focus.Wait(kEventTimeout), 0);
  }

  static long Count(ChildProcess& process, const std::string& text) {
    return std::ranges::count_if(process.Lines(), [&](const std::string& line) {
      return line.find(text) != std::string::npos;
    });
  }

  // Takes the FeliCa card away and waits until a poll has found the reader empty.
  bool TakeFelicaCardAway() {
    const auto emptyPolls = [&] {
      return std::ranges::count(felicaReader_.process().Lines(), std::string("poll nocard"));
    };
    const auto before = emptyPolls();
    felicaReader_.NoCard();
    return WaitUntil([&] { return emptyPolls() > before; });
  }

  // Lays the FeliCa card again and again until the program types `expected`: the program may
  // take a moment to see that its window has lost the focus.
  bool PresentToFelicaUntilTyped(const std::string& idm, const std::string& expected) {
    return WaitUntil([&] {
      felicaReader_.Card(idm);
      return capture_.WaitForText(expected, 500ms) || !TakeFelicaCardAway();
    });
  }
};

// The windows open without taking the focus from the host's field; a card laid while a reader
// window has the focus is not typed (the line says why), and the same card laid again at once,
// with the host's field focused again, is: well within the ten seconds that hold back a card
// that was typed.
TEST_F(OwnWindowE2e, KeysGoOnlyToTheHostNeverIntoTheProgramsOwnWindow) {
  constexpr char kRefused[] = "a value could not be typed: a window of cardwedge is active";
  ChildProcess& process = Start("1");
  ASSERT_TRUE(program_.WaitUntilRunning());
  felicaReader_.Card(kFelicaSato.id);
  ASSERT_TRUE(capture_.WaitForText(Typed(kFelicaSato))) << capture_.ReceivedText();
  ASSERT_TRUE(TakeFelicaCardAway());

  ASSERT_TRUE(Focus(kFelicaTitle));
  felicaReader_.Card(kFelicaTakahashi.id);
  EXPECT_TRUE(WaitUntil([&] { return Count(process, kRefused) == 1; }));
  ASSERT_TRUE(TakeFelicaCardAway());
  ASSERT_TRUE(Focus("host field"));
  auto start = Clock::now();
  std::string expected = Typed(kFelicaSato) + Typed(kFelicaTakahashi);
  EXPECT_TRUE(PresentToFelicaUntilTyped(kFelicaTakahashi.id, expected)) << capture_.ReceivedText();
  EXPECT_LT(Clock::now() - start, 8s);
  ASSERT_TRUE(TakeFelicaCardAway());

  ASSERT_TRUE(Focus(kPcscTitle));
  const long refusals = Count(process, kRefused);
  pcscCard_.Insert(kPcscSuzuki.id);
  EXPECT_TRUE(WaitUntil([&] { return Count(process, kRefused) > refusals; }));
  pcscCard_.Remove();
  ASSERT_TRUE(Focus("host field"));
  start = Clock::now();
  expected += Typed(kPcscSuzuki);
  EXPECT_TRUE(PresentToPcscUntilTyped(kPcscSuzuki.id, expected)) << capture_.ReceivedText();
  EXPECT_LT(Clock::now() - start, 8s);
}

}  // namespace
}  // namespace cardwedge
