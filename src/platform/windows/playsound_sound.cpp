#include "platform/windows/playsound_sound.h"

// After windows.h: WIN32_LEAN_AND_MEAN leaves the multimedia declarations out.
#include <mmsystem.h>

#include <utility>

#include "platform/windows/wide_text.h"

namespace cardwedge {

PlaySoundSound::PlaySoundSound()
    : PlaySoundSound([](const std::wstring& path, DWORD flags) {
        PlaySoundW(path.c_str(), nullptr, flags);
      }) {}

PlaySoundSound::PlaySoundSound(PlayFile playFile) : playFile_(std::move(playFile)) {}

void PlaySoundSound::PlayAsync(const std::string& path) {
  playFile_(Widen(path), SND_FILENAME | SND_ASYNC);
}

void PlaySoundSound::Preload(const std::string&) {}

}  // namespace cardwedge
