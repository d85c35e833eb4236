#pragma once

#include <string>

namespace cardwedge {

// What a look at the process list found.
enum class ProcessPresence { kRunning, kNotRunning, kUnknown };

class Processes {
 public:
  virtual ~Processes() = default;
  // kRunning when a process of the user's own session has this image name (compared
  // case-insensitively), kNotRunning when none has, kUnknown when the processes cannot be listed.
  virtual ProcessPresence Presence(const std::string& imageName) = 0;
};

}  // namespace cardwedge
