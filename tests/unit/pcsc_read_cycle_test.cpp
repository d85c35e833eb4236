#include "pcsc_test_window.h"

namespace cardwedge {
namespace {

using PcscReadCycleTest = PcscWindowTest;

TEST_F(PcscReadCycleTest, RosterCardIsReadOnceWhileItStaysOnTheReader) {
  Open();
  Lay(kCardA);
  Poll();
  EXPECT_EQ(smartCard.commands.at(0), (std::vector<std::uint8_t>{0xFF, 0xCA, 0x00, 0x00, 0x00}));
  EXPECT_EQ(Output(), "04A22B1A\n");
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(Played(kConfirmationSoundName), 1);
  EXPECT_EQ(Get("PCSCLabel2").Text(), "04A22B1A");
  EXPECT_EQ(Get("PCSCLabel5").Text(), "101 Sato");
  EXPECT_EQ(state.PcscTyping, 0);
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

TEST_F(PcscReadCycleTest, SameCardIsTypedAgainOnlyAfterTheRepeatTime) {
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
  EXPECT_EQ(Typed(), "101\n101\n202\n202\n");
}

TEST_F(PcscReadCycleTest, DifferentCardsAreEachTyped) {
  Open();
  for (const auto& card : {kCardA, kCardB, kCardA}) {
    Present(card);
    Wait(0.5);
  }
  EXPECT_EQ(Typed(), "101\n303\n101\n");
}

TEST_F(PcscReadCycleTest, CardsWithoutATypeableValueWarnEveryTimeAndNeverBecomeTheLastCard) {
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

TEST_F(PcscReadCycleTest, CardWithoutAnIdentifierStandsForNobody) {
  Open();
  Present({});  // the card answers GET DATA with the status words alone
  EXPECT_EQ(Output(), "\n");
  EXPECT_EQ(Typed(), "");
  EXPECT_EQ(Played(kWarningSoundName), 1);
  EXPECT_EQ(Get("PCSCLabel5").Text(), "---");
}

TEST_F(PcscReadCycleTest, RawIdModeTypesEveryReadWithoutSoundOrLabels) {
  Open();
  form->ScreenMode = kRawIdMode;
  Present(kUnknownCard);
  Present(kUnknownCard);
  EXPECT_EQ(Typed(), "99887766\n99887766\n");
  EXPECT_TRUE(fake.sound.played.empty());
  EXPECT_EQ(Get("PCSCLabel2").Text(), "---");
  EXPECT_EQ(Get("PCSCLabel5").Text(), "---");

  // The "UID:" prefix has no key: the line is shown, nothing is typed.
  Get("check1").SetValue(1);
  Present({0x04, 0xA2, 0x2B, 0x1A, 0x5C, 0x3E, 0x80});
  EXPECT_EQ(smartCard.commands.back(), (std::vector<std::uint8_t>{0xFF, 0xCA, 0x01, 0x00, 0x00}));
  EXPECT_TRUE(Output().ends_with("UID:04A22B1A5C3E80\n"));
  EXPECT_EQ(Typed(), "99887766\n99887766\n");
}

TEST_F(PcscReadCycleTest, PausedModeDoesNotConnectAndAReplacedCardWaitsUntilTakenAway) {
  Open();
  Poll();
  EXPECT_EQ(Get("Text1").Text(), "0");
  Get("Text1").SetText("kept");
  form->ScreenMode = kPausedMode;
  const int attempts = smartCard.connectAttempts;
  Lay(kCardA);
  Poll();
  EXPECT_EQ(smartCard.connectAttempts, attempts);
  EXPECT_EQ(Get("Text1").Text(), "kept");
  form->ScreenMode = kLookupMode;
  Poll();
  EXPECT_EQ(Typed(), "101\n");

  // Card B replaces A during a pause: no failed connect in between, so B counts as read.
  form->ScreenMode = kPausedMode;
  Lay(kCardB);
  Poll();
  form->ScreenMode = kLookupMode;
  Poll();
  EXPECT_EQ(Typed(), "101\n");
  TakeAway();
  Present(kCardB);
  EXPECT_EQ(Typed(), "101\n303\n");
}

TEST_F(PcscReadCycleTest, CardAnsweringFunctionNotSupportedGivesNoLineAndIsNotRetried) {
  Open();
  smartCard.statusWord = {0x6A, 0x81};
  Lay(kCardA);
  for (int i = 0; i < 3; ++i) Poll();
  EXPECT_EQ(smartCard.commands.size(), 1u);
  EXPECT_EQ(Output(), "");
  EXPECT_EQ(Typed(), "");
  EXPECT_TRUE(fake.sound.played.empty());
}

TEST_F(PcscReadCycleTest, ServiceLossIsRecoveredByThePollAtMostOnceASecond) {
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

TEST_F(PcscReadCycleTest, ReaderAttachedAfterStartIsFoundWithoutAClick) {
  smartCard.readers.clear();
  Open();
  EXPECT_EQ(Get("cbReader").ItemCount(), 0);
  Poll();
  smartCard.readers = {kReader};
  Lay(kCardA);
  Wait(1);
  Poll();
  Poll();
  EXPECT_EQ(Get("cbReader").Text(), kReader);
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(smartCard.openContexts.size(), 1u);
}

TEST_F(PcscReadCycleTest, PollTickDuringAReadIsHeldBack) {
  Open();
  form->ScreenMode = kRawIdMode;
  int nestedTicks = 0;
  fake.toolkit.onDoEvents = [&] { nestedTicks += fake.toolkit.Tick("Timer1"); };
  Lay(kCardA);
  fake.toolkit.Tick("Timer1");
  EXPECT_GT(nestedTicks, 0);
  EXPECT_EQ(smartCard.connectAttempts, 1);
  EXPECT_EQ(Typed(), "04A22B1A\n");
}

TEST_F(PcscReadCycleTest, TypingFailureLeavesTheCycleRunning) {
  Open();
  fake.keyboard.failing = true;
  state.FelicaTyping = 1;
  Present(kCardA);
  EXPECT_EQ(state.PcscTyping, 0);
  EXPECT_EQ(Typed(), "");
  fake.keyboard.failing = false;
  Present(kCardB);
  EXPECT_EQ(Typed(), "303\n");
}

}  // namespace
}  // namespace cardwedge
