#include "pcsc/pcsc_frm.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "fake_platform.h"
#include "roster/read_rules.h"
#include "roster_line.h"

namespace cardwedge {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kReader[] = "Virtual PCD 00 00";
const Bytes kCardA{0x04, 0xA2, 0x2B, 0x1A};
const Bytes kCardB{0x11, 0x22, 0x33, 0x44};
const Bytes kSecondRecordCard{0x0A, 0x0B, 0x0C, 0x0D};
const Bytes kDecimalValueCard{0xDE, 0xAD, 0xBE, 0xEF};
const Bytes kZeroValueCard{0x00, 0x00, 0x00, 0x01};
const Bytes kUnknownCard{0x99, 0x88, 0x77, 0x66};
const Bytes kGetData{0xFF, 0xCA, 0x00, 0x00, 0x00};

// The PC/SC window over the fake smart-card service, with a roster of five cards: two ordinary
// ones, the card of record 2 (three-second rule), and two whose values cannot be typed.
class PcscFrmTest : public ::testing::Test {
 protected:
  PcscFrmTest() {
    fake.files.Write(kRosterFileName, RosterLine("101", "Sato", "04A22B1A") +
                                          RosterLine("202", "Suzuki", "0A0B0C0D") +
                                          RosterLine("303", "Tanaka", "11223344") +
                                          RosterLine("12.5", "Ito", "DEADBEEF") +
                                          RosterLine("000", "Kato", "00000001"));
    fake.files.Write(kConfirmationSoundName, "RIFF");
    fake.files.Write(kWarningSoundName, "RIFF");
  }

  void Open() {
    form = std::make_unique<PCSCfrm>(fake.platform, fake.state);
    form->Form_Load();
    form->Show();
  }

  FakeControl& Get(const std::string& name) { return fake.toolkit.window("PCSCfrm").Get(name); }

  // One presence-poll tick, then the end of the read and the restart that follow a card.
  void Poll() {
    fake.toolkit.Tick("Timer1");
    fake.toolkit.Tick("EndReadTimer");
    fake.toolkit.Tick("Timer2");
  }
  void Lay(const Bytes& uid) { fake.smartCard.cards[kReader] = uid; }
  void TakeAway() {
    fake.smartCard.cards.erase(kReader);
    Poll();
  }
  // A card laid down, polled, and taken away again.
  void Present(const Bytes& uid) {
    Lay(uid);
    Poll();
    TakeAway();
  }
  void Wait(double seconds) { fake.clock.now += seconds; }
  // The host writes the switch file; the window reads it at its next switch tick.
  void SwitchTo(const char* value) {
    fake.files.Write(kSwitchFileName, value);
    ASSERT_TRUE(fake.toolkit.Tick("Timer5"));
  }

  std::string Output() { return Get("rbOutput").Text(); }
  std::string Typed() const { return fake.keyboard.TypedText(); }
  int Played(const std::string& soundName) const {
    int count = 0;
    for (const std::string& path : fake.sound.played) count += path.ends_with(soundName);
    return count;
  }

