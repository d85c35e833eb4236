// The program's keyboard on Wayland desktops, against the real compositors: sway offers a
// virtual keyboard and types into native windows; weston does not, and a native window is
// refused instead of typed into nothing. X11 windows on Xwayland get the keys through XTest.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "platform/keyboard.h"
#include "testbed.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using testbed::ChildProcess;
using testbed::KeyCapture;
using testbed::ProcessOptions;

// sway refuses to run as root, and its Xwayland then refuses root's X clients: the desktop and
// every client run as this user (nobody).
constexpr uid_t kUser = 65534;

std::string Cause(TypingError::Cause cause) { return std::to_string(static_cast<int>(cause)); }

// A folder of its own for the compositor's sockets, owned by the user the desktop runs as.
class RuntimeFolder {
 public:
  explicit RuntimeFolder(uid_t owner) {
    std::string path = (fs::temp_directory_path() / "cardwedge-wayland-XXXXXX").string();
    if (mkdtemp(path.data()) == nullptr) throw testbed::TestbedError("mkdtemp failed");
    path_ = path;
    if (chown(path.c_str(), owner, owner) != 0) throw testbed::TestbedError("chown failed");
    chmod(path.c_str(), 0700);
  }
  ~RuntimeFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// The program's keyboard in a process of its own (keyboard_probe), as the desktop's user.
class Probe {
 public:
  Probe(std::vector<std::string> argv, ProcessOptions options)
      : process_(std::move(argv), std::move(options)) {
    description_ = process_.WaitForLine("keyboard: ", testbed::kStartTimeout);
  }
  // "typed" or "refused <cause> <reason>".
  std::string Type(const std::string& digits) {
    process_.WriteLine(digits);
    return process_.WaitForLine(
        [](std::string_view line) { return line == "typed" || line.starts_with("refused "); },
        testbed::kEventTimeout, "typed or refused");
  }
  const std::string& description() const { return description_; }

 private:
  ChildProcess process_;
  std::string description_;
};

// A headless sway with Xwayland, run as kUser.
class Sway {
 public:
  Sway() : runtime_(kUser) {
    const fs::path config = runtime_.path() / "config";
    std::ofstream(config) << "xwayland enable\nexec env > " << (runtime_.path() / "session.env")
                          << "\n";
    chmod(config.c_str(), 0644);
    process_ = std::make_unique<ChildProcess>(
        AsUser({"sway", "-c", config.string()}),
        ProcessOptions{{{"WLR_BACKENDS", "headless"},
                        {"WLR_RENDERER", "pixman"},
                        {"WLR_LIBINPUT_NO_DEVICES", "1"},
                        {"HOME", runtime_.path().string()},
                        {"XDG_RUNTIME_DIR", runtime_.path().string()}},
                       testbed::ErrorOutput::kDiscard});
    const bool started = testbed::WaitUntil(
        [&] {
          environment_ = SessionEnvironment();
          return environment_.contains("DISPLAY") && environment_.contains("WAYLAND_DISPLAY");
        },
        testbed::kStartTimeout);
    if (!started) throw testbed::TestbedError("sway did not start");
  }

  // A copy of a test program in the runtime folder: the build folder may lie where the user
  // cannot go (under /root).
  std::string Install(const fs::path& program) const {
    const fs::path copy = runtime_.path() / program.filename();
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
    chmod(copy.c_str(), 0755);
    return copy.string();
  }

  void Stop() { process_.reset(); }

