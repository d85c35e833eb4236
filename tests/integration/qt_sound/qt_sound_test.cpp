#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSoundEffect>
#include <QTimer>
#include <QUrl>
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

}  // namespace
}  // namespace cardwedge

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
