// The reader watch's wake-up of the presence poll, with no Timer1 tick firing.

#include "pcsc_test_window.h"

namespace cardwedge {
namespace {

using PcscWakeUpTest = PcscWindowTest;

// What the watch thread reports, run as the event loop would run the task it posts.
void Wake(FakeSmartCard& smartCard, FakeToolkit& toolkit, ReaderChange change) {
  smartCard.ReportChange(change);
  toolkit.RunPosted();
}

TEST_F(PcscWakeUpTest, ArrivalAloneReadsTheCardAndWakesNothingWhileTimer1IsOff) {
  Open();
  EXPECT_EQ(smartCard.watchedReader, kReader);
  // During the read, at its yields: held back like a tick.
  fake.toolkit.onDoEvents = [&] { smartCard.ReportChange(ReaderChange::kCardPresence); };
  Lay(kCardA);
  Wake(smartCard, fake.toolkit, ReaderChange::kCardPresence);
  fake.toolkit.onDoEvents = nullptr;
  EXPECT_EQ(Typed(), "101\n");
  EXPECT_EQ(smartCard.connectAttempts, 1);

  // After the read step's reset, until the restart: Timer1 is off and the wake does nothing.
  ASSERT_FALSE(fake.toolkit.timer("Timer1").Enabled());
  Wake(smartCard, fake.toolkit, ReaderChange::kCardPresence);
  EXPECT_EQ(smartCard.connectAttempts, 1);
  fake.toolkit.Tick("Timer2");

  smartCard.cards.erase(kReader);
  Wake(smartCard, fake.toolkit, ReaderChange::kCardPresence);
  Lay(kCardB);
  Wake(smartCard, fake.toolkit, ReaderChange::kCardPresence);
  EXPECT_EQ(Typed(), "101\n303\n");

  form.reset();
  EXPECT_EQ(smartCard.watchedReader, std::nullopt);
}

TEST_F(PcscWakeUpTest, ReaderAttachedLaterIsListedAtOnce) {
  smartCard.readers.clear();
  Open();
  EXPECT_EQ(smartCard.watchedReader, "");
  smartCard.readers = {kReader};
  Lay(kCardA);
  Wake(smartCard, fake.toolkit, ReaderChange::kReaderList);  // within the second of the listing
  EXPECT_EQ(Get("cbReader").Text(), kReader);
  Wake(smartCard, fake.toolkit, ReaderChange::kCardPresence);
  EXPECT_EQ(smartCard.watchedReader, kReader);
  EXPECT_EQ(Typed(), "101\n");
}

}  // namespace
}  // namespace cardwedge
