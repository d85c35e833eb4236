#include "platform/windows/playsound_sound.h"

#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves the multimedia declarations out.
#include <mmsystem.h>

#include "platform/windows/wide_text.h"

namespace cardwedge {

void PlaySoundSound::PlayAsync(const std::string& path) {
  PlaySoundW(Widen(path).c_str(), nullptr, SND_FILENAME | SND_ASYNC);
}

}  // namespace cardwedge
