#pragma once

// The real program for end-to-end tests: a copy of build/cardwedge in a program folder of its
// own, with the default sounds, the sample roster and an empty folder file, and a lock folder of
// its own so that copies never see each other as a second instance.

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace cardwedge::testbed {

class ProgramCopy {
 public:
  ProgramCopy();
  ~ProgramCopy();
  ProgramCopy(const ProgramCopy&) = delete;
  ProgramCopy& operator=(const ProgramCopy&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path PathOf(const std::string& name) const { return folder_ / name; }
  void Write(const std::string& name, const std::string& bytes) const;
  bool Exists(const std::string& name) const;

  // Starts `cardwedge WORDS...` with CARDWEDGE_NO_DIALOGS=1, this copy's lock folder and the
  // extra environment; stderr is captured into the output lines. Without DISPLAY in the extra
  // environment the program runs with no display at all (Qt's offscreen platform).
  ChildProcess& Start(const std::vector<std::string>& words,
                      const std::map<std::string, std::string>& environment = {});
  ChildProcess& process() { return *processes_.back(); }
  // Starts a stand-in for the host application: a copy of sleep under the host's process name.
  ChildProcess& StartHost();

  // Waits until the first switch-file tick has created the switch file: the windows have loaded
  // and their timers run. False when the program ended first or it took too long.
  bool WaitUntilRunning(Duration timeout = kStartTimeout);

 private:
  std::filesystem::path folder_;
  std::vector<std::unique_ptr<ChildProcess>> processes_;
  std::unique_ptr<ChildProcess> host_;
};

// True when the wait status says the program exited normally with this status.
bool ExitedWith(const std::optional<int>& waitStatus, int status);

}  // namespace cardwedge::testbed
