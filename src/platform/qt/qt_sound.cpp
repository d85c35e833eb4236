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
  QMetaObject::invokeMethod(
      Player(), [this, path] { Play(path); }, Qt::QueuedConnection);
}

void QtSound::Preload(const std::string& path) {
  QMetaObject::invokeMethod(
      Player(), [this, path] { Effect(path); }, Qt::QueuedConnection);
}

// Started at the first sound or preload: by then the application object exists.
QObject* QtSound::Player() {
  if (!player_) {
    player_ = std::make_unique<QObject>();
    player_->moveToThread(&thread_);
    thread_.start();
  }
  return player_.get();
}

QSoundEffect& QtSound::Effect(const std::string& path) {
  std::unique_ptr<QSoundEffect>& effect = effects_[path];
  if (!effect) {
    effect = std::make_unique<QSoundEffect>();
    QSoundEffect* loading = effect.get();
    // A file found unplayable while its play waits gives the default sound; while only preloaded,
    // nothing.
    QObject::connect(loading, &QSoundEffect::statusChanged, player_.get(), [this, path, loading] {
      const QSoundEffect::Status status = loading->status();
      if (status != QSoundEffect::Ready && status != QSoundEffect::Error) return;
      if (playsWaiting_.erase(path) > 0 && status == QSoundEffect::Error) playDefault_();
    });
    effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  }
  return *effect;
}

void QtSound::Play(const std::string& path) {
  QSoundEffect& effect = Effect(path);
  if (effect.status() == QSoundEffect::Error) {
    playDefault_();
    return;
  }
  // Still loading: the effect plays once loaded.
  if (effect.status() != QSoundEffect::Ready) playsWaiting_.insert(path);
  effect.play();
}

}  // namespace cardwedge
