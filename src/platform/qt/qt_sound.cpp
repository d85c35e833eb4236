#include "platform/qt/qt_sound.h"

#include <QUrl>

namespace cardwedge {

void QtSound::PlayAsync(const std::string& path) {
  std::unique_ptr<QSoundEffect>& effect = effects_[path];
  if (!effect) {
    effect = std::make_unique<QSoundEffect>();
    effect->setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
  }
  effect->play();
}

}  // namespace cardwedge
