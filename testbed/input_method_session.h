#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace cardwedge::testbed {

// Mozc refuses to run as root, and IBus lets no other user onto its bus: a test of input
// methods runs as one plain user with them. Called first in main: when the test runs as root, it
// becomes the user nobody, after copying the test bed's GTK entry where that user can read it.
void BecomePlainUser();

enum class InputMethodFramework { kFcitx5, kIbus };

// A desktop session with a Japanese input method, as a user has it: a D-Bus session bus, the
// framework with Mozc (fcitx5: the group keyboard-us, mozc; IBus: the engine xkb:us::eng) and a
// GTK 3 entry that takes its keys through the framework's input module, on the given X display,
// with a home folder of their own. The entry's lines: "focused", "text: ..." at each change of
// its contents, "submitted: ..." at each Enter that reaches it.
class InputMethodSession {
 public:
  InputMethodSession(const std::string& display, InputMethodFramework framework);
  ~InputMethodSession();
  InputMethodSession(const InputMethodSession&) = delete;
  InputMethodSession& operator=(const InputMethodSession&) = delete;

  // For DBUS_SESSION_BUS_ADDRESS.
  const std::string& bus_address() const { return bus_address_; }
  // For HOME: IBus keeps the file that names its bus under it.
  const std::filesystem::path& home() const { return home_; }
  ChildProcess& bus() { return *bus_; }
  ChildProcess& framework() { return *framework_; }
  ChildProcess& entry() { return *entry_; }
  // Calls a method of fcitx5's controller without arguments ("State", "Activate", "Deactivate")
  // and returns the printed reply.
  std::string Fcitx5Controller(const std::string& method);
  // Waits until fcitx5 answers (at its start, or after it was stopped, once it has caught up).
  void WaitUntilFcitx5Answers();
  // Makes IBus type with that engine ("mozc-jp", "xkb:us::eng"), and waits until it says so.
  void SetIbusEngine(const std::string& engine);

 private:
  void StartFcitx5();
  void StartIbus();
  // Runs a short command to its end and returns what it printed; throws when it does not end,
  // or must succeed and fails.
  std::string Run(std::vector<std::string> argv, const std::string& what, bool must_succeed);
  std::unique_ptr<ChildProcess> Start(std::vector<std::string> argv,
                                      std::map<std::string, std::string> environment);

  std::filesystem::path home_;
  std::string display_;
  std::string bus_address_;
  std::unique_ptr<ChildProcess> bus_;
  std::unique_ptr<ChildProcess> framework_;
  std::unique_ptr<ChildProcess> entry_;
};

}  // namespace cardwedge::testbed
