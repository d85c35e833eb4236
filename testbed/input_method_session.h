#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace cardwedge::testbed {

// A desktop session with a Japanese input method, as a user has it: a D-Bus session bus, fcitx5
// with Mozc (group: keyboard-us, mozc) and a GTK 3 entry that takes its keys through fcitx5's
// input module, on the given X display. Mozc refuses to run as root: when the test runs as root,
// all of them run as the plain user nobody, with a home folder of their own; the bus lets the
// test's user in too. The entry's lines: "focused", "text: ..." at each change of its contents,
// "submitted: ..." at each Enter that reaches it.
class Fcitx5Session {
 public:
  explicit Fcitx5Session(const std::string& display);
  ~Fcitx5Session();
  Fcitx5Session(const Fcitx5Session&) = delete;
  Fcitx5Session& operator=(const Fcitx5Session&) = delete;

  // For DBUS_SESSION_BUS_ADDRESS.
  const std::string& bus_address() const { return bus_address_; }
  ChildProcess& fcitx5() { return *fcitx5_; }
  ChildProcess& entry() { return *entry_; }
  // Calls a method of fcitx5's controller without arguments ("Activate", "Deactivate") and
  // returns the printed reply.
  std::string Controller(const std::string& method);

 private:
  std::unique_ptr<ChildProcess> Start(std::vector<std::string> argv,
                                      std::map<std::string, std::string> environment);

  std::filesystem::path home_;
  std::string display_;
  std::string bus_address_;
  std::unique_ptr<ChildProcess> bus_;
  std::unique_ptr<ChildProcess> fcitx5_;
  std::unique_ptr<ChildProcess> entry_;
};

}  // namespace cardwedge::testbed
