#pragma once

#include <string>

namespace cardwedge {

class Sound {
 public:
  virtual ~Sound() = default;
  // Starts playing a WAV file and returns at once; a file that cannot be played gives the
  // system's default sound instead. A missing audio device is not an error.
  virtual void PlayAsync(const std::string& path) = 0;
  // Readies a WAV file for its first play and returns at once, so that the first card's sound
  // starts as quickly as later ones'. Nothing is heard; a file that cannot be played is found out
  // at its play.
  virtual void Preload(const std::string& path) = 0;
};

}  // namespace cardwedge
