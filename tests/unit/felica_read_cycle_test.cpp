#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "fake_felica_library.h"
#include "fake_platform.h"
#include "fake_smart_card.h"
#include "felica/felica_form1.h"
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

class FelicaReadCycleTest : public ::testing::Test {
 protected:
  FelicaReadCycleTest() {
    fake.files.Write(kRosterFileName, RosterLine("00123", "Sato", kCardAText) +
                                          RosterLine("2002", "Suzuki", "0202020202020202") +
                                          RosterLine("45", "Tanaka", "0B0B0B0B0B0B0B0B") +
                                          RosterLine("abc", "Ito", "0C0C0C0C0C0C0C0C") +
                                          RosterLine("12.5", "Kato", "0D0D0D0D0D0D0D0D"));
    fake.files.Write(kConfirmationSoundName, "RIFF");
    fake.files.Write(kFelicaSwitchFileName, "");
    form = std::make_unique<FelicaForm1>(fake.platform, state);
    form->Form_Load();
  }

  // One tick of the read cycle's timer with this card on the reader at this clock time.
  void TickAt(double seconds, std::optional<Idm> card) {
    fake.clock.now = seconds;
    library.idm = card;
    ASSERT_TRUE(fake.toolkit.Tick("PasoriTimer1"));
  }
  std::string Caption(const char* control) {
    return fake.toolkit.window("FelicaForm1").Get(control).Text();
  }
  std::string Typed() const { return fake.keyboard.TypedText(); }
  // The host writes the switch file; the window reads it at its next switch tick.
  void SwitchTo(const char* value) {
    fake.files.Write(kSwitchFileName, value);
    ASSERT_TRUE(fake.toolkit.Tick("PasoriTimer3"));
  }

  FakeSmartCard smartCard;
  FakeFelicaLibrary library;
  FakePlatform fake{smartCard, library};
  ProgramState state;
  std::unique_ptr<FelicaForm1> form;
};

TEST_F(FelicaReadCycleTest, RosterCardHeldOnTheReaderIsTypedAgainOnlyAfterMoreThanTenSeconds) {
  EXPECT_EQ(Caption("PasoriLabel2"), "Label2");
  TickAt(1000, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);
  EXPECT_EQ(Caption("PasoriLabel5"), "00123 Sato");
  ASSERT_EQ(fake.sound.played.size(), 1u);
  EXPECT_EQ(fake.sound.played[0], FakeFiles::PathOf(kConfirmationSoundName));
  EXPECT_EQ(library.lastSystemCode, (std::array<std::uint8_t, 2>{0xFF, 0xFF}));
  EXPECT_EQ(library.lastTimeSlot, 0);

  TickAt(1005, kCardA);
  TickAt(1010, kCardA);  // exactly 10 seconds is not enough
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);

  TickAt(1010.1, kCardA);
  EXPECT_EQ(Typed(), "00123\n00123\n");
  EXPECT_EQ(fake.sound.played.size(), 2u);
  EXPECT_EQ(state.FelicaTyping, 0);
}

TEST_F(FelicaReadCycleTest, SecondRecordCardRepeatsAfterMoreThanThreeSeconds) {
  TickAt(1000, kSecondRecordCard);
  TickAt(1003, kSecondRecordCard);
  EXPECT_EQ(Typed(), "2002\n");
  TickAt(1003.5, kSecondRecordCard);
  EXPECT_EQ(Typed(), "2002\n2002\n");
}

TEST_F(FelicaReadCycleTest, EachCardDifferentFromTheLastIsTypedAndAReturningCardIsNot) {
  TickAt(1000.0, kCardA);
  TickAt(1000.3, kCardB);
  TickAt(1000.6, kCardA);
  EXPECT_EQ(Typed(), "00123\n45\n00123\n");

  // Taken off and put back within ten seconds: the ID line empties and returns, nothing typed.
  TickAt(1002, std::nullopt);
  EXPECT_EQ(Caption("PasoriLabel2"), "");
  EXPECT_EQ(Caption("PasoriLabel5"), "00123 Sato");
  TickAt(1004, kCardA);
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);
  EXPECT_EQ(Typed(), "00123\n45\n00123\n");
}

TEST_F(FelicaReadCycleTest, UnknownCardShowsDashesAndCountsAsAccepted) {
  TickAt(1000, kCardA);
  TickAt(1001, kUnknownCard);
  EXPECT_EQ(Caption("PasoriLabel5"), "---");
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_EQ(fake.sound.played.size(), 1u);
  EXPECT_EQ(form->felicaModule().LastFelicaIDm, kUnknownCardText);

  // Its read time holds for raw-ID mode too.
  SwitchTo("1");
  TickAt(1002.5, kUnknownCard);
  EXPECT_EQ(Typed(), "00123\n");
  TickAt(1003.5, kUnknownCard);
  EXPECT_EQ(Typed(), std::string("00123\n") + kUnknownCardText + "\n");
}

