#include "platform/windows/playsound_sound.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace cardwedge {

void PlaySoundSound::PlayAsync(const std::string& path) {
  PlaySoundW(Widen(path).c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

}  // namespace cardwedge
