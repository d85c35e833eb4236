#include "platform/linux/ibus_address.h"

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <string_view>

namespace cardwedge {
namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string MachineId() {
  for (const char* path : {"/var/lib/dbus/machine-id", "/etc/machine-id"}) {
    std::ifstream file(path);
    std::string id;
    if (std::getline(file, id) && !id.empty()) return id;
  }
  return {};
}

// The daemon names its file after the display it serves: a Wayland display by its name, an X
// display ("host:N.S") by its host ("unix" when none) and number.
std::string DisplayPart() {
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  if (!wayland.empty()) return "unix-" + wayland;
  const std::string display = Environment("DISPLAY");
  const std::size_t colon = display.find(':');
  if (colon == std::string::npos) return "unix-0";
  const std::string host = display.substr(0, colon);
  const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  return (host.empty() ? "unix" : host) + "-" + number;
}

std::string BusFilePath() {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (config.empty()) config = Environment("HOME") + "/.config";
  return config + "/ibus/bus/" + MachineId() + "-" + DisplayPart();
}

bool ProcessRuns(long pid) {
  return pid > 0 && pid <= std::numeric_limits<pid_t>::max() &&
         (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

BusAnswer<IbusDaemon> FindIbusDaemon() {
  const std::string fromEnvironment = Environment("IBUS_ADDRESS");
  if (!fromEnvironment.empty()) return {IbusDaemon{fromEnvironment}, {}};
  const std::string path = BusFilePath();
  std::ifstream file(path);
  if (!file) return {IbusDaemon{}, {}};
  std::string address;
  long pid = 0;
  for (std::string line; std::getline(file, line);) {
    constexpr std::string_view kAddress = "IBUS_ADDRESS=", kPid = "IBUS_DAEMON_PID=";
    if (line.rfind(kAddress, 0) == 0) address = line.substr(kAddress.size());
    if (line.rfind(kPid, 0) == 0) pid = std::strtol(line.c_str() + kPid.size(), nullptr, 10);
  }
  if (!ProcessRuns(pid)) return {IbusDaemon{}, {}};
  if (address.empty()) return {std::nullopt, "the IBus bus file " + path + " names no address"};
  return {IbusDaemon{address, pid}, {}};
}

}  // namespace cardwedge
