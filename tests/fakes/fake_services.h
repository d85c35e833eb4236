#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/instance_guard.h"
#include "platform/keyboard.h"
#include "platform/processes.h"
#include "platform/session.h"
#include "platform/sound.h"
#include "platform/text_codec.h"

namespace cardwedge {

// Files in memory under the program folder "/program": plain files and folders by path, with the
// errors of the real backends (a folder where a file is expected, a missing file). Repeated
// separators count as one, as in real paths.
class FakeFiles : public Files {
 public:
  std::string ProgramFolder() override { return kFolder; }
  char PathSeparator() const override { return '/'; }
  bool FileExists(const std::string& path) override;
  void CreateIfMissing(const std::string& path) override;
  std::string ReadAll(const std::string& path, std::size_t maxBytes) override;
  void Delete(const std::string& path) override;

  // Paths of names inside the program folder; a name may hold further folders ("a/b.csv").
  static std::string PathOf(const std::string& name) { return kFolder + "/" + name; }
  void Write(const std::string& name, const std::string& bytes) { files_[PathOf(name)] = bytes; }
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // Puts a folder where name was.
  void MakeFolder(const std::string& name);
  void Remove(const std::string& name);

  static inline const std::string kFolder = "/program";

 private:
  static std::string Normal(const std::string& path);

  std::map<std::string, std::string> files_;
  std::set<std::string> folders_;
};

class FakeSession : public Session {
 public:
  SessionState State() override { return state; }
  SessionState state = SessionState::kAtDesk;
};

class FakeClock : public Clock {
 public:
  double SecondsSinceMidnight() override { return now; }
  double now = 36000.0;
};

class FakeKeyboard : public Keyboard {
 public:
  void Send(const std::vector<KeyEvent>& events) override;
  void CheckFocusedWindow() override;
  // The text the events type (digits, letters with Shift as capitals, Enter as "\n").
  std::string TypedText() const;

  std::vector<KeyEvent> events;
  // When set, every Send raises TypingError and sends nothing (a failure only sending tells).
  bool failing = false;
  // When set, the focused window refuses keys: CheckFocusedWindow and Send raise TypingError.
  bool focusedWindowRefuses = false;
  // Runs after each Send has added its events.
  std::function<void()> onSend;
};

class FakeSound : public Sound {
 public:
  void PlayAsync(const std::string& path) override { played.push_back(path); }
  void Preload(const std::string&) override {}
  std::vector<std::string> played;
};

class FakeProcesses : public Processes {
 public:
  ProcessPresence Presence(const std::string& imageName) override {
    if (listFails) return ProcessPresence::kUnknown;
    return running.contains(imageName) ? ProcessPresence::kRunning : ProcessPresence::kNotRunning;
  }
  std::set<std::string> running;
  // When set, the process list cannot be read.
  bool listFails = false;
};

// Reads file texts as they are: the tests write UTF-8.
class PassThroughTextCodec : public TextCodec {
 public:
  std::string AnsiToUtf8(std::string_view ansi) override { return std::string(ansi); }
  std::string Utf8ToAnsi(std::string_view utf8) override { return std::string(utf8); }
};

class FakeInstanceGuard : public InstanceGuard {
 public:
  bool AnotherInstanceRunning() override { return anotherRunning; }
  void Release() override { released = true; }
  bool anotherRunning = false;
  bool released = false;
};

}  // namespace cardwedge
