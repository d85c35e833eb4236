#include "felica/felica_form1.h"

#include <gtest/gtest.h>

#include <array>
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

using Idm = std::array<std::uint8_t, 8>;

constexpr Idm kCardA{0x01, 0x2E, 0x4C, 0x3A, 0x0F, 0x10, 0x88, 0x9B};
constexpr char kCardAText[] = "012E4C3A0F10889B";
constexpr Idm kSecondRecordCard{0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x02};
constexpr Idm kCardB{0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B, 0x0B};
constexpr Idm kUnknownCard{0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xA1};
constexpr char kUnknownCardText[] = "AAAAAAAAAAAAAAA1";
constexpr Idm kNotANumberCard{0x0C, 0x0C, 0x0C, 0x0C, 0x0C, 0x0C, 0x0C, 0x0C};
constexpr Idm kFractionCard{0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D, 0x0D};

class FelicaForm1Test : public ::testing::Test {
 protected:
  FelicaForm1Test() {
    fake.files.Write(kRosterFileName, RosterLine("00123", "Sato", kCardAText) +
                                          RosterLine("2002", "Suzuki", "0202020202020202") +
                                          RosterLine("45", "Tanaka", "0B0B0B0B0B0B0B0B") +
                                          RosterLine("abc", "Ito", "0C0C0C0C0C0C0C0C") +
                                          RosterLine("12.5", "Kato", "0D0D0D0D0D0D0D0D"));
    fake.files.Write(kConfirmationSoundName, "RIFF");
    fake.files.Write(kFelicaSwitchFileName, "");
    Open();
  }

  void Open() {
    form = std::make_unique<FelicaForm1>(fake.platform, fake.state);
    form->Form_Load();
  }

  // One tick of the read cycle's timer with this card on the reader at this clock time.
  void TickAt(double seconds, std::optional<Idm> card) {
    fake.clock.now = seconds;
    fake.felica.idm = card;
    ASSERT_TRUE(fake.toolkit.Tick("PasoriTimer1"));
  }
  FakeControl& Get(const char* control) { return fake.toolkit.window("FelicaForm1").Get(control); }
  std::string Caption(const char* control) { return Get(control).Text(); }
  std::string Typed() const { return fake.keyboard.TypedText(); }
  // The host writes the switch file; the window reads it at its next switch tick.
  void SwitchTo(const char* value) {
    fake.files.Write(kSwitchFileName, value);
    ASSERT_TRUE(fake.toolkit.Tick("PasoriTimer3"));
  }

  FakePlatform fake;
  std::unique_ptr<FelicaForm1> form;
};