  std::vector<std::string> AsUser(std::vector<std::string> argv) const {
    const std::string id = std::to_string(kUser);
    argv.insert(argv.begin(),
                {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"});
    return argv;
  }
  ProcessOptions Session() const {
    return ProcessOptions{{{"XDG_RUNTIME_DIR", runtime_.path().string()},
                           {"HOME", runtime_.path().string()},
                           {"WAYLAND_DISPLAY", environment_.at("WAYLAND_DISPLAY")},
                           {"DISPLAY", environment_.at("DISPLAY")}}};
  }

 private:
  std::map<std::string, std::string> SessionEnvironment() const {
    std::map<std::string, std::string> variables;
    std::ifstream file(runtime_.path() / "session.env");
    for (std::string line; std::getline(file, line);) {
      const auto equals = line.find('=');
      if (equals != std::string::npos) variables[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return variables;
  }

  RuntimeFolder runtime_;
  std::unique_ptr<ChildProcess> process_;
  std::map<std::string, std::string> environment_;
};

// The virtual keyboard is created before the windows: the headless seat has no other keyboard,
// and a window learns of the seat's keyboard only once there is one.
TEST(SwayTest, NativeAndX11WindowsReceiveTheDigits) {
  Sway sway;
  Probe probe(sway.AsUser({sway.Install(KEYBOARD_PROBE_PATH)}), sway.Session());
  EXPECT_NE(probe.description().find("virtual keyboard"), std::string::npos) << probe.description();
  // No window yet: the keys would reach nothing.
  EXPECT_EQ(probe.Type("0").substr(0, 9), "refused " + Cause(TypingError::Cause::kNoFocusedWindow));

  KeyCapture native(sway.AsUser({sway.Install(WAYLAND_CAPTURE_PATH)}), sway.Session());
  native.process().WaitForLine("focus in", testbed::kEventTimeout);
  EXPECT_EQ(probe.Type("123"), "typed");
  EXPECT_TRUE(native.WaitForText("123\n")) << native.ReceivedText();

  KeyCapture x11(sway.AsUser({sway.Install(KEY_CAPTURE_PATH)}), sway.Session());
  native.process().WaitForLine("focus out", testbed::kEventTimeout);
  EXPECT_EQ(probe.Type("456"), "typed");
  EXPECT_TRUE(x11.WaitForText("456\n")) << x11.ReceivedText();
  EXPECT_EQ(native.ReceivedText(), "123\n");

  // The desktop going away (Xwayland with it) ends each value as not typed, not the program.
  sway.Stop();
  for (const char* digits : {"7", "8"}) {
    EXPECT_EQ(probe.Type(digits).substr(0, 9), "refused " + Cause(TypingError::Cause::kKeyboard));
  }
}

// weston's X11 backend inside a private Xvfb, whose keyboard is the seat's.
TEST(WestonTest, ANativeWindowIsRefusedAndAnX11WindowReceivesTheDigits) {
  testbed::Xvfb xvfb;
  RuntimeFolder runtime(getuid());
  const std::string socket = "cardwedge-weston";
  ChildProcess weston(
      {"weston", "--backend=x11-backend.so", "--use-pixman", "--xwayland", "--socket=" + socket,
       "--idle-time=0"},
      ProcessOptions{{{"DISPLAY", xvfb.display()}, {"XDG_RUNTIME_DIR", runtime.path().string()}},
                     testbed::ErrorOutput::kIntoLines});
  const std::string listening = weston.WaitForLine(
      [](std::string_view line) {
        return line.find("xserver listening on display") != std::string_view::npos;
      },
      testbed::kStartTimeout, "Xwayland's display");
  const ProcessOptions session{{{"XDG_RUNTIME_DIR", runtime.path().string()},
                                {"WAYLAND_DISPLAY", socket},
                                {"DISPLAY", listening.substr(listening.rfind(' ') + 1)}}};

  KeyCapture native({WAYLAND_CAPTURE_PATH}, session);
  native.process().WaitForLine("focus in", testbed::kEventTimeout);
  Probe probe({KEYBOARD_PROBE_PATH}, session);
  EXPECT_NE(probe.description().find("native Wayland windows refused"), std::string::npos)
      << probe.description();
  EXPECT_EQ(probe.Type("123").substr(0, 9), "refused " + Cause(TypingError::Cause::kNativeWayland));

  KeyCapture x11({KEY_CAPTURE_PATH}, session);
  native.process().WaitForLine("focus out", testbed::kEventTimeout);
  EXPECT_EQ(probe.Type("456"), "typed");
  EXPECT_TRUE(x11.WaitForText("456\n")) << x11.ReceivedText();
  EXPECT_EQ(native.ReceivedText(), "");
}

}  // namespace
}  // namespace cardwedge
