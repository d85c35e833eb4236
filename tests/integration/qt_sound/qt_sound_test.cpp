#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
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

// Lets the event loop run until the effect has finished loading, at most a few seconds.
QSoundEffect::Status LoadedStatus(QSoundEffect& effect) {
  QElapsedTimer timer;
  timer.start();
  while (effect.status() == QSoundEffect::Loading && timer.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return effect.status();
}

TEST(DefaultSounds, DecodeAsWaveFiles) {
  for (const char* name : {kConfirmationSoundName, kWarningSoundName}) {
    QSoundEffect effect;
    effect.setSource(QUrl::fromLocalFile(QString::fromStdString(BesideTheProgram(name))));
    EXPECT_EQ(LoadedStatus(effect), QSoundEffect::Ready) << name;
  }
}

TEST(QtSound, PlayingWithoutAnAudioDeviceReturnsAndTheEventLoopRunsOn) {
  QtSound sound;
  const std::string confirmation = BesideTheProgram(kConfirmationSoundName);
  sound.PlayAsync(confirmation);
  sound.PlayAsync(confirmation);
  sound.PlayAsync(BesideTheProgram(kWarningSoundName));
  sound.PlayAsync(BesideTheProgram("missing.wav"));

  bool loopRan = false;
  QTimer::singleShot(0, [&loopRan] {
    loopRan = true;
    QCoreApplication::quit();
  });
  QCoreApplication::exec();
  EXPECT_TRUE(loopRan);
}

// Lets the event loop run until the condition holds, at most a few seconds.
bool RunUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return done();
}

TEST(QtSound, AFileThatCannotBePlayedGivesTheDefaultSoundEachTime) {
  const std::string notASound = BesideTheProgram("not-a-sound.wav");
  std::ofstream(notASound) << "RIFF, but not a wave";
  std::atomic<int> defaults = 0;
  QtSound sound([&defaults] { ++defaults; });
  sound.PlayAsync(BesideTheProgram(kConfirmationSoundName));
  for (int played = 1; played <= 2; ++played) {
    sound.PlayAsync(notASound);
    EXPECT_TRUE(RunUntil([&] { return defaults == played; })) << defaults;
  }
  EXPECT_EQ(defaults, 2);
  std::remove(notASound.c_str());
}

}  // namespace
}  // namespace cardwedge

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
