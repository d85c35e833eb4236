#pragma once

#include <QObject>
#include <QSoundEffect>
#include <QThread>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/sound.h"

namespace cardwedge {

// The desktop's bell, the system's default sound; callable from any thread.
void RingDesktopBell();

// Plays WAV files through Qt Multimedia on a thread of its own, so that loading a file and
// opening the audio output never hold up the user-interface thread (the keys typed right after a
// sound starts). Each file is loaded once and kept, so a repeated sound starts without reloading;
// a file that cannot be played gives playDefault instead (run on the sound thread); with no audio
// device the effect stays silent.
class QtSound : public Sound {
 public:
  explicit QtSound(std::function<void()> playDefault = RingDesktopBell);
  ~QtSound() override;
  QtSound(const QtSound&) = delete;
  QtSound& operator=(const QtSound&) = delete;

  void PlayAsync(const std::string& path) override;
  void Preload(const std::string& path) override;

 private:
  QObject* Player();
  // Run on the sound thread.
  void Play(const std::string& path);
  // The file's effect, loaded at the first call.
  QSoundEffect& Effect(const std::string& path);

  std::function<void()> playDefault_;
  QThread thread_;
  // Lives on the sound thread; the effects are created there and only touched there.
  std::unique_ptr<QObject> player_;
  std::map<std::string, std::unique_ptr<QSoundEffect>> effects_;
  // The files asked to play while still loading.
  std::set<std::string> playsWaiting_;
};

}  // namespace cardwedge
