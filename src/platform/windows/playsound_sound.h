#pragma once

#include "platform/sound.h"

namespace cardwedge {

// Plays WAV files with PlaySoundW, asynchronously; a new sound cuts the one still playing, a file
// that cannot be played gives the system's default sound, and no audio device stays silent.
class PlaySoundSound : public Sound {
 public:
  void PlayAsync(const std::string& path) override;
};

}  // namespace cardwedge
