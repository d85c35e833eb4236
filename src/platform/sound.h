#pragma once

#include <string>

namespace cardwedge {

class Sound {
 public:
  virtual ~Sound() = default;
  // Starts playing a WAV file and returns at once; a file that cannot be played gives the
  // system's default sound instead. A missing audio device is not an error.
  virtual void PlayAsync(const std::string& path) = 0;
};

}  // namespace cardwedge
