#include "platform/qt/qt_sound.h"

#include <QApplication>
#include <QUrl>

namespace cardwedge {

void RingDesktopBell() {
  QMetaObject::invokeMethod(QCoreApplication::instance(), [] { QApplication::beep(); });
}

QtSound::QtSound(std::function<void()> playDefault) : playDefault_(std::move(playDefault)) {}

QtSound::~QtSound() {
  if (!player_) return;
  // The effects belong to the sound thread: they go there, before it ends.
  QMetaObject::invokeMethod(
      player_.get(), [this] { effects_.clear(); }, Qt::BlockingQueuedConnection);
  thread_.quit();
  thread_.wait();
}

void QtSound::PlayAsync(const std::string& path) {
  // Started at the first sound: by then the application object exists.
  if (!player_) {
    player_ = std::make_unique<QObject>();
    player_->moveToThread(&thread_);
    thread_.start();
  }
  QMetaObject::invokeMethod(
      player_.get(), [this, path] { Play(path); }, Qt::QueuedConnection);
}

void QtSound::Play(const std::string& path) {
  std::unique_ptr<QSoundEffect>& effect = effects_[path];
  if (!effect) {
    effect = std::make_unique<QSoundEffect>();
    QSoundEffect* loading = effect.get();
    QObject::connect(loading, &QSoundEffect::statusChanged, player_.get(), [this, loading] {
      if (loading->status() == QSoundEffect::Error) playDefault_();
    });
    effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  } else if (effect->status() == QSoundEffect::Error) {
    playDefault_();
    return;
  }
  effect->play();
}

}  // namespace cardwedge