TEST_F(FelicaForm1Test, LookupModeTypesRosterValuesUnderTheRepeatRules) {
  EXPECT_EQ(Caption("PasoriLabel2"), "Label2");
  TickAt(1000, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);
  EXPECT_EQ(Caption("PasoriLabel5"), "00123 Sato");
  EXPECT_EQ(fake.sound.played, std::vector{FakeFiles::PathOf(kConfirmationSoundName)});
  EXPECT_EQ(fake.felica.lastSystemCode, (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
  EXPECT_EQ(fake.felica.lastTimeSlot, 0);

  struct Step {
    double time;
    std::optional<Idm> card;
    const char* typed;
  };
  for (const Step& step : {
           Step{1010, kCardA, ""},  // exactly ten seconds is not enough
           Step{1010.1, kCardA, "00123\n"},
           Step{1010.2, kCardB, "45\n"},
           Step{1010.3, kCardA, "00123\n"},
           Step{1011, std::nullopt, ""},  // taken off and put back
           Step{1012, kCardA, ""},
           Step{1013, kSecondRecordCard, "2002\n"},
           Step{1016, kSecondRecordCard, ""},  // record 2: more than three seconds
           Step{1016.5, kSecondRecordCard, "2002\n"},
           Step{86398, kCardA, "00123\n"},
           Step{7, kCardA, ""},  // nine seconds later, across midnight
           Step{9, kCardA, "00123\n"},
       }) {
    const std::string before = Typed();
    TickAt(step.time, step.card);
    EXPECT_EQ(Typed(), before + step.typed) << "at " << step.time;
  }

  // Without its file no sound is played; the value is typed all the same.
  fake.files.Remove(kConfirmationSoundName);
  const std::size_t played = fake.sound.played.size();
  TickAt(20, kCardB);
  EXPECT_EQ(fake.sound.played.size(), played);
  EXPECT_TRUE(Typed().ends_with("00123\n45\n"));
}

TEST_F(FelicaForm1Test, UnknownCardShowsDashesAndCountsAsAccepted) {
  TickAt(1000, kCardA);
  TickAt(1001, kUnknownCard);
  EXPECT_EQ(Caption("PasoriLabel5"), "---");
  // The unknown card became the last card: the roster card is typed again at once.
  TickAt(1002, kCardA);
  TickAt(1003, kUnknownCard);
  EXPECT_EQ(Typed(), "00123\n00123\n");
  EXPECT_EQ(fake.sound.played.size(), 2u);

  // Its read time holds for raw-ID mode too.
  SwitchTo("1");
  TickAt(1004.5, kUnknownCard);
  EXPECT_EQ(Typed(), "00123\n00123\n");
  TickAt(1005.5, kUnknownCard);
  EXPECT_EQ(Typed(), std::string("00123\n00123\n") + kUnknownCardText + "\n");
}

TEST_F(FelicaForm1Test, RawIdModeTypesAnyCardAtMostOnceInTwoSeconds) {
  TickAt(1000, kCardB);  // lookup mode: accepted at 1000
  fake.keyboard.events.clear();
  SwitchTo("1");
  TickAt(1001, kCardA);
  TickAt(1002, kCardA);  // exactly 2 seconds is not enough
  EXPECT_EQ(Typed(), "");
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);

  TickAt(1002.1, kCardA);
  EXPECT_EQ(Typed(), std::string(kCardAText) + "\n");
  TickAt(1003, kCardB);
  EXPECT_EQ(Typed(), std::string(kCardAText) + "\n");
  TickAt(1004.2, kCardA);
  EXPECT_EQ(Typed(), std::string(kCardAText) + "\n" + kCardAText + "\n");

  EXPECT_EQ(Caption("PasoriLabel5"), "45 Tanaka");
  EXPECT_EQ(fake.sound.played.size(), 1u);

  // Back in lookup mode: the raw reads set the read time (1004.2) but not the last card (B).
  fake.keyboard.events.clear();
  SwitchTo("0");
  TickAt(1012, kCardB);
  EXPECT_EQ(Typed(), "");
  TickAt(1012.5, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
}

TEST_F(FelicaForm1Test, TickDuringRawIdTypingDoesNotTypeTheCardAgain) {
  SwitchTo("1");
  int nested = 0;
  fake.toolkit.onDoEvents = [&] {
    if (nested++ == 0) fake.toolkit.Tick("PasoriTimer1");
  };
  TickAt(1000, kCardA);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Typed(), std::string(kCardAText) + "\n");
}

TEST_F(FelicaForm1Test, PausedModeNeitherPollsNorChangesTheLabels) {
  TickAt(1000, kCardA);
  SwitchTo("8");
  const int polls = fake.felica.polls;
  TickAt(1020, std::nullopt);
  EXPECT_EQ(fake.felica.polls, polls);
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);

  // The hidden button runs a cycle whatever the mode.
  Get("PasoriCommand2").Click();
  EXPECT_EQ(fake.felica.polls, polls + 1);
  EXPECT_EQ(Caption("PasoriLabel2"), "");
}