  FakePlatform fake;
  FakeSmartCard& smartCard = fake.smartCard;
  std::unique_ptr<PCSCfrm> form;
};

TEST_F(PcscFrmTest, LoadListsEveryReaderHoweverLongTheListChoosesOneAndStartsThePoll) {
  // Far more than 256 characters of names.
  smartCard.readers.clear();
  for (int i = 0; i < 12; ++i) {
    smartCard.readers.push_back("Contactless reader with a long friendly name " +
                                std::to_string(i));
    if (i == 5) smartCard.readers.push_back("ACS ACR122U PICC Interface 00 00");
  }
  Open();
  EXPECT_EQ(Get("cbReader").ItemCount(), 13);
  EXPECT_EQ(Get("cbReader").Text(), "ACS ACR122U PICC Interface 00 00");
  EXPECT_TRUE(fake.toolkit.timer("Timer1").Enabled());
  EXPECT_FALSE(Get("btnConnect").Enabled());
  EXPECT_FALSE(Get("Frame1").Enabled());
  EXPECT_FALSE(Get("Frame2").Enabled());
  smartCard.cards["ACS ACR122U PICC Interface 00 00"] = kCardB;
  Poll();
  EXPECT_EQ(Typed(), "303\n");
}

TEST_F(PcscFrmTest, RosterCardIsReadOnceWhileItStaysOnTheReader) {
  Open();
  Lay(kCardA);
  Poll();
  EXPECT_EQ(smartCard.commands, std::vector<Bytes>{kGetData});
  EXPECT_EQ(Output(), "04A22B1A\n");
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(Played(kConfirmationSoundName), 1);
  EXPECT_EQ(Get("PCSCLabel2").Text(), "04A22B1A");
  EXPECT_EQ(Get("PCSCLabel5").Text(), "101 Sato");
  // Card and context are released after every card; the restart holds only its new context.
  EXPECT_TRUE(smartCard.openCards.empty());
  EXPECT_EQ(smartCard.openContexts.size(), 1u);
  EXPECT_TRUE(Get("Frame1").Enabled());
  EXPECT_TRUE(Get("Frame2").Enabled());

  for (int i = 0; i < 5; ++i) Poll();
  EXPECT_EQ(smartCard.commands.size(), 1u);
  EXPECT_EQ(Output(), "04A22B1A\n");
  EXPECT_EQ(Typed(), "101\n");

  fake.toolkit.Tick("Timer4");
  EXPECT_EQ(Get("PCSCLabel2").Text(), "");
  EXPECT_FALSE(fake.toolkit.timer("Timer4").Enabled());
}

TEST_F(PcscFrmTest, SameCardIsTypedAgainOnlyAfterTheRepeatTimeAndOtherCardsAtOnce) {
  Open();
  Present(kCardA);
  Wait(5);
  Present(kCardA);
  EXPECT_EQ(Output(), "04A22B1A\n04A22B1A\n");
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(Played(kConfirmationSoundName), 1);
  Wait(5.5);  // 10.5 s after the typed read
  Present(kCardA);
  EXPECT_EQ(Typed(), "101\n101\n");

  Present(kSecondRecordCard);
  Wait(3.5);
  Present(kSecondRecordCard);
  Present(kCardB);
  Present(kCardA);
  EXPECT_EQ(Typed(), "101\n101\n202\n202\n303\n101\n");
}

TEST_F(PcscFrmTest, CardsWithoutATypeableValueWarnEveryTimeAndNeverBecomeTheLastCard) {
  Open();
  Present(kCardA);
  for (const auto& card : {kUnknownCard, kUnknownCard, kDecimalValueCard, kZeroValueCard}) {
    Present(card);
    EXPECT_EQ(Get("PCSCLabel5").Text(), "---");
  }
  EXPECT_EQ(Played(kWarningSoundName), 4);
  EXPECT_EQ(Typed(), "101\n");
  Wait(2);
  Present(kCardA);  // still the last card typed: refused within 10 s
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(Output(), "04A22B1A\n99887766\n99887766\nDEADBEEF\n00000001\n04A22B1A\n");
}

TEST_F(PcscFrmTest, AnswersWithoutAnIdentifierShowNothingAndAreNotRetried) {
  Open();
  // Function not supported, or too short to hold status words: nothing is shown.
  for (const Bytes& response : {Bytes{0x6A, 0x81}, Bytes{0x01, 0x6A, 0x81}, Bytes{0x90}, Bytes{}}) {
    smartCard.commands.clear();
    smartCard.responseOverride = response;
    Lay(kCardA);
    for (int i = 0; i < 3; ++i) Poll();
    TakeAway();
    EXPECT_EQ(smartCard.commands.size(), 1u) << ::testing::PrintToString(response);
  }
  EXPECT_EQ(Output(), "");
  EXPECT_TRUE(fake.sound.played.empty());

  // The status words alone: an empty identifier, shown but standing for nobody.
  smartCard.responseOverride = Bytes{0x90, 0x00};
  Present(kCardA);
  EXPECT_EQ(Output(), "\n");
  EXPECT_EQ(Typed(), "");
  EXPECT_EQ(Played(kWarningSoundName), 1);
}

TEST_F(PcscFrmTest, RawIdModeTypesEveryReadWithoutSoundOrLabels) {
  Open();
  SwitchTo("1");
  Present(kUnknownCard);
  Present(kUnknownCard);
  EXPECT_EQ(Typed(), "99887766\n99887766\n");
  EXPECT_TRUE(fake.sound.played.empty());
  EXPECT_EQ(Get("PCSCLabel2").Text(), "---");
  EXPECT_EQ(Get("PCSCLabel5").Text(), "---");

  // The "UID:" prefix has no key: the line is shown, nothing is typed.
  Get("check1").SetValue(1);
  Present({0x04, 0xA2, 0x2B, 0x1A, 0x5C, 0x3E, 0x80});
  EXPECT_EQ(smartCard.commands.back(), (Bytes{0xFF, 0xCA, 0x01, 0x00, 0x00}));
  EXPECT_TRUE(Output().ends_with("UID:04A22B1A5C3E80\n"));
  EXPECT_EQ(Typed(), "99887766\n99887766\n");
}

TEST_F(PcscFrmTest, RawIdReadsLeaveTheLastCardAndItsTimeAlone) {
  Open();
  Present(kCardA);
  SwitchTo("1");
  Wait(8);
  Present(kCardB);
  SwitchTo("0");
  Wait(1);
  Present(kCardA);  // still the last card, 9 s after it was typed
  EXPECT_EQ(Typed(), "101\n11223344\n");
  Wait(1.5);
  Present(kCardA);
  EXPECT_EQ(Typed(), "101\n11223344\n101\n");
}

TEST_F(PcscFrmTest, PausedModeDoesNotConnectAndAReplacedCardWaitsUntilTakenAway) {
  Open();
  Poll();
  EXPECT_EQ(Get("Text1").Text(), "0");
  // The card is in use by another application or mute: the reader counts as busy.
  smartCard.eventState = 0x200;
  Poll();
  EXPECT_EQ(Get("Text1").Text(), "1");
  Get("Text1").SetText("kept");
  SwitchTo("8");
  const int attempts = smartCard.connectAttempts;
  Lay(kCardA);
  Poll();
  EXPECT_EQ(smartCard.connectAttempts, attempts);
  EXPECT_EQ(Get("Text1").Text(), "kept");
  SwitchTo("0");
  Poll();
  EXPECT_EQ(Typed(), "101\n");

  // Card B replaces A during a pause: no failed connect in between, so B counts as read.
  SwitchTo("8");
  Lay(kCardB);
  Poll();
  SwitchTo("0");
  Poll();
  EXPECT_EQ(Typed(), "101\n");
  TakeAway();
  Present(kCardB);
  EXPECT_EQ(Typed(), "101\n303\n");
}

TEST_F(PcscFrmTest, ServiceLossIsRecoveredByThePollAtMostOnceASecond) {
  Open();
  smartCard.StopService();
  for (int i = 0; i < 5; ++i) Poll();
  const int establishedWhileDown = smartCard.establishCalls;
  smartCard.StartService();
  Lay(kCardA);
  Poll();  // within the second of the last listing: the dead context is kept a little longer
  EXPECT_EQ(smartCard.establishCalls, establishedWhileDown);
  EXPECT_EQ(Typed(), "");
  Wait(1);
  Poll();  // lists anew
  Poll();  // reads
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_TRUE(smartCard.deadContexts.empty());
  EXPECT_EQ(smartCard.openContexts.size(), 1u);
}

TEST_F(PcscFrmTest, ReaderAttachedLaterOrGoneWhileListedIsListedAgainWithoutAClick) {
  // No reader at start, or the listed one answers "unknown reader" or "reader unavailable".
  for (const std::optional<ScardResult> lost :
       {std::optional<ScardResult>{}, std::optional{kScardEUnknownReader},
        std::optional{kScardEReaderUnavailable}}) {
    fake.keyboard.events.clear();
    smartCard = FakeSmartCard{};
    if (!lost) smartCard.readers.clear();
    Open();
    smartCard.connectResult = lost;
    // The reader comes, or comes back under another name.
    smartCard.readers = {"Virtual PCD 01 00"};
    smartCard.cards = {{"Virtual PCD 01 00", kCardA}};
    Wait(20);
    Poll();
    smartCard.connectResult.reset();
    Poll();
    EXPECT_EQ(Typed(), "101\n") << ::testing::PrintToString(lost);
    EXPECT_EQ(smartCard.openContexts.size(), 1u);
  }
}

TEST_F(PcscFrmTest, PollTickDuringAReadIsHeldBack) {
  Open();
  SwitchTo("1");
  int nestedTicks = 0;
  fake.toolkit.onDoEvents = [&] { nestedTicks += fake.toolkit.Tick("Timer1"); };
  Lay(kCardA);
  fake.toolkit.Tick("Timer1");
  EXPECT_GT(nestedTicks, 0);
  EXPECT_EQ(smartCard.connectAttempts, 1);
  EXPECT_EQ(Typed(), "04A22B1A\n");
}

// A value the keyboard refuses is not typed and does not count as typed: the result line says
// why, and the same card is typed at its next placement. What can be told before any key goes
// out plays the warning sound alone.
TEST_F(PcscFrmTest, ARefusedValueIsTypedAtTheSameCardsNextPlacement) {
  Open();
  constexpr SessionState kAtDesk = SessionState::kAtDesk;
  struct Case {
    std::function<void(bool)> refuse;
    int confirmations;
    const char* caption;
  };
  for (const Case& c : {
           Case{[&](bool on) { fake.toolkit.ownWindowActive = on; }, 0,
                "未入力: この画面が選択されています"},
           Case{[&](bool on) { fake.keyboard.focusedWindowRefuses = on; }, 0,
                "未入力: 入力先の日本語入力がオンです"},
           Case{[&](bool on) { fake.keyboard.failing = on; }, 1,  // told only by sending
                "未入力: キー入力を送れません"},
           Case{[&](bool on) { fake.session.state = on ? SessionState::kLocked : kAtDesk; }, 0,
                "未入力: 画面がロックされています"},
           Case{[&](bool on) { fake.session.state = on ? SessionState::kAway : kAtDesk; }, 0,
                "未入力: 別のユーザーの画面に切り替わっています"},
           Case{[&](bool on) { fake.session.state = on ? SessionState::kUnknown : kAtDesk; }, 0,
                "未入力: 画面がロックされているか分かりません"},
       }) {
    for (const char* mode : {"0", "1"}) {
      SwitchTo(mode);
      Wait(20);
      fake.sound.played.clear();
      fake.keyboard.events.clear();
      Get("rbOutput").SetText("");
      c.refuse(true);
      Present(kCardA);
      EXPECT_EQ(Output(), "04A22B1A\n");  // a refused read is still listed
      EXPECT_EQ(Get("PCSCLabel5").Text(), c.caption);
      EXPECT_EQ(fake.state.PcscTyping, 0);
      EXPECT_EQ(Played(kWarningSoundName), 1);
      if (mode[0] == '0') {
        EXPECT_EQ(Played(kConfirmationSoundName), c.confirmations);
      }
      c.refuse(false);
      Present(kCardA);
      EXPECT_EQ(Typed(), mode[0] == '0' ? "101\n" : "04A22B1A\n") << c.caption << " " << mode;
    }
  }
}

TEST_F(PcscFrmTest, ResetReleasesAndEmptiesTheConsoleAndThePollListsAgainASecondLater) {
  Open();
  // Initialize releases the context it holds before it establishes another.
  Get("btnInit").Click();
  EXPECT_EQ(smartCard.openContexts.size(), 1u);
  Present(kCardA);
  Get("tbCLA").SetText("00");
  Get("btnReset").Click();
  EXPECT_TRUE(smartCard.openContexts.empty());
  EXPECT_EQ(Get("tbCLA").Text(), "");
  EXPECT_EQ(Get("cbReader").Text(), "");
  EXPECT_FALSE(Get("Frame2").Enabled());
  EXPECT_TRUE(Get("btnInit").Enabled());

  Lay(kCardB);
  Poll();
  EXPECT_TRUE(smartCard.openContexts.empty());
  Wait(1);
  Poll();
  Poll();
  EXPECT_EQ(Typed(), "101\n303\n");
}

TEST_F(PcscFrmTest, QuitReleasesAndEndsTheProgramAndSoDoesClosing) {
  Open();
  EXPECT_THROW(Get("btnQuit").Click(), ProgramEnded);
  EXPECT_TRUE(smartCard.openContexts.empty());
  EXPECT_THROW(fake.toolkit.window("PCSCfrm").Close(), ProgramEnded);
}

TEST_F(PcscFrmTest, ConsoleSendsTheCommandOfItsFieldsOrRefusesWithTheFocus) {
  Open();
  Get("Frame2").SetEnabled(true);  // as after a card
  Get("tbINS").TypeKeys("a4");
  Get("tbP1").TypeKeys("04x");
  Get("tbP2").TypeKeys("00");
  Get("tbLc").TypeKeys("023");
  Get("tbData").SetText("3F 00");
  Get("btnSendCommand").Click();
  EXPECT_EQ(Get("tbCLA").Text(), "00");
  EXPECT_TRUE(Get("tbCLA").HasFocus());
  EXPECT_TRUE(smartCard.commands.empty());

  Get("btnSendCommand").Click();
  EXPECT_EQ(smartCard.commands,
            std::vector<Bytes>{(Bytes{0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00})});

  Get("rbOutput").AppendText("line\n");
  Get("btnClear").Click();
  EXPECT_EQ(Output(), "");
}

TEST_F(PcscFrmTest, StateChangesAreReportedOnceEachNeverPerPoll) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&lines](std::string_view line) { lines.emplace_back(line); });
  Open();
  Present(kCardA);
  Present(kCardB);
  fake.smartCard.StopService();
  for (int second = 0; second < 3; ++second) {
    Wait(1.1);
    Poll();
  }
  fake.smartCard.StartService();
  fake.smartCard.readers.clear();
  Wait(1.1);
  Poll();
  fake.smartCard.readers = {kReader};
  Wait(1.1);
  Poll();
  SetDiagnosticsSink(nullptr);
  EXPECT_EQ(
      lines,
      (std::vector<std::string>{
          "roster loaded: \"/program/メールデータ2.csv\", 5 records, UTF-8",
          "roster: 2 faults (2 errors, 0 warnings) in \"/program/メールデータ2.csv\"",
          "roster error: record 4 (line 4): the number \"12.5\" (field 2) is not made "
          "only of the digits 0-9, so it is never typed: write it with digits only",
          "roster error: record 5 (line 5): the number \"000\" (field 2) reads as 0, "
          "which the windows take for a card not in the roster, so this record's card "
          "types nothing: write the number to type",
          std::string("PC/SC reader chosen: ") + kReader,
          "smart-card service lost: SCARD_E_NO_SERVICE (0x8010001D); trying again every second",
          "smart-card service back",
          std::string("PC/SC reader lost: ") + kReader + "; listing the readers again every second",
          std::string("PC/SC reader chosen: ") + kReader,
      }));
}

