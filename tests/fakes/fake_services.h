#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/instance_guard.h"
#include "platform/keyboard.h"
#include "platform/posix/posix_files.h"
#include "platform/processes.h"
#include "platform/sound.h"

namespace cardwedge {

// Real files in a folder of the test's own, which stands for the program's folder.
class TempFolderFiles : public PosixFiles {
 public:
  TempFolderFiles();
  ~TempFolderFiles() override;

  std::string ProgramFolder() override { return folder_.string(); }

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path PathOf(const std::string& name) const { return folder_ / name; }
  // Writes bytes to a file of the folder, creating subfolders as needed.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path folder_;
};

class FakeClock : public Clock {
 public:
  double SecondsSinceMidnight() override { return now; }
  double now = 36000.0;
};

class FakeKeyboard : public Keyboard {
 public:
  void Send(const std::vector<KeyEvent>& events) override;
  // The text the events type (digits, letters with Shift as capitals, Enter as "\n").
  std::string TypedText() const;

  std::vector<KeyEvent> events;
  // When set, every Send raises TypingError and sends nothing.
  bool failing = false;
  int sends = 0;
};

class FakeSound : public Sound {
 public:
  void PlayAsync(const std::string& path) override { played.push_back(path); }
  std::vector<std::string> played;
};

class FakeProcesses : public Processes {
 public:
  bool IsRunning(const std::string& imageName) override { return running.contains(imageName); }
  std::set<std::string> running;
};

class FakeInstanceGuard : public InstanceGuard {
 public:
  bool AnotherInstanceRunning() override { return anotherRunning; }
  bool anotherRunning = false;
};

}  // namespace cardwedge
