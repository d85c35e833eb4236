#include "input_method_session.h"

#include <grp.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "wait_until.h"

namespace cardwedge::testbed {
namespace {

constexpr uid_t kPlainUser = 65534;  // nobody
constexpr gid_t kPlainGroup = 65534;

std::filesystem::path entry_script = CARDWEDGE_GTK_ENTRY_PATH;

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

// The distribution's session bus without its service folders: a call to a name nobody owns yet
// must not start a second fcitx5 (or anything else) behind the test's back.
constexpr char kBusConfig[] = R"(<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

// Mozc's server and IBus's engines leave the process group they were started in: every process
// that runs with the session's home is ended.
void EndProcessesOf(const std::filesystem::path& home) {
  const std::string marker = "HOME=" + home.string();
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const pid_t pid = static_cast<pid_t>(std::atoi(entry.path().filename().c_str()));
    std::ifstream environ(entry.path() / "environ");
    std::string variable;
    while (pid > 0 && pid != ::getpid() && std::getline(environ, variable, '\0')) {
      if (variable == marker) ::kill(pid, SIGKILL);
    }
  }
}

}  // namespace

void BecomePlainUser() {
  if (::geteuid() != 0) return;
  // X servers keep their sockets in this folder: made by the plain user's Xvfb it would be that
  // user's, where later servers of root expect root's, open to all.
  if (::mkdir("/tmp/.X11-unix", 01777) == 0) ::chmod("/tmp/.X11-unix", 01777);
  const std::filesystem::path copy =
      std::filesystem::temp_directory_path() / "cardwedge-gtk-entry.py";
  std::filesystem::copy_file(entry_script, copy, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(copy, std::filesystem::perms::owner_all |
                                         std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);
  entry_script = copy;
  if (::setgroups(0, nullptr) != 0 || ::setgid(kPlainGroup) != 0 || ::setuid(kPlainUser) != 0) {
    throw TestbedError("cannot become the plain user nobody");
  }
  // A change of user makes the process undumpable, which LeakSanitizer needs it to be.
  ::prctl(PR_SET_DUMPABLE, 1);
}

InputMethodSession::InputMethodSession(const std::string& display, InputMethodFramework framework)
    : display_(display) {
  std::string pattern = (std::filesystem::temp_directory_path() / "cardwedge-im-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw TestbedError("cannot make a home folder");
  home_ = pattern;
  std::filesystem::create_directories(home_ / ".config/fcitx5");
  std::filesystem::create_directories(home_ / "run");
  std::filesystem::permissions(home_ / "run", std::filesystem::perms::owner_all);
  std::ofstream(home_ / ".config/fcitx5/profile") << kProfile;
  std::ofstream(home_ / "bus.conf") << kBusConfig;

  bus_ = Start({"dbus-daemon", "--config-file=" + (home_ / "bus.conf").string(),
                "--address=unix:path=" + (home_ / "bus").string(), "--nofork", "--print-address=1"},
               {});
  bus_address_ = bus_->WaitForLine("unix:", kStartTimeout);
  const bool fcitx5 = framework == InputMethodFramework::kFcitx5;
  if (fcitx5) {
    StartFcitx5();
  } else {
    StartIbus();
  }
  entry_ = Start({"/usr/bin/python3", entry_script.string()},
                 {{"GTK_IM_MODULE", fcitx5 ? "fcitx" : "ibus"}, {"NO_AT_BRIDGE", "1"}});
  entry_->WaitForLine("focused", kStartTimeout);
  // The entry's input context reaches fcitx5 a moment after the focus.
  const auto entry_known = [this] {
    return Fcitx5Controller("State").find("int32 0") == std::string::npos;
  };
  if (fcitx5 && !WaitUntil(entry_known, kStartTimeout, Duration{100})) {
    throw TestbedError("fcitx5 did not see the entry's input context");
  }
}

void InputMethodSession::StartFcitx5() {
  framework_ = Start({"fcitx5", "-D"}, {});
  WaitUntilFcitx5Answers();
}

void InputMethodSession::WaitUntilFcitx5Answers() {
  const auto answers = [this] {
    try {
      Fcitx5Controller("State");
      return true;
    } catch (const TestbedError&) {
      return false;
    }
  };
  if (!WaitUntil(answers, kStartTimeout, Duration{100})) {
    throw TestbedError("fcitx5 does not answer on the session bus");
  }
}

void InputMethodSession::StartIbus() {
  framework_ = Start({"ibus-daemon", "--xim", "--panel=disable"}, {});
  // Without its panel, the daemon starts with no engine until one is chosen.
  SetIbusEngine("xkb:us::eng");
}

InputMethodSession::~InputMethodSession() {
  entry_.reset();
  framework_.reset();
  bus_.reset();
  EndProcessesOf(home_);
  std::error_code ignored;
  std::filesystem::remove_all(home_, ignored);
}

std::string InputMethodSession::Fcitx5Controller(const std::string& method) {
  return Run({"dbus-send", "--bus=" + bus_address_, "--print-reply", "--reply-timeout=2000",
              "--dest=org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1." + method},
             "fcitx5 " + method, true);
}

void InputMethodSession::SetIbusEngine(const std::string& engine) {
  // "ibus engine NAME" fails when it cannot store the choice in the settings, after switching;
  // the daemon takes a moment to start an engine, and to answer at its own start.
  const auto taken = [&] {
    Run({"ibus", "engine", engine}, "ibus engine", false);
    return Run({"ibus", "engine"}, "ibus engine", false) == engine + "\n";
  };
  if (!WaitUntil(taken, kStartTimeout, Duration{100})) {
    throw TestbedError("ibus-daemon did not take the engine " + engine);
  }
}

std::string InputMethodSession::Run(std::vector<std::string> argv, const std::string& what,
                                    bool must_succeed) {
  const std::unique_ptr<ChildProcess> call = Start(std::move(argv), {});
  const std::optional<int> status = call->Wait(kEventTimeout);
  if (!status || (must_succeed && *status != 0)) throw TestbedError(what + " did not succeed");
  std::string output;
  for (const std::string& line : call->Lines()) output += line + "\n";
  return output;
}

std::unique_ptr<ChildProcess> InputMethodSession::Start(
    std::vector<std::string> argv, std::map<std::string, std::string> environment) {
  environment.merge(
      std::map<std::string, std::string>{{"HOME", home_.string()},
                                         {"XDG_CONFIG_HOME", (home_ / ".config").string()},
                                         {"XDG_RUNTIME_DIR", (home_ / "run").string()},
                                         {"DISPLAY", display_},
                                         {"DBUS_SESSION_BUS_ADDRESS", bus_address_},
                                         {"GSETTINGS_BACKEND", "memory"}});
  return std::make_unique<ChildProcess>(std::move(argv),
                                        ProcessOptions{environment, ErrorOutput::kDiscard});
}

}  // namespace cardwedge::testbed
