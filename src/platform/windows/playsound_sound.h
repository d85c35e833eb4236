#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/sound.h"

namespace cardwedge {

// Plays WAV files with PlaySoundW, asynchronously; a new sound cuts the one still playing, a file
// that cannot be played gives the system's default sound (PlaySoundW's own fallback, left on),
// and no audio device stays silent.
class PlaySoundSound : public Sound {
 public:
  // Plays a file with the given PlaySoundW flags.
  using PlayFile = std::function<void(const std::wstring& path, DWORD flags)>;

  // Plays through PlaySoundW.
  PlaySoundSound();
  explicit PlaySoundSound(PlayFile playFile);

  void PlayAsync(const std::string& path) override;
  // Nothing to ready: PlaySoundW reads the file at each play, on a thread of its own.
  void Preload(const std::string& path) override;

 private:
  PlayFile playFile_;
};

}  // namespace cardwedge
