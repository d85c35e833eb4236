#pragma once

#include <QSoundEffect>
#include <map>
#include <memory>

#include "platform/sound.h"

namespace cardwedge {

// Plays WAV files through Qt Multimedia. Each file is loaded once and kept, so a repeated sound
// starts without reloading; with no audio device the effect stays silent.
class QtSound : public Sound {
 public:
  void PlayAsync(const std::string& path) override;

 private:
  std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
};

}  // namespace cardwedge
