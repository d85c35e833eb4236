#include "input_method_session.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>

#include "wait_until.h"

namespace cardwedge::testbed {
namespace {

constexpr uid_t kPlainUser = 65534;  // nobody
constexpr gid_t kPlainGroup = 65534;

constexpr char kProfile[] = R"([Groups/0]
Name=Default
Default Layout=us
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-us
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
)";

// The distribution's session bus, open to any local user: the test's user asks fcitx5 too.
constexpr char kBusConfig[] = R"(<busconfig>
  <include>/usr/share/dbus-1/session.conf</include>
  <policy context="default"><allow user="*"/></policy>
</busconfig>
)";

void WriteFile(const std::filesystem::path& path, const char* text) {
  std::ofstream file(path);
  file << text;
  if (!file.flush()) throw TestbedError("cannot write " + path.string());
}

void GiveToPlainUser(const std::filesystem::path& folder) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (::chown(entry.path().c_str(), kPlainUser, kPlainGroup) != 0) {
      throw TestbedError("cannot give " + entry.path().string() + " to the plain user");
    }
  }
  if (::chown(folder.c_str(), kPlainUser, kPlainGroup) != 0) {
    throw TestbedError("cannot give " + folder.string() + " to the plain user");
  }
}

}  // namespace

Fcitx5Session::Fcitx5Session(const std::string& display) : display_(display) {
  std::string pattern = (std::filesystem::temp_directory_path() / "cardwedge-im-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw TestbedError("cannot make a home folder");
  home_ = pattern;
  std::filesystem::permissions(
      home_, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                 std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                 std::filesystem::perms::others_exec);
  std::filesystem::create_directories(home_ / ".config/fcitx5");
  std::filesystem::create_directories(home_ / "run");
  std::filesystem::permissions(home_ / "run", std::filesystem::perms::owner_all);
  WriteFile(home_ / ".config/fcitx5/profile", kProfile);
  WriteFile(home_ / "bus.conf", kBusConfig);
  if (::geteuid() == 0) GiveToPlainUser(home_);

  bus_ = Start({"dbus-daemon", "--config-file=" + (home_ / "bus.conf").string(),
                "--address=unix:path=" + (home_ / "bus").string(), "--nofork", "--print-address=1"},
               {});
  bus_address_ = bus_->WaitForLine("unix:", kStartTimeout);
  fcitx5_ = Start({"fcitx5", "-D"}, {});
  const auto answers = [this] {
    try {
      Controller("State");
      return true;
    } catch (const TestbedError&) {
      return false;
    }
  };
  if (!WaitUntil(answers, kStartTimeout, Duration{100})) {
    throw TestbedError("fcitx5 did not take its name on the session bus");
  }
  entry_ = Start({"/usr/bin/python3", CARDWEDGE_GTK_ENTRY_PATH},
                 {{"GTK_IM_MODULE", "fcitx"}, {"NO_AT_BRIDGE", "1"}});
  entry_->WaitForLine("focused", kStartTimeout);
  // The entry's input context reaches fcitx5 a moment after the focus.
  const auto entry_known = [this] {
    return Controller("State").find("int32 0") == std::string::npos;
  };
  if (!WaitUntil(entry_known, kStartTimeout, Duration{100})) {
    throw TestbedError("fcitx5 did not see the entry's input context");
  }
}

Fcitx5Session::~Fcitx5Session() {
  entry_.reset();
  fcitx5_.reset();
  bus_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
}

std::string Fcitx5Session::Controller(const std::string& method) {
  ChildProcess call(
      {"dbus-send", "--bus=" + bus_address_, "--print-reply", "--reply-timeout=2000",
       "--dest=org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1." + method},
      ProcessOptions{{}, ErrorOutput::kDiscard});
  if (call.Wait(kEventTimeout) != 0) throw TestbedError("fcitx5 did not answer " + method);
  std::string reply;
  for (const std::string& line : call.Lines()) reply += line + "\n";
  return reply;
}

std::unique_ptr<ChildProcess> Fcitx5Session::Start(std::vector<std::string> argv,
                                                   std::map<std::string, std::string> environment) {
  if (::geteuid() == 0) {
    argv.insert(argv.begin(), {"setpriv", "--reuid=" + std::to_string(kPlainUser),
                               "--regid=" + std::to_string(kPlainGroup), "--clear-groups"});
  }
  environment.merge(
      std::map<std::string, std::string>{{"HOME", home_.string()},
                                         {"XDG_CONFIG_HOME", (home_ / ".config").string()},
                                         {"XDG_RUNTIME_DIR", (home_ / "run").string()},
                                         {"DISPLAY", display_},
                                         {"DBUS_SESSION_BUS_ADDRESS", bus_address_}});
  return std::make_unique<ChildProcess>(std::move(argv),
                                        ProcessOptions{environment, ErrorOutput::kDiscard});
}

}  // namespace cardwedge::testbed