// The title says what keeps cards from being read as usual, and is set only when that changes:
// the poll and the switch-file timer look at the state many times a second.
TEST_F(PcscFrmTest, TitleShowsTheServiceAndReaderStateAndTheReadModeAndIsSetOnlyOnAChange) {
  Open();
  const std::string caption = PCSCfrm::Declaration().title;
  struct Step {
    const char* what;
    std::function<void()> change;
    std::string title;
  };
  const std::vector<Step> steps = {
      {"service stopped", [&] { smartCard.StopService(); },
       caption + " — スマートカードサービス停止中"},
      {"service back without a reader",
       [&] {
         smartCard.StartService();
         smartCard.readers.clear();
       },
       caption + " — リーダーが見つかりません"},
      {"reader attached", [&] { smartCard.readers = {kReader}; }, caption},
      {"paused", [&] { SwitchTo("8"); }, caption + " — 一時停止中 (ホストの指示)"},
      {"raw ID", [&] { SwitchTo("1"); }, caption + " — カードIDを入力 (ホストの指示)"},
      {"lookup", [&] { SwitchTo("0"); }, caption},
  };
  const FakeWindow& window = fake.toolkit.window("PCSCfrm");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const int setsBefore = window.titleSets();
    step.change();
    Wait(1.1);
    Poll();
    EXPECT_EQ(window.title(), step.title) << "at the next poll";
    for (int second = 0; second < 3; ++second) {
      Wait(1.1);
      Poll();
      fake.toolkit.Tick("Timer5");
    }
    EXPECT_EQ(window.title(), step.title);
    EXPECT_EQ(window.titleSets() - setsBefore, 1);
  }
}