TEST_F(FelicaReadCycleTest, NoSoundWithoutTheSoundFile) {
  fake.files.Remove(kConfirmationSoundName);
  TickAt(1000, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_TRUE(fake.sound.played.empty());
}

TEST_F(FelicaReadCycleTest, RawIdModeTypesAnyCardAtMostOnceInTwoSeconds) {
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
  EXPECT_EQ(form->felicaModule().LastFelicaIDm, "0B0B0B0B0B0B0B0B");
}

TEST_F(FelicaReadCycleTest, TickDuringRawIdTypingDoesNotTypeTheCardAgain) {
  SwitchTo("1");
  int nested = 0;
  fake.toolkit.onDoEvents = [&] {
    if (nested++ == 0) fake.toolkit.Tick("PasoriTimer1");
  };
  TickAt(1000, kCardA);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(Typed(), std::string(kCardAText) + "\n");
}

TEST_F(FelicaReadCycleTest, RepeatsAreTimedAcrossMidnight) {
  TickAt(86398, kCardA);
  TickAt(7, kCardA);  // 9 seconds later
  EXPECT_EQ(Typed(), "00123\n");
  TickAt(9, kCardA);  // 11 seconds later
  EXPECT_EQ(Typed(), "00123\n00123\n");
}

TEST_F(FelicaReadCycleTest, PausedModeNeitherPollsNorChangesTheLabels) {
  TickAt(1000, kCardA);
  SwitchTo("8");
  const int polls = library.polls;
  TickAt(1020, std::nullopt);
  EXPECT_EQ(library.polls, polls);
  EXPECT_EQ(Caption("PasoriLabel2"), kCardAText);

  // The hidden button runs a cycle whatever the mode.
  fake.toolkit.window("FelicaForm1").Get("PasoriCommand2").Click();
  EXPECT_EQ(library.polls, polls + 1);
  EXPECT_EQ(Caption("PasoriLabel2"), "");
}

TEST_F(FelicaReadCycleTest, TypesWhileTheOtherWindowTypes) {
  state.PcscTyping = 1;
  TickAt(1000, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
  EXPECT_EQ(state.FelicaTyping, 0);
  EXPECT_EQ(state.PcscTyping, 1);
}

TEST_F(FelicaReadCycleTest, ValuesThatCannotBeTypedTakeTheErrorPathAndTheNextCycleRuns) {
  for (const Idm& card : {kNotANumberCard, kFractionCard}) {
    fake.files.Write(kFelicaSwitchFileName, "");
    TickAt(fake.clock.now + 20, card);
    EXPECT_FALSE(fake.files.Exists(kFelicaSwitchFileName));
    EXPECT_EQ(Typed(), "");
  }
  // With the file already gone the error path has nothing to delete.
  TickAt(fake.clock.now + 20, kNotANumberCard);
  EXPECT_FALSE(fake.files.Exists(kFelicaSwitchFileName));

  TickAt(fake.clock.now + 0.1, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
}

TEST_F(FelicaReadCycleTest, FailedTypingTakesTheErrorPathAndClearsTheTypingFlag) {
  fake.keyboard.failing = true;
  TickAt(1000, kCardA);
  EXPECT_FALSE(fake.files.Exists(kFelicaSwitchFileName));
  EXPECT_EQ(state.FelicaTyping, 0);
  EXPECT_EQ(Caption("PasoriLabel5"), "00123 Sato");

  // The card was accepted before the typing failed: it is not retried at once.
  fake.keyboard.failing = false;
  TickAt(1001, kCardA);
  EXPECT_EQ(Typed(), "");
  TickAt(1011, kCardA);
  EXPECT_EQ(Typed(), "00123\n");
}

class FelicaWindowTest : public ::testing::Test {
 protected:
  FelicaWindowTest() { fake.files.Write(kRosterFileName, ""); }

  FakeSmartCard smartCard;
  FakeFelicaLibrary library;
  FakePlatform fake{smartCard, library};
  ProgramState state;
};

TEST_F(FelicaWindowTest, LibraryFailuresAreRecordedAndTheWindowRunsAnyway) {
  library.initializeSucceeds = false;
  library.openSucceeds = false;
  FelicaForm1 form(fake.platform, state);
  form.Form_Load();
  EXPECT_EQ(form.felicaModule().FelicaMessage, kCantOpenReaderWriter);
  EXPECT_TRUE(fake.toolkit.errorsShown.empty());
  EXPECT_EQ(fake.toolkit.timer("PasoriTimer1").IntervalMs(), 100);
  EXPECT_TRUE(fake.toolkit.timer("PasoriTimer1").Enabled());

  EXPECT_TRUE(fake.toolkit.Tick("PasoriTimer1"));
  EXPECT_EQ(library.polls, 1);
  EXPECT_EQ(form.felicaModule().FelicaMessage, kCantOpenReaderWriter);

  library.idm = kCardA;
  EXPECT_TRUE(fake.toolkit.Tick("PasoriTimer1"));
  EXPECT_EQ(form.felicaModule().FelicaMessage, kCardAText);

  // The hidden button opens the connection again.
  fake.toolkit.window("FelicaForm1").Get("PasoriCommand1").Click();
  EXPECT_EQ(library.initializeCalls, 2);
  EXPECT_EQ(library.openCalls, 2);
}

TEST_F(FelicaWindowTest, SecondInstanceEndsBeforeTheReaderIsOpened) {
  fake.guard.anotherRunning = true;
  FelicaForm1 form(fake.platform, state);
  EXPECT_THROW(form.Form_Load(), ProgramEnded);
  EXPECT_EQ(library.openCalls, 0);
}

TEST_F(FelicaWindowTest, ClosingTheWindowEndsTheProgram) {
  FelicaForm1 form(fake.platform, state);
  form.Form_Load();
  EXPECT_THROW(fake.toolkit.window("FelicaForm1").Close(), ProgramEnded);
}

}  // namespace
}  // namespace cardwedge