TEST_F(FelicaForm1Test, ValuesThatCannotBeTypedWarnAndTakeTheErrorPathAndTheNextCycleRuns) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&](std::string_view line) { lines.emplace_back(line); });
  fake.files.Write(kWarningSoundName, "RIFF");
  for (const Idm& card : {kNotANumberCard, kFractionCard}) {
    fake.files.Write(kFelicaSwitchFileName, "");
    TickAt(fake.clock.now + 20, card);
    EXPECT_FALSE(fake.files.Exists(kFelicaSwitchFileName));
    EXPECT_EQ(Typed(), "");
    EXPECT_EQ(Caption("PasoriLabel5"), "未入力: 入力できない文字を含みます");
  }
  EXPECT_EQ(fake.sound.played, std::vector<std::string>(2, FakeFiles::PathOf(kWarningSoundName)));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            "a value could not be typed: the roster value \"12.5\" is not a whole number "
            "of digits");
  SetDiagnosticsSink(nullptr);
  // With the file already gone the error path has nothing to delete.
  TickAt(fake.clock.now + 20, kNotANumberCard);
  EXPECT_FALSE(fake.files.Exists(kFelicaSwitchFileName));

  TickAt(fake.clock.now + 0.1, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
}

// A value the keyboard refuses is not typed and does not count as typed: the result line says
// why, the FeliCa switch file stays, and the same card is typed when it is laid again after a
// poll found the reader empty, not while it lies there. What can be told before any key goes
// out plays the warning sound alone.
TEST_F(FelicaForm1Test, ARefusedValueIsTypedWhenTheSameCardIsLaidAgain) {
  fake.files.Write(kWarningSoundName, "RIFF");
  const std::string confirmation = FakeFiles::PathOf(kConfirmationSoundName);
  const std::string warning = FakeFiles::PathOf(kWarningSoundName);
  struct Case {
    std::function<void(bool)> refuse;
    std::vector<std::string> sounds;
    const char* caption;
  };
  for (const Case& c : {
           Case{[&](bool on) { fake.toolkit.ownWindowActive = on; },
                {warning},
                "未入力: この画面が選択されています"},
           Case{[&](bool on) { fake.keyboard.focusedWindowRefuses = on; },
                {warning},
                "未入力: 入力先の日本語入力がオンです"},
           Case{[&](bool on) { fake.keyboard.failing = on; },  // told only by sending
                {confirmation, warning},
                "未入力: キー入力を送れません"},
       }) {
    for (const char* mode : {"0", "1"}) {
      SwitchTo(mode);
      const std::string value = mode[0] == '0' ? "00123\n" : std::string(kCardAText) + "\n";
      const double start = fake.clock.now + 20;
      fake.sound.played.clear();
      fake.keyboard.events.clear();
      c.refuse(true);
      TickAt(start, kCardA);
      EXPECT_EQ(Caption("PasoriLabel5"), c.caption);
      EXPECT_TRUE(fake.files.Exists(kFelicaSwitchFileName));
      EXPECT_EQ(fake.state.FelicaTyping, 0);
      if (mode[0] == '0') {
        EXPECT_EQ(fake.sound.played, c.sounds);
      }
      c.refuse(false);
      TickAt(start + 0.1, kCardA);  // left lying: not retried
      EXPECT_EQ(Typed(), "");
      TickAt(start + 0.2, std::nullopt);
      TickAt(start + 0.3, kCardA);
      EXPECT_EQ(Typed(), value) << c.caption << " in mode " << mode;
    }
  }
}

// While the screen is locked or another user has the console, the reader is released for the
// session at the desk and nothing is polled; on the return it is opened again, and a card laid
// meanwhile is typed only once it has been lifted and laid again.
TEST_F(FelicaForm1Test, ALockedOrSwitchedSessionReleasesTheReaderAndTypesNothingLaidMeanwhile) {
  std::vector<std::string> lines;
  SetDiagnosticsSink([&](std::string_view line) { lines.emplace_back(line); });
  struct Case {
    SessionState state;
    const char* line;
  };
  for (const Case& c :
       {Case{SessionState::kLocked, "FeliCa reader released: the screen is locked"},
        Case{SessionState::kAway, "FeliCa reader released: this session is not at the desk"}}) {
    SCOPED_TRACE(c.line);
    lines.clear();
    fake.keyboard.events.clear();
    const double start = fake.clock.now + 20;
    const int polls = fake.felica.polls;
    fake.session.state = c.state;
    TickAt(start, kCardA);
    TickAt(start + 0.1, kCardA);
    EXPECT_FALSE(fake.felica.readerOpen);
    EXPECT_EQ(fake.felica.polls, polls);

    fake.session.state = SessionState::kAtDesk;
    TickAt(start + 20, kCardA);
    EXPECT_TRUE(fake.felica.readerOpen);
    EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);
    TickAt(start + 40, kCardA);
    EXPECT_EQ(Typed(), "");
    TickAt(start + 40.1, std::nullopt);
    TickAt(start + 40.2, kCardA);
    EXPECT_EQ(Typed(), "00123\n");
    EXPECT_EQ(lines, (std::vector<std::string>{c.line, "FeliCa reader opened"}));
  }
  SetDiagnosticsSink(nullptr);
}

