#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "platform/qt/qt_sound.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

std::string BesideTheProgram(const char* name) {
  return std::string(CARDWEDGE_BUILD_DIR) + "/" + name;
}

// Lets the event loop run until the condition holds or the time is up; the condition at the end.
bool RunUntil(const std::function<bool()>& done, int milliseconds = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return done();
}

// The shipped sounds go to the sound thread before the broken file; one that did not decode
// would give the default sound too.
TEST(QtSound, OnlyAFileThatCannotBePlayedGivesTheDefaultSoundEachTime) {
  const std::string notASound = BesideTheProgram("not-a-sound.wav");
  std::ofstream(notASound) << "RIFF, but not a wave";
  std::atomic<int> defaults = 0;
  QtSound sound([&defaults] { ++defaults; });
  for (const char* name : {kConfirmationSoundName, kWarningSoundName, kConfirmationSoundName}) {
    sound.PlayAsync(BesideTheProgram(name));
  }
  for (int played = 1; played <= 2; ++played) {
    sound.PlayAsync(notASound);
    EXPECT_TRUE(RunUntil([&] { return defaults == played; })) << defaults;
  }
  EXPECT_FALSE(RunUntil([&] { return defaults != 2; }, 500)) << defaults;
  std::remove(notASound.c_str());
}

// Readied when a window loads: a broken file rings nothing then, only when a card plays it.
TEST(QtSound, APreloadedFileThatCannotBePlayedIsSilentUntilPlayed) {
  const std::string notASound = BesideTheProgram("not-a-sound-preloaded.wav");
  std::ofstream(notASound) << "RIFF, but not a wave";
  std::atomic<int> defaults = 0;
  QtSound sound([&defaults] { ++defaults; });
  sound.Preload(notASound);
  sound.Preload(BesideTheProgram(kConfirmationSoundName));
  EXPECT_FALSE(RunUntil([&] { return defaults != 0; }, 500)) << defaults;
  sound.PlayAsync(notASound);
  EXPECT_TRUE(RunUntil([&] { return defaults == 1; })) << defaults;
  EXPECT_FALSE(RunUntil([&] { return defaults != 1; }, 500)) << defaults;
  std::remove(notASound.c_str());
}

}  // namespace
}  // namespace cardwedge

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
