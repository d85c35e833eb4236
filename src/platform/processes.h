#pragma once

#include <string>

namespace cardwedge {

class Processes {
 public:
  virtual ~Processes() = default;
  // True when a running process has this image name (compared case-insensitively); false when
  // none has, or when the processes cannot be listed.
  virtual bool IsRunning(const std::string& imageName) = 0;
};

}  // namespace cardwedge