TEST_F(FelicaForm1Test, LibraryFailuresAreRecordedNeverShownAndTheWindowPollsAnyway) {
  struct Case {
    bool initializes;
    bool opens;
    const char* message;
  };
  for (const Case& c :
       {Case{true, true, ""}, Case{false, true, kCantInitializeLibrary},
        Case{true, false, kCantOpenReaderWriter}, Case{false, false, kCantOpenReaderWriter}}) {
    fake.felica.initializeSucceeds = c.initializes;
    fake.felica.openSucceeds = c.opens;
    Open();
    EXPECT_EQ(form->felicaModule().FelicaMessage, c.message);
    const int polls = fake.felica.polls;
    TickAt(1000, std::nullopt);
    EXPECT_EQ(fake.felica.polls, polls + 1);
  }
  EXPECT_TRUE(fake.toolkit.errorsShown.empty());

  // The hidden button opens the connection again.
  const int opens = fake.felica.openCalls;
  Get("PasoriCommand1").Click();
  EXPECT_EQ(fake.felica.openCalls, opens + 1);
}

// The title says what keeps cards from being read as usual, and is set only when that changes:
// the timers that look at the state tick many times a second.
TEST_F(FelicaForm1Test, TitleShowsTheReaderStateAndTheReadModeAndIsSetOnlyOnAChange) {
  const std::string caption = FelicaForm1::Declaration().title;
  struct Step {
    const char* what;
    std::function<void()> change;
    std::string title;
  };
  const std::vector<Step> steps = {
      {"reader lost", [&] { fake.felica.readerOpen = false; },
       caption + " — リーダーが見つかりません"},
      {"reader back", [&] { fake.felica.readerOpen = true; }, caption},
      {"paused", [&] { SwitchTo("8"); }, caption + " — 一時停止中 (ホストの指示)"},
      {"reader lost while paused",
       [&] {
         fake.felica.readerOpen = false;
         SwitchTo("8");
       },
       caption + " — リーダーが見つかりません、一時停止中 (ホストの指示)"},
      {"raw ID",
       [&] {
         fake.felica.readerOpen = true;
         SwitchTo("1");
       },
       caption + " — カードIDを入力 (ホストの指示)"},
      {"lookup", [&] { SwitchTo("0"); }, caption},
      {"library missing",
       [&] {
         fake.felica.libraryLoaded = false;
         Open();
       },
       caption + " — FeliCaライブラリを読み込めません"},
      {"reader missing at the start",
       [&] {
         fake.felica.libraryLoaded = true;
         fake.felica.openSucceeds = false;
         Open();
       },
       caption + " — リーダーが見つかりません"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const FakeWindow* before = &fake.toolkit.window("FelicaForm1");
    const int setsBefore = before->titleSets();
    step.change();
    fake.toolkit.Tick("PasoriTimer1");
    const FakeWindow& window = fake.toolkit.window("FelicaForm1");
    EXPECT_EQ(window.title(), step.title) << "at once";
    for (int tick = 0; tick < 3; ++tick) {
      fake.toolkit.Tick("PasoriTimer1");
      fake.toolkit.Tick("PasoriTimer3");
    }
    EXPECT_EQ(window.title(), step.title);
    EXPECT_EQ(window.titleSets() - (&window == before ? setsBefore : 0), 1);
  }
}

TEST_F(FelicaForm1Test, ClosingTheWindowEndsTheProgram) {
  EXPECT_THROW(fake.toolkit.window("FelicaForm1").Close(), ProgramEnded);
}

}  // namespace
}  // namespace cardwedge