// The reader watch's wake-up of the presence poll, with no Timer1 tick firing: what the watch
// thread reports, run as the event loop runs the task it posts.
void Wake(FakePlatform& fake, ReaderChange change) {
  fake.smartCard.ReportChange(change);
  fake.toolkit.RunPosted();
}

TEST_F(PcscFrmTest, WakeUpAloneReadsTheCardAndDoesNothingWhileTimer1IsOff) {
  Open();
  EXPECT_EQ(fake.smartCard.watchedReader, kReader);
  // During the read, at its yields: held back like a tick.
  fake.toolkit.onDoEvents = [&] { fake.smartCard.ReportChange(ReaderChange::kCardPresence); };
  Lay(kCardA);
  Wake(fake, ReaderChange::kCardPresence);
  fake.toolkit.onDoEvents = nullptr;
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(fake.smartCard.connectAttempts, 1);

  // From the keys until the restart, Timer1 is off and the wake does nothing; the card is powered
  // down and the context released before the restart, the only way to poll again.
  ASSERT_FALSE(fake.toolkit.timer("Timer1").Enabled());
  for (const char* timer : {"EndReadTimer", "Timer2"}) {
    SCOPED_TRACE(timer);
    Wake(fake, ReaderChange::kCardPresence);
    EXPECT_EQ(fake.smartCard.connectAttempts, 1);
    EXPECT_TRUE(fake.smartCard.openCards.empty());
    fake.toolkit.Tick(timer);
  }
  EXPECT_EQ(fake.smartCard.lastDisposition, kScardUnpowerCard);

  fake.smartCard.cards.erase(kReader);
  Wake(fake, ReaderChange::kCardPresence);
  Lay(kCardB);
  Wake(fake, ReaderChange::kCardPresence);
  EXPECT_EQ(Typed(), "101\n303\n");

  form.reset();
  EXPECT_EQ(fake.smartCard.watchedReader, std::nullopt);
}

TEST_F(PcscFrmTest, WakeUpWhilePausedConnectsNothing) {
  Open();
  SwitchTo("8");
  Lay(kCardA);
  Wake(fake, ReaderChange::kCardPresence);
  Wake(fake, ReaderChange::kReaderList);
  EXPECT_EQ(fake.smartCard.connectAttempts, 0);
  EXPECT_EQ(Output(), "");
}

TEST_F(PcscFrmTest, WakeUpListsAReaderAttachedLaterAtOnce) {
  fake.smartCard.readers.clear();
  Open();
  EXPECT_EQ(fake.smartCard.watchedReader, "");
  fake.smartCard.readers = {kReader};
  Lay(kCardA);
  Wake(fake, ReaderChange::kReaderList);  // within the second of the listing
  EXPECT_EQ(Get("cbReader").Text(), kReader);
  Wake(fake, ReaderChange::kCardPresence);
  EXPECT_EQ(fake.smartCard.watchedReader, kReader);
  EXPECT_EQ(Typed(), "101\n");
}

}  // namespace
}  // namespace cardwedge
